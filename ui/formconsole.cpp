// The main window's console: the keys that open it and the line a message names.
#include "address/address.h"
#include "browser/webview.h"
#include "ui/consolewindow.h"
#include "ui/handlerguard.h"
#include "ui/tform1.h"
#include "ui_form1.h"

#include <QAction>
#include <QTextBlock>

namespace corvane {

void TForm1::setUpConsole()
{
    auto* open = new QAction(this);
    open->setObjectName(QStringLiteral("Console"));
    open->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_J), QKeySequence(Qt::Key_F12)});
    open->setShortcutContext(Qt::WindowShortcut);
    addAction(open);
    connect(open, &QAction::triggered, this, &TForm1::ConsoleClick);

    // The page as today's browsers show it, without the compatibility layer, until switched
    // back; every start begins with the layer on.
    auto* asToday = new QAction(QStringLiteral("Като днешните браузъри"), this);
    asToday->setObjectName(QStringLiteral("AsToday"));
    asToday->setCheckable(true);
    asToday->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    asToday->setShortcutContext(Qt::WindowShortcut);
    addAction(asToday);
    connect(asToday, &QAction::toggled, this,
            [this](bool on) { runGuarded(*services_.dialogs, [&] { ui->wb1->setAsToday(on); }); });
    ui->wb1->setPageDialogs(services_.pageDialogs);
    ui->banner->setPageDialogs(services_.pageDialogs);
}

void TForm1::ConsoleClick()
{
    if (!consoleWindow_) {
        consoleWindow_ = std::make_unique<ConsoleWindow>(
            ui->wb1->console(), findChild<QAction*>(QStringLiteral("AsToday"), Qt::FindDirectChildrenOnly),
            this);
        connect(consoleWindow_.get(), &ConsoleWindow::lineChosen, this, &TForm1::chooseConsoleLine);
    }
    consoleWindow_->present();
}

void TForm1::chooseConsoleLine(const QString& source, int line)
{
    // The code box holds the chosen script's file, or the text a Ctrl+Enter ran.
    const QUrl url(source);
    const QUrl content = ui->wb1->contentUrl();
    if (url != addressToUrl(ui->Label5->text()) && (content.isEmpty() || url != content))
        return;
    const QTextBlock block = ui->Memo4->document()->findBlockByNumber(line - 1);
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    ui->Memo4->setTextCursor(cursor);
    ui->Memo4->centerCursor();
    ui->Memo4->setFocus();
    activateWindow();
}

} // namespace corvane
