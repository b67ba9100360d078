#pragma once

#include <QAbstractListModel>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QWebEnginePage>

#include <deque>

namespace corvane {

// One line of the console: what a page said, what it failed to load, or what the program did to it.
struct ConsoleMessage {
    // Compat: what the compatibility layer did for the page (an info line, kept one a document
    // and updated as it grows), or an error of the layer's own.
    enum class Kind { Script, FailedLoad, RunawayStop, Popup, Separator, Refused, MemoryStop, Compat };
    enum class Level { Info, Warning, Error };

    Kind kind = Kind::Script;
    Level level = Level::Info;
    QString text;
    QString source; // the script's address; for a failed load, the address that failed
    int line = 0;   // 1-based; 0 when the message has no line
};

// The console's messages since it was last cleared, the newest last; the oldest go beyond
// kConsoleLimit and are only counted. Messages come in batches: one arriving after a quiet spell
// shows at once, a stream of them at most every kBatchMs, so that a page flooding the console
// costs the program little whether a window shows it or not. Knows nothing of that window.
class ConsoleModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int kConsoleLimit = 1000;
    static constexpr int kBatchMs = 100;
    enum Role { SourceRole = Qt::UserRole + 1, LineRole, KindRole, LevelRole };

    explicit ConsoleModel(QObject* parent = nullptr);

    // A layer's info line replaces the one of the same document since the last clearing.
    void add(const ConsoleMessage& message);
    // Marks where the page went on to another address by itself.
    void addSeparator(const QString& address);
    // Shows what is waiting for the next batch now.
    void flush();
    void clear();
    // Errors since the last clearing, those dropped beyond the limit included.
    int errorCount() const { return errors_; }
    // Messages since the last clearing that were dropped beyond the limit.
    int droppedCount() const { return dropped_; }
    const ConsoleMessage& message(int row) const { return messages_[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The line as the console shows it.
    static QString displayText(const ConsoleMessage& message);

signals:
    void errorCountChanged(int count);
    void droppedCountChanged(int count);

private:
    bool replaceCompatLine(const ConsoleMessage& message);
    std::deque<ConsoleMessage> messages_;
    std::deque<ConsoleMessage> waiting_; // for the next batch, at most kConsoleLimit
    QTimer batch_;
    int errors_ = 0;
    int shownErrors_ = 0; // the count last announced
    int dropped_ = 0;
    int shownDropped_ = 0;
};

// The page side of the console: turns the page's console calls, uncaught errors and the reports
// of the pictures, styles, scripts and frames that failed to load into messages. The page
// forwards its javaScriptConsoleMessage() calls and those reports here.
class ConsoleCapture : public QObject {
    Q_OBJECT
public:
    explicit ConsoleCapture(QWebEnginePage* page);

    void pageMessage(QWebEnginePage::JavaScriptConsoleMessageLevel level, const QString& text, int line,
                     const QString& source);
    // `tag` is the element that asked for `address`.
    void failedLoad(const QString& tag, const QString& address);

signals:
    void message(const ConsoleMessage& message);
};

} // namespace corvane
