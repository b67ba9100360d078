#include "ui/searchdialog.h"

#include "search/searchrunner.h"
#include "ui/dialogs.h"
#include "ui/handlerguard.h"
#include "ui_searchdialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTextBlock>

#include <algorithm>

namespace corvane {
namespace {

enum Column { kCategoryColumn, kScriptColumn, kLineColumn, kTextColumn };
constexpr int kHitIndexRole = Qt::UserRole;
constexpr int kMatchStartRole = Qt::UserRole + 1;
constexpr int kMatchLengthRole = Qt::UserRole + 2;

// Draws a cell's text with the match in bold.
class MatchDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QVariant start = index.data(kMatchStartRole);
        if (!start.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        QRect rect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        rect.adjust(margin, 0, -margin, 0);
        const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                                : QPalette::Inactive;
        const int from = start.toInt();
        const int length = index.data(kMatchLengthRole).toInt();
        QFont bold = opt.font;
        bold.setBold(true);
        const struct {
            QString piece;
            const QFont& font;
        } pieces[] = {
            {text.left(from), opt.font}, {text.mid(from, length), bold}, {text.mid(from + length), opt.font}};

        painter->save();
        painter->setClipRect(rect);
        painter->setPen(opt.palette.color(
            group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
        int x = rect.left();
        for (const auto& piece : pieces) {
            if (x > rect.right())
                break;
            painter->setFont(piece.font);
            painter->drawText(QRect(x, rect.top(), rect.right() - x + 1, rect.height()),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, piece.piece);
            x += QFontMetrics(piece.font).horizontalAdvance(piece.piece);
        }
        painter->restore();
    }
};

QString unreadableText(std::size_t scripts, std::size_t lists)
{
    QStringList lines;
    if (scripts == 1)
        lines << QStringLiteral("1 скрипт не можа да бъде прочетен");
    else if (scripts > 1)
        lines << QStringLiteral("%1 скрипта не можаха да бъдат прочетени").arg(scripts);
    if (lists == 1)
        lines << QStringLiteral("1 списък със скриптове не можа да бъде прочетен");
    else if (lists > 1)
        lines << QStringLiteral("%1 списъка със скриптове не можаха да бъдат прочетени").arg(lists);
    return lines.join(QLatin1Char('\n'));
}

QTreeWidgetItem* resultRow(const SearchHit& hit, int index)
{
    auto* item = new QTreeWidgetItem;
    item->setData(kCategoryColumn, kHitIndexRole, index);
    item->setText(kCategoryColumn, QString::fromStdString(hit.category));
    item->setText(kScriptColumn, QString::fromStdString(hit.script));
    if (hit.kind == SearchHit::Kind::Name) {
        item->setData(kScriptColumn, kMatchStartRole, static_cast<int>(hit.column));
        item->setData(kScriptColumn, kMatchLengthRole, static_cast<int>(hit.length));
        return item;
    }
    item->setText(kLineColumn, QString::number(hit.line + 1));
    item->setTextAlignment(kLineColumn, Qt::AlignRight | Qt::AlignVCenter);
    // One character of the code page is one UTF-16 unit, so the positions carry over.
    QString text = QString::fromStdString(hit.excerpt);
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    int start = static_cast<int>(hit.excerptColumn);
    if (hit.excerptCutBefore) {
        text.prepend(QChar(0x2026));
        ++start;
    }
    if (hit.excerptCutAfter)
        text.append(QChar(0x2026));
    item->setText(kTextColumn, text);
    item->setToolTip(kTextColumn, text);
    item->setData(kTextColumn, kMatchStartRole, start);
    item->setData(kTextColumn, kMatchLengthRole, static_cast<int>(hit.length));
    return item;
}

} // namespace

SearchDialog::SearchDialog(const std::string& programDirectory, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::SearchDialog>())
    , dialogs_(dialogs)
{
    ui->setupUi(this);
    auto* delegate = new MatchDelegate(ui->results);
    ui->results->setItemDelegate(delegate);
    ui->results->setColumnWidth(kCategoryColumn, 130);
    ui->results->setColumnWidth(kScriptColumn, 200);
    ui->results->setColumnWidth(kLineColumn, 50);
    ui->query->installEventFilter(this);
    ui->results->installEventFilter(this);

    connect(ui->query, &QLineEdit::textChanged, this, &SearchDialog::startSearch);
    connect(ui->query, &QLineEdit::returnPressed, this, &SearchDialog::chooseCurrent);
    connect(ui->results, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        ui->results->setCurrentItem(item);
        chooseCurrent();
    });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this), &QShortcut::activated, this, [this] {
        ui->query->setFocus();
        ui->query->selectAll();
    });

    // The runner's callbacks come from its thread; the list is touched on this one only.
    runner_ = std::make_unique<SearchRunner>(
        programDirectory,
        [this](std::uint64_t ticket, std::vector<SearchHit>&& hits) {
            QMetaObject::invokeMethod(
                this, [this, ticket, hits = std::move(hits)]() mutable { addHits(ticket, std::move(hits)); },
                Qt::QueuedConnection);
        },
        [this](std::uint64_t ticket, const SearchReport& report, const std::exception_ptr& failure) {
            QMetaObject::invokeMethod(
                this, [this, ticket, report, failure] { finish(ticket, report, failure); },
                Qt::QueuedConnection);
        });
}

SearchDialog::~SearchDialog()
{
    // Stop the thread before anything it posts to goes away.
    runner_.reset();
}

void SearchDialog::present()
{
    if (!placed_ && parentWidget()) {
        // First showing: against the main window's right edge, where it hides the preview rather
        // than the code box that a chosen result scrolls.
        const QRect frame = parentWidget()->window()->frameGeometry();
        move(std::max(frame.left(), frame.right() - frameGeometry().width() - 16),
             frame.top() + frame.height() / 5);
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
    ui->query->setFocus();
    ui->query->selectAll();
}

void SearchDialog::startSearch()
{
    ui->results->clear();
    hits_.clear();
    ui->unreadable->clear();
    ui->unreadable->hide();
    const QString query = ui->query->text();
    if (query.isEmpty()) {
        runner_->cancel();
        ticket_ = 0;
        ui->status->clear();
        return;
    }
    ticket_ = runner_->start(query.toStdString());
    ui->status->setText(QStringLiteral("Търсене..."));
}

void SearchDialog::addHits(std::uint64_t ticket, std::vector<SearchHit>&& hits)
{
    if (ticket != ticket_)
        return;
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(hits.size()));
    for (auto& hit : hits) {
        rows.append(resultRow(hit, static_cast<int>(hits_.size())));
        hits_.push_back(std::move(hit));
    }
    const bool first = ui->results->topLevelItemCount() == 0;
    ui->results->addTopLevelItems(rows);
    if (first && !rows.isEmpty())
        ui->results->setCurrentItem(rows.front());
}

void SearchDialog::finish(std::uint64_t ticket, const SearchReport& report, const std::exception_ptr& failure)
{
    if (ticket != ticket_)
        return;
    ticket_ = 0;
    if (failure) {
        ui->status->clear();
        runGuarded(dialogs_, [&] { std::rethrow_exception(failure); });
        return;
    }
    const std::size_t total = report.nameMatches + report.textMatches;
    if (total == 0)
        ui->status->setText(QStringLiteral("Няма съвпадения."));
    else if (total > report.shown)
        ui->status->setText(
            QStringLiteral("Показани са първите %1 от %2 съвпадения.").arg(report.shown).arg(total));
    else
        ui->status->setText(QStringLiteral("Намерени съвпадения: %1").arg(total));
    const QString unreadable = unreadableText(report.unreadableScripts, report.unreadableLists);
    ui->unreadable->setText(unreadable);
    ui->unreadable->setVisible(!unreadable.isEmpty());
}

void SearchDialog::chooseCurrent()
{
    const QTreeWidgetItem* item = ui->results->currentItem();
    if (!item)
        return;
    // A copy: choosing may open a box whose event loop delivers further results.
    const SearchHit hit = hits_.at(static_cast<size_t>(item->data(kCategoryColumn, kHitIndexRole).toInt()));
    emit chosen(hit);
}

bool SearchDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == ui->query
            && (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp
                || key == Qt::Key_PageDown)) {
            // The arrows walk the results while the typing stays in the field.
            QApplication::sendEvent(ui->results, event);
            return true;
        }
        if (watched == ui->results && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            chooseCurrent();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SearchDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The library may have changed while the dialog was away.
    if (!ui->query->text().isEmpty())
        startSearch();
}

void SearchDialog::hideEvent(QHideEvent* event)
{
    runner_->cancel();
    ticket_ = 0;
    QDialog::hideEvent(event);
}

void selectSearchHit(QPlainTextEdit& codeBox, const SearchHit& hit)
{
    if (hit.kind != SearchHit::Kind::Text)
        return;
    const QTextBlock block = codeBox.document()->findBlockByNumber(static_cast<int>(hit.line));
    const int column = static_cast<int>(hit.column);
    const int length = static_cast<int>(hit.length);
    const QString matched =
        QString::fromStdString(hit.excerpt).mid(static_cast<int>(hit.excerptColumn), length);
    // The file may have changed since the search, or failed to load.
    if (!block.isValid() || block.text().mid(column, length) != matched)
        return;
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + column);
    cursor.setPosition(block.position() + column + length, QTextCursor::KeepAnchor);
    codeBox.setTextCursor(cursor);
    codeBox.centerCursor();
}

} // namespace corvane
