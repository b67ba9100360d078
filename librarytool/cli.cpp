#include "librarytool/cli.h"

#include "librarytool/check.h"
#include "librarytool/export.h"
#include "librarytool/progress.h"
#include "librarytool/staging.h"
#include "platform/files.h"

#include <exception>

namespace corvane::librarytool {
namespace {

const char kUsage[] = R"(Usage: corvane-library check [DIR] [--json]
       corvane-library export [DIR] OUT [--force]
       corvane-library --help | --version

DIR is a script library: categories.ini and a folder for each category with its
scripts.txt and scripts. Without DIR, the library beside this program is used.

check   Reads the library the way Corvane Scripts does and reports what is wrong
        in it, one finding a line ("path: kind: message", the message starting
        "line N: " where the finding has a line), sorted by path.
        --json   the findings as a JSON array of {path, line, kind, message}
        Exit status: 0 clean, 1 findings, 2 the library could not be checked.

export  Writes an offline gallery of the library to the new folder OUT:
        index.html with every category and script and a search field, and for
        each script a page with its live preview, its coloured source and a copy
        button. Everything is UTF-8. Nothing in DIR is written.
        --force  replace OUT when it holds a gallery this tool wrote (a folder
                 of anything else is never emptied)
        Exit status: 0 done, 1 done but some scripts were left out (listed on
        stderr), 2 nothing was written.
)";

constexpr int kClean = 0;
constexpr int kFindings = 1;
constexpr int kCannotRun = 2;

// Every line the tool prints about a library goes through here: names in it come from files
// anyone may have written, so they are shown with their control characters escaped and a name
// of megabytes is cut short.
void printLine(std::FILE* stream, const std::string& text)
{
    const std::string line = forTerminal(shortened(displayName(text), 2000)) + "\n";
    std::fwrite(line.data(), 1, line.size(), stream);
}

int usageError(std::FILE* err, const std::string& message)
{
    printLine(err, "corvane-library: " + message);
    std::fputs("Try \"corvane-library --help\".\n", err);
    return kCannotRun;
}

std::string asDirectory(std::string path)
{
    if (path.empty() || path.back() != kPathSeparator)
        path += kPathSeparator;
    return path;
}

// Writes the text whole, or says it could not.
bool writeAll(std::FILE* stream, const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size() && std::fflush(stream) == 0;
}

} // namespace

int runLibraryTool(const Invocation& invocation, std::FILE* out, std::FILE* err)
{
    const auto& arguments = invocation.arguments;
    for (const auto& argument : arguments) {
        if (argument == "--")
            break;
        if (argument == "--help" || argument == "-h") {
            return writeAll(out, kUsage) ? kClean : kCannotRun;
        }
        if (argument == "--version")
            return writeAll(out, "corvane-library " CORVANE_VERSION "\n") ? kClean : kCannotRun;
    }
    if (arguments.empty())
        return usageError(err, "no command given");

    const std::string& command = arguments.front();
#ifdef CORVANE_TOOL_WITHOUT_ENGINE
    if (command == "run") {
        std::fprintf(err, "corvane-library: run loads pages in Qt WebEngine, which this build of the tool does not "
                          "have; check and export work without it\n");
        return kCannotRun;
    }
#endif
    std::vector<std::string> positional;
    bool json = false;
    bool force = false;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && argument == "--")
            optionsEnded = true;
        else if (!optionsEnded && command == "check" && argument == "--json")
            json = true;
        else if (!optionsEnded && command == "export" && argument == "--force")
            force = true;
        else if (!optionsEnded && argument.size() > 1 && argument[0] == '-')
            return usageError(err, "unknown option \"" + argument + "\" for " + command);
        else
            positional.push_back(argument);
    }

    TerminalProgress progressBar(err, invocation.progressOnTerminal);
    const ProgressFunction progress = [&](std::size_t done, std::size_t total) { progressBar.update(done, total); };
    try {
        if (command == "check") {
            if (positional.size() > 1)
                return usageError(err, "check takes one library folder");
            const std::string directory = asDirectory(positional.empty() ? invocation.defaultDirectory : positional[0]);
            const auto findings = checkLibrary(directory, progress);
            progressBar.finish();
            if (!writeAll(out, json ? findingsAsJson(findings) : findingsAsText(findings))) {
                std::fprintf(err, "corvane-library: cannot write the findings\n");
                return kCannotRun;
            }
            return findings.empty() ? kClean : kFindings;
        }
        if (command == "export") {
            if (positional.empty() || positional.size() > 2)
                return usageError(err, "export takes an optional library folder and the gallery folder to write");
            const std::string directory = asDirectory(positional.size() == 2 ? positional[0] : invocation.defaultDirectory);
            const std::string& target = positional.back();
            const InterruptGuard stopCleanly;
            const ExportReport report = exportGallery(directory, target, force, progress);
            progressBar.finish();
            for (const auto& skipped : report.skipped)
                printLine(err, "corvane-library: left out: " + skipped);
            printLine(out, "Gallery written to " + target + kPathSeparator + "index.html (scripts: "
                               + std::to_string(report.scripts) + ")");
            std::fflush(out);
            return report.skipped.empty() ? kClean : kFindings;
        }
    } catch (const std::exception& e) {
        progressBar.finish();
        printLine(err, std::string("corvane-library: ") + e.what());
        return kCannotRun;
    }
    return usageError(err, "unknown command \"" + command + "\"");
}

} // namespace corvane::librarytool
