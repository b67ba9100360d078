// The code box's colouring and the run-the-edit command of the main window.
#include "ui/codebox.h"

#include "address/address.h"
#include "browser/webview.h"
#include "platform/codepage.h"
#include "ui/codehighlighter.h"
#include "ui/handlerguard.h"
#include "ui/tform1.h"
#include "ui_form1.h"

#include <QAction>
#include <QDir>

namespace corvane {

QByteArray codeBoxBytes(const QString& rawText)
{
    QString text = rawText;
    // The document separates lines with these; a plain-text export would also turn no-break
    // spaces into spaces, which the page must keep.
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return QByteArray::fromStdString(utf8ToCp1251(text.toStdString()));
}

void TForm1::setUpCodeBox()
{
    new CodeHighlighter(ui->Memo4);

    auto* run = new QAction(this);
    run->setObjectName(QStringLiteral("RunEdit"));
    run->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    run->setShortcutContext(Qt::WindowShortcut);
    addAction(run);
    connect(run, &QAction::triggered, this,
            [this] { runGuarded(*services_.dialogs, [this] { RunEditClick(); }); });
}

void TForm1::RunEditClick()
{
    // The script's own folder, so that its relative pictures, styles and scripts load; with no
    // category chosen, the program directory.
    const QString category = ui->cats->text();
    const std::string folder = category.isEmpty()
                                   ? services_.programDirectory
                                   : library_.scriptPath(category.toStdString(), std::string());
    const QUrl base = QUrl::fromLocalFile(QDir::fromNativeSeparators(QString::fromStdString(folder)));
    // Refreshing shows the script's file again; with no script chosen, the page shown before.
    const QUrl original = ui->lb->text().isEmpty() ? QUrl() : addressToUrl(scriptPath());
    ui->wb1->navigateContent(codeBoxBytes(ui->Memo4->document()->toRawText()), base, original);
}

} // namespace corvane
