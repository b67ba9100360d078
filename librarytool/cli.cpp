#include "librarytool/cli.h"

#include "librarytool/add.h"
#include "librarytool/check.h"
#include "librarytool/export.h"
#include "librarytool/progress.h"
#include "librarytool/staging.h"
#include "platform/files.h"
#include "platform/pathtext.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <set>
#include <thread>

namespace corvane::librarytool {
namespace {

const char kUsage[] = R"(Usage: corvane-library check [DIR] [--json] [--ignore KIND]...
       corvane-library run [DIR] [--json] [--jobs N] [--as-today] [--ignore KIND]...
       corvane-library add [DIR] CATEGORY FILE...
       corvane-library export [DIR] OUT [--force]
       corvane-library --help | --version

DIR is a script library: categories.ini and a folder for each category with its
scripts.txt and scripts. Without DIR, the library beside this program is used.

check   Reads the library the way Corvane Scripts does and reports what is wrong
        in it, one finding a line ("path: kind: message", the message starting
        "line N: " where the finding has a line), sorted by path.
        Pages written for old browsers are found too (old-browser: Netscape
        layers, VBScript, ActiveX, IE filters, expressions and behaviours, and
        tests of document.all or the browser's name with no standard way beside
        them, whose branches never run in today's browsers), each with the
        standard way.
        --json         the findings as a JSON array of {path, line, kind, message}
        --ignore KIND  leave out the findings of that kind (may be repeated)
        Exit status: 0 clean, 1 findings, 2 the library could not be checked.

run     Loads every listed script in the browser engine of Corvane Scripts, with
        the preview's settings and its compatibility layer for old pages and
        without a display, lets it settle and reports in check's format:
        script-error (an uncaught error), failed-load (a picture, style, script or
        frame that did not load), network (a request off the machine; every one is
        blocked), runaway (a script stopped because the page stopped answering),
        popup, dialog (alert, confirm, prompt and print, answered at once), blank
        (a page that paints nothing but its background), inactive (a page that
        read document.all, document.layers or the browser's name and then
        created, changed or wrote nothing on the page: it took neither browser's
        way), not-run (with --as-today: VBScript or behaviors, which today's
        browsers skip without a word), memory (a page that took more than 512 MB;
        it is stopped and the run goes on). Ten findings of a kind a page, then
        "and N more". Nothing is written.
        --json, --ignore KIND  as for check
        --jobs N       pages at once (default: the number of processors)
        --as-today     without the compatibility layer, as today's browsers run
                       the pages
        Exit status: 0 clean, 1 findings, 2 the pages could not be run.

add     Adds the pages FILE... to CATEGORY, which is made when missing (a section
        at the end of categories.ini and its folder). Each page is re-encoded to
        Windows-1251 (from UTF-8; a page already in Windows-1251 is kept), its
        character-set declarations say so, its lines end in CR LF and the files it
        uses are copied beside it; its name is added to scripts.txt. DIR is given
        only with a CATEGORY and FILE after it and must hold categories.ini.
        A page is refused, and nothing is written, when it holds characters
        Windows-1251 lacks (listed with their lines), when its name is already
        listed (letter case ignored), when a name cannot be a folder or file name
        or would lead out of the library, when a file it uses is missing, lies
        above its folder, leads through a link out of it, is too large (16 MB for
        a page, style sheet or script, 256 MB for anything else) or would replace
        a different one, when two files of one name would share a place, and
        when check would find something in it; so is an add that would write
        through a link in the library.
        Every file is written whole through a temporary file and a rename; an
        add that was killed is completed by adding again, and what it left
        (check's leftover) goes with the next add.
        Exit status: 0 added, 1 refused, 2 the library could not be used.

export  Writes an offline gallery of the library to the new folder OUT:
        index.html with every category and script and a search field, and for
        each script a page with its live preview, its coloured source and a copy
        button. Everything is UTF-8. A script written for the old browsers gets
        the parts of the compatibility layer it needs beside its copy (NAME.compat.js,
        linked first in its head), so that it runs in today's browsers as in the
        preview. Nothing in DIR is written.
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

// Writes the findings not ignored and gives the exit status.
int report(std::vector<Finding> findings, const std::set<std::string>& ignored, bool json, std::FILE* out,
           std::FILE* err)
{
    findings.erase(std::remove_if(findings.begin(), findings.end(),
                                  [&](const Finding& f) { return ignored.count(f.kind) > 0; }),
                   findings.end());
    if (!writeAll(out, json ? findingsAsJson(findings) : findingsAsText(findings))) {
        std::fprintf(err, "corvane-library: cannot write the findings\n");
        return kCannotRun;
    }
    return findings.empty() ? kClean : kFindings;
}

bool isLibraryFolder(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(toPath(path) / "categories.ini", error);
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
    std::vector<std::string> positional;
    std::set<std::string> ignored;
    bool json = false;
    bool force = false;
    bool asToday = false;
    unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    bool optionsEnded = false;
    const bool findsThings = command == "check" || command == "run";
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        // An option's value: "--name VALUE" or "--name=VALUE".
        const auto valueOf = [&](const std::string& name, std::string& value) {
            if (argument == name && i + 1 < arguments.size()) {
                value = arguments[++i];
                return true;
            }
            if (argument.compare(0, name.size() + 1, name + "=") == 0) {
                value = argument.substr(name.size() + 1);
                return true;
            }
            return false;
        };
        std::string value;
        if (!optionsEnded && argument == "--")
            optionsEnded = true;
        else if (!optionsEnded && findsThings && argument == "--json")
            json = true;
        else if (!optionsEnded && findsThings && valueOf("--ignore", value))
            ignored.insert(value);
        else if (!optionsEnded && command == "run" && valueOf("--jobs", value)) {
            if (value.empty() || value.size() > 4
                || value.find_first_not_of("0123456789") != std::string::npos || std::stoul(value) == 0)
                return usageError(err, "--jobs takes a number of pages from 1 to 9999");
            jobs = static_cast<unsigned>(std::stoul(value));
        } else if (!optionsEnded && command == "run" && argument == "--as-today")
            asToday = true;
        else if (!optionsEnded && command == "export" && argument == "--force")
            force = true;
        else if (!optionsEnded && argument.size() > 1 && argument[0] == '-')
            return usageError(err, "unknown option \"" + argument + "\" for " + command);
        else
            positional.push_back(argument);
    }

    TerminalProgress progressBar(err, invocation.progressOnTerminal);
    const ProgressFunction progress = [&](std::size_t done, std::size_t total) {
        progressBar.update(done, total);
    };
    try {
        if (command == "check" || command == "run") {
            if (positional.size() > 1)
                return usageError(err, command + " takes one library folder");
            const std::string directory =
                asDirectory(positional.empty() ? invocation.defaultDirectory : positional[0]);
            if (command == "check") {
                auto findings = checkLibrary(directory, progress);
                progressBar.finish();
                return report(std::move(findings), ignored, json, out, err);
            }
            if (!invocation.runPages) {
                std::fprintf(err,
                             "corvane-library: run needs the browser engine, which this build leaves out\n");
                return kCannotRun;
            }
            auto findings = invocation.runPages(directory, jobs, asToday, progress);
            progressBar.finish();
            return report(std::move(findings), ignored, json, out, err);
        }
        if (command == "add") {
            // DIR comes first only when a CATEGORY and a FILE follow it and it is a library.
            const bool withDirectory = positional.size() >= 3 && isLibraryFolder(positional[0]);
            if (positional.size() < 2)
                return usageError(err, "add takes a category and the pages to add");
            const std::string directory =
                asDirectory(withDirectory ? positional[0] : invocation.defaultDirectory);
            const std::size_t first = withDirectory ? 1 : 0;
            const std::vector<std::string> files(positional.begin() + static_cast<std::ptrdiff_t>(first) + 1,
                                                 positional.end());
            const AddReport added = addScripts(directory, positional[first], files);
            if (!added.refusals.empty()) {
                for (const auto& refusal : added.refusals)
                    printLine(err, "corvane-library: " + refusal);
                printLine(err, "corvane-library: nothing was added");
                return kFindings;
            }
            for (const auto& name : added.scripts)
                printLine(out, "Added " + name + " to " + positional[first]);
            if (added.newCategory)
                printLine(out, "New category " + positional[first]);
            std::fflush(out);
            return kClean;
        }
        if (command == "export") {
            if (positional.empty() || positional.size() > 2)
                return usageError(err,
                                  "export takes an optional library folder and the gallery folder to write");
            const std::string directory =
                asDirectory(positional.size() == 2 ? positional[0] : invocation.defaultDirectory);
            const std::string& target = positional.back();
            const InterruptGuard stopCleanly;
            const ExportReport report = exportGallery(directory, target, force, progress);
            progressBar.finish();
            for (const auto& skipped : report.skipped)
                printLine(err, "corvane-library: left out: " + skipped);
            printLine(out, "Gallery written to " + target + kPathSeparator
                               + "index.html (scripts: " + std::to_string(report.scripts) + ")");
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
