#include "ui/previewconsole.h"

#include "browser/webview.h"
#include "ui/consolewindow.h"
#include "ui/handlerguard.h"

#include <QAction>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace corvane {

PreviewConsole::PreviewConsole(QMainWindow& window, WebView& preview, QPlainTextEdit& codeBox,
                               Dialogs& dialogs, std::function<QUrl()> shownScript)
    : window_(window)
    , preview_(preview)
    , codeBox_(codeBox)
    , shownScript_(std::move(shownScript))
{
    auto* open = new QAction(&window);
    open->setObjectName(QStringLiteral("Console"));
    open->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_J), QKeySequence(Qt::Key_F12)});
    open->setShortcutContext(Qt::WindowShortcut);
    window.addAction(open);
    connect(open, &QAction::triggered, this, &PreviewConsole::present);

    // The page as today's browsers show it, without the compatibility layer, until switched
    // back; every start begins with the layer on.
    asToday_ = new QAction(QStringLiteral("Като днешните браузъри"), &window);
    asToday_->setObjectName(QStringLiteral("AsToday"));
    asToday_->setCheckable(true);
    asToday_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    asToday_->setShortcutContext(Qt::WindowShortcut);
    window.addAction(asToday_);
    connect(asToday_, &QAction::toggled, this,
            [this, &dialogs](bool on) { runGuarded(dialogs, [&] { preview_.setAsToday(on); }); });
}

PreviewConsole::~PreviewConsole() = default;

void PreviewConsole::present()
{
    if (!consoleWindow_) {
        consoleWindow_ = std::make_unique<ConsoleWindow>(preview_.console(), asToday_, &window_);
        connect(consoleWindow_.get(), &ConsoleWindow::lineChosen, this, &PreviewConsole::chooseLine);
    }
    consoleWindow_->present();
}

void PreviewConsole::chooseLine(const QString& source, int line)
{
    // The code box holds the chosen script's file, or the text a Ctrl+Enter ran.
    const QUrl url(source);
    const QUrl shown = shownScript_();
    const QUrl content = preview_.contentUrl();
    if ((shown.isEmpty() || url != shown) && (content.isEmpty() || url != content))
        return;
    const QTextBlock block = codeBox_.document()->findBlockByNumber(line - 1);
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    codeBox_.setTextCursor(cursor);
    codeBox_.centerCursor();
    codeBox_.setFocus();
    window_.activateWindow();
}

} // namespace corvane
