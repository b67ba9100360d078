#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QWebEngineProfile;

namespace corvane {

// One thing a page did, or failed to do, while it was probed.
struct PageEvent {
    enum class Kind {
        ScriptError,
        FailedLoad,
        Network,
        Runaway,
        Popup,
        Dialog,
        Blank,
        Inactive,
        NotRun,
        Memory
    };
    Kind kind = Kind::ScriptError;
    QString text;         // the error's message, the address, the dialog's text
    QString source;       // the script the error is in; empty for the page itself
    int line = 0;         // in `source`, from 1; 0 when there is none
    bool earlier = false; // made by a page this one came after, which one is not known
    int more = 0;         // not an event: this many more of its kind were left out
};

class ProbeSlot;

// Loads local pages without a display the way the preview shows them (its settings, the
// runaway guard, the console's capture), `jobs` at once, in a profile that keeps nothing on
// disk. Nothing leaves the machine: every request off it is blocked and reported. Popups are
// counted instead of shown and the page's boxes answered at once. Pages are laid out but not
// painted; their animation frames come from a timer. Each page is given up to kSettleMs after
// it has loaded for the short timers it set to run before it is judged blank or not; a page that
// set none is judged at once. Pages get the compatibility layer as the preview gives it, unless
// `asToday`; a page that read the browser's name and then did nothing by then is inactive. What a
// page does late, after the next one has started (a worker, a frame, a timer), is still its own.
// Of each kind a page keeps kEventsPerKind events, and the count of the rest.
class PageProbe : public QObject {
    Q_OBJECT
public:
    static constexpr int kSettleMs = 300;
    static constexpr int kEventsPerKind = 10;
    // A page still loading after this long is stopped and reported as a runaway.
    static constexpr int kPageLimitMs = 30000;

    // Settles what the engine needs for probing, before the QApplication exists: no display, and
    // the pages' timers not slowed down for being hidden.
    static void prepareEngine();

    explicit PageProbe(int jobs, bool asToday = false, QObject* parent = nullptr);
    ~PageProbe() override;

    // Probes the files (absolute paths) in turn; pageDone() comes once for each, in any order,
    // then finished().
    void start(const QStringList& files);
    // What the page of that index did, in the order it happened, then for each kind with more
    // than kEventsPerKind one event standing for the rest; complete once finished() has come (a
    // page may still report a late error while the next one loads).
    QList<PageEvent> events(int index) const;

signals:
    void pageDone(int index);
    void finished();

private:
    void add(int index, const PageEvent& event);
    void next(ProbeSlot* slot);

    std::unique_ptr<QWebEngineProfile> profile_;
    std::vector<std::unique_ptr<ProbeSlot>> slots_;
    QStringList files_;
    std::vector<QList<PageEvent>> events_;
    std::vector<QSet<QString>> seen_;
    std::vector<QHash<int, int>> perKind_; // kind -> events of that kind, kept or not
    int next_ = 0;
    int done_ = 0;
};

} // namespace corvane
