#pragma once

#include "pages/savepage.h"

#include <QObject>
#include <QString>

#include <memory>

class QWidget;

namespace corvane {

class CategoryListFile;
class Dialogs;
struct ChosenScript;
class PageSaveDialog;
class ScriptLibrary;

// Ctrl+S: the code box's text saved as a page with the library files it uses, where the user
// chooses. Replacing files is confirmed first; then one file is written a turn of the event
// loop, and the user is told what was saved and what was left out. One save at a time.
class SaveController : public QObject {
    Q_OBJECT
public:
    // dialog: where the user chooses; none: the system's file dialog.
    SaveController(QWidget& window, const ScriptLibrary& library, Dialogs& dialogs, PageSaveDialog* dialog);
    ~SaveController() override;

    // codeText: the code box's text; chosen: what the boxes name; categories: the category list,
    // whose folders a save never writes into.
    void save(const QString& codeText, const ChosenScript& chosen, const CategoryListFile* categories);

private:
    PageSaveDialog& dialog();
    void scheduleStep();
    void step();

    QWidget& window_;
    const ScriptLibrary& library_;
    Dialogs& dialogs_;
    PageSaveDialog* dialog_;
    std::unique_ptr<PageSaveDialog> fileSaveDialog_;
    std::unique_ptr<pages::PageSaver> pageSaver_; // while a save is under way
    QString saveFolder_;                          // the last one chosen, for this session
};

} // namespace corvane
