#include "librarytool/run.h"

#include "browser/pageprobe.h"
#include "library/scriptlibrary.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <QApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <tuple>

#include <fcntl.h>
#include <signal.h> // NOLINT(modernize-deprecated-headers): POSIX sigaction, not the C header
#include <unistd.h>

namespace fs = std::filesystem;

namespace corvane::librarytool {
namespace {

struct Page {
    std::string path;
    std::string relative;
};

// Every listed page that is a regular file, once, in list order.
std::vector<Page> listedPages(const std::string& directory)
{
    requireLibrary(directory);
    std::error_code error;
    const ScriptLibrary library(directory);
    std::vector<Page> pages;
    std::set<fs::path> seen;
    if (fs::exists(library.categoriesPath(), error) && !fs::is_regular_file(library.categoriesPath(), error))
        return pages;
    for (const auto& category : CategoryListFile(library.categoriesPath()).sectionNames()) {
        TextList names;
        try {
            if (!fs::is_regular_file(library.scriptListPath(category), error))
                continue;
            names = library.loadScriptList(category);
        } catch (const FileOpenError&) {
            continue;
        }
        for (const auto& name : names) {
            const std::string path = library.scriptPath(category, name);
            if (name.empty() || !fs::is_regular_file(path, error))
                continue;
            if (seen.insert(fs::canonical(path, error)).second)
                pages.push_back({path, category + kPathSeparator + name});
        }
    }
    return pages;
}

// The engine's notes on its set-up (no runtime folder, no sandbox as root, no GPU) are no
// findings; only its errors are let through.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// The engine runs in this process's Qt application, made for the run: no display is used.
std::unique_ptr<QApplication> startEngine()
{
    PageProbe::prepareEngine();
    qInstallMessageHandler(quietMessages);
    static int argc = 1;
    static char name[] = "corvane-library";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

// Ctrl+C, a hang-up or a termination ends the run through the event loop, so the engine shuts
// its processes down before the tool exits.
int interruptPipe[2] = {-1, -1};

void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(interruptPipe[1], &byte, 1);
}

class Interruption {
public:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

    explicit Interruption(QEventLoop& loop)
    {
        if (::pipe2(interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            throw ToolError("Cannot watch for Ctrl+C: " + trimMessageTail(std::strerror(errno)));
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &action, &previous_[i]);
        notifier_ = std::make_unique<QSocketNotifier>(interruptPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, &loop, [this, &loop] {
            interrupted_ = true;
            loop.quit();
        });
    }
    ~Interruption()
    {
        notifier_.reset();
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &previous_[i], nullptr);
        ::close(interruptPipe[0]);
        ::close(interruptPipe[1]);
        interruptPipe[0] = interruptPipe[1] = -1;
    }
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    bool interrupted() const { return interrupted_; }

private:
    struct sigaction previous_[std::size(kSignals)];
    std::unique_ptr<QSocketNotifier> notifier_;
    bool interrupted_ = false;
};

std::string utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

// An address as the findings show it: a file of the library by its path in the library.
std::string shownAddress(const QString& address, const std::string& directory)
{
    const QUrl url(address);
    if (!url.isLocalFile())
        return utf8(address);
    const std::string path = utf8(url.toLocalFile());
    const fs::path relative = fs::path(path).lexically_relative(fs::path(directory).lexically_normal());
    return !relative.empty() && *relative.begin() != ".." ? relative.generic_string() : path;
}

const char* kindName(PageEvent::Kind kind)
{
    switch (kind) {
    case PageEvent::Kind::ScriptError: return "script-error";
    case PageEvent::Kind::FailedLoad: return "failed-load";
    case PageEvent::Kind::Network: return "network";
    case PageEvent::Kind::Runaway: return "runaway";
    case PageEvent::Kind::Popup: return "popup";
    case PageEvent::Kind::Dialog: return "dialog";
    case PageEvent::Kind::Memory: return "memory";
    case PageEvent::Kind::Inactive: return "inactive";
    case PageEvent::Kind::NotRun: return "not-run";
    case PageEvent::Kind::Blank: break;
    }
    return "blank";
}

std::string message(const PageEvent& event, const std::string& directory)
{
    std::string text = utf8(event.text);
    switch (event.kind) {
    case PageEvent::Kind::ScriptError:
        if (!event.source.isEmpty())
            return text + " (" + shownAddress(event.source, directory)
                   + (event.line > 0 ? ", line " + std::to_string(event.line) : std::string()) + ")";
        return text;
    case PageEvent::Kind::FailedLoad: return "\"" + shownAddress(event.text, directory) + "\" did not load";
    case PageEvent::Kind::Network: return "asks for \"" + text + "\" off the machine (blocked)";
    case PageEvent::Kind::Popup:
        return text.empty() ? std::string("opens a window")
                            : "opens a window on \"" + shownAddress(event.text, directory) + "\"";
    case PageEvent::Kind::Dialog: return "shows a box, " + text;
    case PageEvent::Kind::Runaway:
    case PageEvent::Kind::Memory:
    case PageEvent::Kind::Inactive:
    case PageEvent::Kind::NotRun:
    case PageEvent::Kind::Blank: break;
    }
    return text;
}

// A page's finding, and whether it stands for the ones of its kind left out.
struct PageFinding {
    Finding finding;
    bool more = false;
};

PageFinding asFinding(const PageEvent& event, const Page& page, const std::string& directory)
{
    if (event.more > 0)
        return {{page.relative, 0, kindName(event.kind), "and " + std::to_string(event.more) + " more"},
                true};
    // A script error keeps its line in the page; the other kinds are about the whole page.
    const int line = event.kind == PageEvent::Kind::ScriptError && event.source.isEmpty() ? event.line : 0;
    std::string text = message(event, directory);
    if (event.earlier)
        text += " (from a page before this one)";
    return {{page.relative, line, kindName(event.kind), std::move(text)}, false};
}

} // namespace

std::vector<Finding> runLibraryPages(const std::string& folder, unsigned jobs, bool asToday,
                                     const ProgressFunction& progress)
{
    // The engine takes absolute addresses.
    std::string directory = fs::absolute(folder).lexically_normal().string();
    if (directory.empty() || directory.back() != kPathSeparator)
        directory += kPathSeparator;
    const std::vector<Page> pages = listedPages(directory);
    std::vector<PageFinding> found;
    if (pages.empty())
        return {};

    const std::unique_ptr<QApplication> application = startEngine();
    bool interrupted = false;
    {
        QEventLoop loop;
        const Interruption interruption(loop);
        PageProbe probe(static_cast<int>(std::min<std::size_t>(jobs, pages.size())), asToday);
        QStringList files;
        for (const auto& page : pages)
            files.append(QString::fromStdString(page.path));
        std::size_t done = 0;
        QObject::connect(&probe, &PageProbe::pageDone, &loop, [&] {
            if (progress)
                progress(++done, pages.size());
        });
        QObject::connect(&probe, &PageProbe::finished, &loop, &QEventLoop::quit);
        probe.start(files);
        loop.exec();
        interrupted = interruption.interrupted();
        for (std::size_t i = 0; !interrupted && i < pages.size(); ++i)
            for (const auto& event : probe.events(static_cast<int>(i)))
                found.push_back(asFinding(event, pages[i], directory));
    }
    if (interrupted)
        throw ToolError("interrupted: no findings were written");
    // Pages report in the order things happened to them, which varies from run to run; the
    // message settles the order within a place.
    std::vector<Finding> findings;
    std::vector<Finding> more;
    for (auto& f : found)
        (f.more ? more : findings).push_back(std::move(f.finding));
    std::sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return std::tie(a.path, a.line, a.kind, a.message) < std::tie(b.path, b.line, b.kind, b.message);
    });
    // "and N more" follows the last finding of its kind on its page.
    for (auto& m : more) {
        const auto last = std::find_if(findings.rbegin(), findings.rend(), [&](const Finding& f) {
            return f.path == m.path && f.kind == m.kind;
        });
        findings.insert(last.base(), std::move(m));
    }
    return findings;
}

} // namespace corvane::librarytool
