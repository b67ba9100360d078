#include "ui/consolewindow.h"

#include "browser/consolemessages.h"
#include "ui_consolewindow.h"

#include <QKeyEvent>
#include <QScreen>

#include <algorithm>

namespace corvane {
namespace {

// "1 грешка", "2 грешки".
QString errorCountText(int count)
{
    return QString::number(count) + (count == 1 ? QStringLiteral(" грешка") : QStringLiteral(" грешки"));
}

} // namespace

ConsoleWindow::ConsoleWindow(ConsoleModel& model, QAction* asToday, QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::ConsoleWindow>())
    , model_(model)
{
    ui->setupUi(this);
    ui->asToday->setDefaultAction(asToday);
    addAction(asToday);
    ui->messages->setModel(&model);
    ui->messages->installEventFilter(this);
    connect(ui->messages, &QAbstractItemView::doubleClicked, this, &ConsoleWindow::choose);
    connect(ui->clear, &QPushButton::clicked, this, [this] { model_.clear(); });
    connect(&model, &ConsoleModel::errorCountChanged, this, &ConsoleWindow::showErrorCount);
    connect(&model, &ConsoleModel::droppedCountChanged, this, &ConsoleWindow::showDroppedCount);
    // The newest message stays in sight while the list grows.
    connect(&model, &QAbstractItemModel::rowsInserted, ui->messages, &QAbstractItemView::scrollToBottom);
    showErrorCount(model.errorCount());
    showDroppedCount(model.droppedCount());
}

ConsoleWindow::~ConsoleWindow() = default;

void ConsoleWindow::present()
{
    if (!placed_ && parentWidget()) {
        // Beside the main window when the screen has room, else over its right edge.
        const QRect frame = parentWidget()->window()->frameGeometry();
        const QRect screen = parentWidget()->screen()->availableGeometry();
        resize(width(), std::min(frame.height(), screen.height()) * 2 / 3);
        const int room = screen.right() - frame.right();
        const int x =
            room >= frameGeometry().width() ? frame.right() + 1 : screen.right() - frameGeometry().width();
        move(std::max(screen.left(), x), frame.top() + frame.height() - frameGeometry().height());
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
    ui->messages->setFocus();
}

void ConsoleWindow::showErrorCount(int count)
{
    setWindowTitle(count == 0 ? QStringLiteral("Конзола")
                              : QStringLiteral("Конзола – ") + errorCountText(count));
}

void ConsoleWindow::showDroppedCount(int count)
{
    // The list keeps the newest; what went before them is only counted.
    ui->dropped->setText(QStringLiteral("По-старите %1 съобщения не се показват").arg(count));
    ui->dropped->setVisible(count > 0);
}

void ConsoleWindow::choose(const QModelIndex& index)
{
    const int line = index.data(ConsoleModel::LineRole).toInt();
    if (index.isValid() && line > 0)
        emit lineChosen(index.data(ConsoleModel::SourceRole).toString(), line);
}

bool ConsoleWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->messages && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            choose(ui->messages->currentIndex());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace corvane
