#include "browser/consolemessages.h"

#include <QBrush>
#include <QColor>
#include <QUrl>

#include <algorithm>
#include <iterator>
#include <utility>

namespace corvane {
namespace {

QString levelName(ConsoleMessage::Level level)
{
    switch (level) {
    case ConsoleMessage::Level::Error: return QStringLiteral("Грешка");
    case ConsoleMessage::Level::Warning: return QStringLiteral("Предупреждение");
    case ConsoleMessage::Level::Info: break;
    }
    return QStringLiteral("Съобщение");
}

// What the console calls a file that failed to load, by the element that asked for it.
QString failedWhat(const QString& tag)
{
    if (tag == QLatin1String("img") || tag == QLatin1String("image") || tag == QLatin1String("input"))
        return QStringLiteral("картина");
    if (tag == QLatin1String("script"))
        return QStringLiteral("скрипт");
    if (tag == QLatin1String("link"))
        return QStringLiteral("стил");
    if (tag == QLatin1String("iframe") || tag == QLatin1String("frame"))
        return QStringLiteral("рамка");
    return QStringLiteral("файл");
}

QString fileName(const QString& address)
{
    const QString name = QUrl(address).fileName();
    return name.isEmpty() ? address : name;
}

} // namespace

ConsoleModel::ConsoleModel(QObject* parent)
    : QAbstractListModel(parent)
{
    batch_.setInterval(kBatchMs);
    connect(&batch_, &QTimer::timeout, this, [this] {
        if (waiting_.empty())
            batch_.stop();
        else
            flush();
    });
}

void ConsoleModel::add(const ConsoleMessage& message)
{
    if (message.kind == ConsoleMessage::Kind::Compat && message.level == ConsoleMessage::Level::Info
        && replaceCompatLine(message))
        return;
    if (message.level == ConsoleMessage::Level::Error)
        ++errors_;
    if (static_cast<int>(waiting_.size()) >= kConsoleLimit) {
        waiting_.pop_front();
        ++dropped_;
    }
    waiting_.push_back(message);
    // After a quiet spell at once; in a stream, with the next batch.
    if (!batch_.isActive()) {
        flush();
        batch_.start();
    }
}

// The layer's info line is one a document, updated as it grows: the newest one of the same page
// since the last separator, still waiting or already shown, takes the new text.
bool ConsoleModel::replaceCompatLine(const ConsoleMessage& message)
{
    const auto same = [&message](const ConsoleMessage& line) {
        return line.kind == message.kind && line.level == message.level && line.source == message.source;
    };
    for (auto line = waiting_.rbegin(); line != waiting_.rend(); ++line) {
        if (line->kind == ConsoleMessage::Kind::Separator)
            return false;
        if (same(*line)) {
            *line = message;
            return true;
        }
    }
    for (std::size_t i = messages_.size(); i-- > 0;) {
        if (messages_[i].kind == ConsoleMessage::Kind::Separator)
            return false;
        if (same(messages_[i])) {
            messages_[i] = message;
            const QModelIndex changed = index(static_cast<int>(i));
            emit dataChanged(changed, changed);
            return true;
        }
    }
    return false;
}

void ConsoleModel::flush()
{
    const int incoming = static_cast<int>(waiting_.size());
    const int overflow = static_cast<int>(messages_.size()) + incoming - kConsoleLimit;
    if (overflow > 0) {
        beginRemoveRows(QModelIndex(), 0, overflow - 1);
        messages_.erase(messages_.begin(), messages_.begin() + overflow);
        endRemoveRows();
        dropped_ += overflow;
    }
    if (incoming > 0) {
        const int row = static_cast<int>(messages_.size());
        beginInsertRows(QModelIndex(), row, row + incoming - 1);
        std::move(waiting_.begin(), waiting_.end(), std::back_inserter(messages_));
        endInsertRows();
        waiting_.clear();
    }
    if (dropped_ != shownDropped_)
        emit droppedCountChanged(shownDropped_ = dropped_);
    if (errors_ != shownErrors_)
        emit errorCountChanged(shownErrors_ = errors_);
}

void ConsoleModel::addSeparator(const QString& address)
{
    ConsoleMessage separator;
    separator.kind = ConsoleMessage::Kind::Separator;
    separator.text = address;
    add(separator);
}

void ConsoleModel::clear()
{
    waiting_.clear();
    if (messages_.empty() && errors_ == 0 && dropped_ == 0)
        return;
    beginResetModel();
    messages_.clear();
    endResetModel();
    errors_ = shownErrors_ = 0;
    emit errorCountChanged(0);
    dropped_ = 0;
    if (std::exchange(shownDropped_, 0) != 0)
        emit droppedCountChanged(0);
}

int ConsoleModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(messages_.size());
}

QString ConsoleModel::displayText(const ConsoleMessage& message)
{
    switch (message.kind) {
    case ConsoleMessage::Kind::Separator:
        return QStringLiteral("――― ") + message.text + QStringLiteral(" ―――");
    case ConsoleMessage::Kind::FailedLoad:
        return QStringLiteral("Не се зареди ") + message.text + QStringLiteral(": ") + message.source;
    case ConsoleMessage::Kind::RunawayStop:
    case ConsoleMessage::Kind::MemoryStop:
    case ConsoleMessage::Kind::Refused:
    case ConsoleMessage::Kind::Popup: return message.text + QStringLiteral(": ") + message.source;
    case ConsoleMessage::Kind::Compat:
        return message.level == ConsoleMessage::Level::Info
                   ? message.text
                   : levelName(message.level) + QStringLiteral(": ") + message.text;
    case ConsoleMessage::Kind::Script: break;
    }
    QString text = levelName(message.level) + QStringLiteral(": ") + message.text;
    if (!message.source.isEmpty()) {
        text += QStringLiteral("  (") + fileName(message.source);
        if (message.line > 0)
            text += QLatin1Char(':') + QString::number(message.line);
        text += QLatin1Char(')');
    }
    return text;
}

QVariant ConsoleModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ConsoleMessage& m = message(index.row());
    switch (role) {
    case Qt::DisplayRole: return displayText(m);
    case Qt::ToolTipRole: return m.source.isEmpty() ? QVariant() : QVariant(m.source);
    case Qt::ForegroundRole:
        if (m.kind == ConsoleMessage::Kind::Separator)
            return QBrush(QColor(0x80, 0x80, 0x80));
        if (m.level == ConsoleMessage::Level::Error)
            return QBrush(QColor(0xb0, 0x00, 0x00));
        if (m.level == ConsoleMessage::Level::Warning)
            return QBrush(QColor(0x80, 0x60, 0x00));
        return {};
    case SourceRole: return m.source;
    case LineRole: return m.line;
    case KindRole: return static_cast<int>(m.kind);
    case LevelRole: return static_cast<int>(m.level);
    default: return {};
    }
}

ConsoleCapture::ConsoleCapture(QWebEnginePage* page)
    : QObject(page)
{
}

void ConsoleCapture::failedLoad(const QString& tag, const QString& address)
{
    ConsoleMessage m;
    m.kind = ConsoleMessage::Kind::FailedLoad;
    m.level = ConsoleMessage::Level::Error;
    m.text = failedWhat(tag);
    m.source = address;
    emit message(m);
}

void ConsoleCapture::pageMessage(QWebEnginePage::JavaScriptConsoleMessageLevel level, const QString& text,
                                 int line, const QString& source)
{
    // The engine's own error page talks too; it is not the page's.
    if (source.startsWith(QLatin1String("chrome-error:")))
        return;
    ConsoleMessage m;
    m.text = text;
    m.source = source;
    m.line = line;
    m.level = level == QWebEnginePage::ErrorMessageLevel     ? ConsoleMessage::Level::Error
              : level == QWebEnginePage::WarningMessageLevel ? ConsoleMessage::Level::Warning
                                                             : ConsoleMessage::Level::Info;
    emit message(m);
}

} // namespace corvane
