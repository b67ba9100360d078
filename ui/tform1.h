#pragma once

#include "library/scriptlibrary.h"
#include "ui/chosenscript.h"

#include <QMainWindow>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Ui {
class TForm1;
}

namespace corvane {

class Dialogs;
class PageSaveDialog;
class PageDialogs;
class PreviewConsole;
class Registry;
class SaveController;
class SearchCommand;
class Shell;
class TAboutBox;
struct SearchHit;

// What the main window is built with; the program passes the real services, tests pass a
// temporary folder, a temporary store and recording doubles.
struct MainWindowServices {
    std::string programDirectory; // ends in the path separator
    const Registry* registry = nullptr;
    Shell* shell = nullptr;
    Dialogs* dialogs = nullptr;
    PageDialogs* pageDialogs = nullptr; // the pages' own boxes and the downloads' save dialog
    QString bannerAddress;
    PageSaveDialog* saveDialog = nullptr; // Ctrl+S; none: the system's file dialog
};

// The main window: selection column on the left, banner, caption strip, preview and status bar
// on the right. Handlers carry the names of the component and event they serve.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // How long after the preview's first page has loaded the banner starts loading its own.
    static constexpr int kBannerAfterPreviewMs = 400;

    explicit TForm1(const MainWindowServices& services, QWidget* parent = nullptr);
    ~TForm1() override;

    // The about box the "&За програмата" entry shows; start-up creates it after this window.
    void setAboutBox(TAboutBox* aboutBox) { AboutBox = aboutBox; }
    // Language code of the about box's texts; nothing in the program sets it.
    const QString& language() const { return FLanguage; }

    std::int32_t scriptTotal() const { return FScriptTotal; }
    QString scriptPath() const;

    // Handlers, public so that the menu, the buttons and the tests reach the same code.
    void catsChange();
    void lbChange();
    void N2Click();
    void N5Click();
    void N6Click();
    void N7Click();
    void N8Click();
    void Licenseuseragreement1Click();
    void Image1Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void wb1BeforeNavigate2(const QString& url);
    void wb1DownloadBegin();
    void wb1DownloadComplete();
    void wb1DocumentComplete(const QString& url);
    void wb1TitleChange(const QString& text);
    void wb1StatusTextChange(const QString& text);
    void wb2TitleChange(const QString& text);
    // Ctrl+Enter: the code box's text runs in the preview, based in the script's folder.
    void RunEditClick();
    // Ctrl+S: the code box's text saved as a page with the library files it uses, where the
    // user chooses; written a file a step on the event loop.
    void SavePageClick();

    // A result of the library search, chosen as the user would: the category, then the script,
    // each box running its handler; a text match is then selected in the code box.
    void chooseSearchResult(const SearchHit& hit);
    // Ctrl+Shift+J or F12: the console of the preview.
    void ConsoleClick();
    // A console message's line, selected in the code box when the message is about its text.
    void chooseConsoleLine(const QString& source, int line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The boxes' texts, read once for the event at hand.
    ChosenScript chosenScript() const;
    void FormCreate();
    void startBannerAfterPreview();
    void loadPictures();
    void connectHandlers();
    void setUpCodeBox();
    void shellOpen(const QString& target, int showState, bool parentIsMainWindow) const;
    template <typename Handler>
    void guarded(Handler&& handler);
    // A slot that runs the handler inside the guard with the signal's arguments.
    template <typename... Args>
    auto guardedSlot(void (TForm1::*handler)(Args...));

    std::unique_ptr<Ui::TForm1> ui;
    MainWindowServices services_;
    ScriptLibrary library_;
    std::unique_ptr<CategoryListFile> FCategories;
    std::optional<ChosenScript> shownScript_; // the script whose file the code box holds, as Label5 names it
    std::int32_t FScriptTotal = 0;
    QString FLanguage;
    TAboutBox* AboutBox = nullptr;
    std::unique_ptr<SearchCommand> search_;
    std::unique_ptr<SaveController> save_;
    std::unique_ptr<PreviewConsole> console_;
};

} // namespace corvane
