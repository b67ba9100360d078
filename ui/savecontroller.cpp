#include "ui/savecontroller.h"

#include "library/scriptlibrary.h"
#include "pages/standalonelayer.h"
#include "ui/chosenscript.h"
#include "ui/dialogs.h"
#include "ui/handlerguard.h"
#include "ui/savedialog.h"

#include <QDir>
#include <QStandardPaths>
#include <QTimer>

namespace corvane {
namespace {

// The first few of a list of files, a line each, and an ellipsis for the rest.
QString fileLines(const std::vector<std::string>& files)
{
    QString lines;
    for (std::size_t i = 0; i < files.size() && i < 5; ++i)
        lines += QStringLiteral("\r") + QString::fromStdString(files[i]);
    if (files.size() > 5)
        lines += QStringLiteral("\r…");
    return lines;
}

} // namespace

SaveController::SaveController(QWidget& window, const ScriptLibrary& library, Dialogs& dialogs,
                               PageSaveDialog* dialog)
    : window_(window)
    , library_(library)
    , dialogs_(dialogs)
    , dialog_(dialog)
{
}

SaveController::~SaveController() = default;

PageSaveDialog& SaveController::dialog()
{
    if (dialog_)
        return *dialog_;
    if (!fileSaveDialog_)
        fileSaveDialog_ = std::make_unique<FilePageSaveDialog>();
    return *fileSaveDialog_;
}

void SaveController::save(const QString& codeText, const ChosenScript& chosen,
                          const CategoryListFile* categories)
{
    if (pageSaver_)
        return; // one save at a time
    PageSaveDialog& dialog = this->dialog();
    if (saveFolder_.isEmpty())
        saveFolder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // The box holds LF breaks; library pages have CR LF.
    const std::string text =
        QString(codeText).replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toStdString();
    const std::string pageFolder = chosen.folder(library_);
    const std::optional<PageSaveChoice> choice =
        dialog.choose(&window_, saveFolder_, chosen.script,
                      pages::needsStandaloneLayer(text, pageFolder, library_.programDirectory()));
    if (!choice)
        return;
    saveFolder_ = choice->folder;

    pages::SaveRequest request;
    request.text = text;
    request.pageFolder = pageFolder;
    request.forToday = choice->forToday;
    request.libraryFolder = library_.programDirectory();
    request.targetFolder = choice->folder.toStdString();
    request.pageName = choice->fileName.toStdString();
    request.encoding = choice->encoding;
    request.forbiddenFolders.push_back(library_.programDirectory());
    if (categories)
        for (const auto& name : categories->sectionNames())
            request.forbiddenFolders.push_back(library_.categoryFolder(name));
    auto saver = std::make_unique<pages::PageSaver>(std::move(request));

    const std::vector<std::string> existing = saver->existingTargets();
    if (!existing.empty()) {
        const QString question =
            existing.size() == 1
                ? QStringLiteral("Този файл вече съществува в „%1“:%2\rДа бъде ли заменен?")
                : QStringLiteral("Тези %3 файла вече съществуват в „%1“:%2\rДа бъдат ли заменени?");
        if (!dialogs_.confirm(question.arg(choice->folder, fileLines(existing)).arg(existing.size())))
            return;
    }
    pageSaver_ = std::move(saver);
    scheduleStep();
}

void SaveController::scheduleStep()
{
    QTimer::singleShot(0, this, [this] { runGuarded(dialogs_, [this] { step(); }); });
}

// One file a turn of the event loop; an error ends the save where it stands.
void SaveController::step()
{
    std::unique_ptr<pages::PageSaver> saver = std::move(pageSaver_);
    if (!saver)
        return;
    if (saver->step()) {
        pageSaver_ = std::move(saver);
        scheduleStep();
        return;
    }
    const std::size_t files = saver->assetsWritten();
    const QString where = QDir::toNativeSeparators(saveFolder_);
    QString text = files == 0
                       ? QStringLiteral("Запазена е страницата в %1.").arg(where)
                       : QStringLiteral("Запазени са страницата и %1 %2 в %3.")
                             .arg(files)
                             .arg(files == 1 ? QStringLiteral("файл") : QStringLiteral("файла"), where);
    // What was too large to save is named, so the user knows what the copy lacks.
    if (!saver->leftOut().empty())
        text += QStringLiteral("\r\rНе са запазени:") + fileLines(saver->leftOut());
    dialogs_.showMessage(text);
}

} // namespace corvane
