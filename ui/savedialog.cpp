#include "ui/savedialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace corvane {

std::optional<PageSaveChoice> FilePageSaveDialog::choose(QWidget* parent, const QString& folder,
                                                         const QString& name)
{
    const QString utf8 = QStringLiteral("Уеб страница, пълна, UTF-8 (*.html *.htm)");
    const QString cp1251 = QStringLiteral("Уеб страница, пълна, Windows-1251 (*.html *.htm)");
    // With no script chosen the folder alone, not the folder's own name as the file's.
    QFileDialog dialog(parent, QStringLiteral("Запазване на скрипта с файловете му"),
                       name.isEmpty() ? folder : QDir(folder).filePath(name));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Our own dialog, so that the encoding can be chosen as the file type everywhere; the save
    // asks about every file it would replace, the page among them.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters({utf8, cp1251});
    dialog.selectNameFilter(utf8);
    dialog.setDefaultSuffix(QStringLiteral("html"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Кодиране:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Име:"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Запази"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Отказ"));
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Папка:"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QFileInfo file(dialog.selectedFiles().constFirst());
    PageSaveChoice choice;
    choice.folder = file.absolutePath();
    choice.fileName = file.fileName();
    choice.encoding =
        dialog.selectedNameFilter() == cp1251 ? pages::PageEncoding::Windows1251 : pages::PageEncoding::Utf8;
    return choice;
}

} // namespace corvane
