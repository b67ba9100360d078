#include "librarytool/add.h"

#include "library/textlist.h"
#include "librarytool/check.h"
#include "librarytool/findings.h"
#include "pages/pagenames.h"
#include "pages/pagescan.h"
#include "pages/recode.h"
#include "platform/ascii.h"
#include "platform/casefold.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/lines.h"
#include "platform/pathtext.h"
#include "platform/profile.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <random>
#include <set>

#ifndef _WIN32
#include <signal.h> // NOLINT(modernize-deprecated-headers): POSIX sigaction, not the C header
#endif

namespace fs = std::filesystem;

namespace corvane::librarytool {
namespace {

using pages::addressToPath;
using pages::declareCharset;
using pages::declareStyleCharset;
using pages::isRelativeAddress;
using pages::isWebPageName;
using pages::LineCounter;
using pages::PageReference;
using pages::scanPage;
using pages::scanStyle;

const char kCrLf[] = "\r\n";

std::string inQuotes(const std::string& name)
{
    return "\"" + displayName(name) + "\"";
}

// Why `name` cannot name a folder or a file in a library that Windows reads too, or empty.
std::string whyNotAName(const std::string& name)
{
    if (name.empty())
        return "an empty name";
    if (!isValidUtf8(name) || cp1251ToUtf8(utf8ToCp1251(name)) != name)
        return "it holds characters Windows-1251 lacks";
    if (name == "." || name == "..")
        return "it names a folder that is already there";
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20
            || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return "it holds a character Windows keeps out of names (< > : \" / \\ | ? * or a control character)";
    if (name.front() == ' ' || name.back() == ' ' || name.back() == '.')
        return "it starts with a space or ends with a space or a full stop, which Windows drops";
    const std::string stem = asciiLowered(name.substr(0, name.find('.')));
    static const char* const kDevices[] = {"con", "prn", "aux", "nul"};
    const bool numbered = stem.size() == 4
                          && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0)
                          && stem[3] >= '1' && stem[3] <= '9';
    if (numbered || std::find(std::begin(kDevices), std::end(kDevices), stem) != std::end(kDevices))
        return "Windows keeps the name for a device";
    return {};
}

// Every line break as CR LF.
std::string withCrLf(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t at = 0; at < text.size();) {
        const LineView line = lineAt(text, at);
        out += line.text;
        if (line.broken)
            out += kCrLf;
        at = line.next;
    }
    return out;
}

// A text file as Windows-1251: UTF-8 (with or without its byte-order mark) is converted, anything
// else is taken to be Windows-1251 already. What the code page lacks goes to `refusals`.
std::string toCp1251(const std::string& bytes, const std::string& shown, std::vector<std::string>& refusals)
{
    const bool bom = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    const std::string_view text = std::string_view(bytes).substr(bom ? 3 : 0);
    const bool utf8 = isValidUtf8(bytes) && (bom || std::any_of(text.begin(), text.end(), [](char c) {
                                                 return static_cast<unsigned char>(c) >= 0x80;
                                             }));
    if (!utf8)
        return std::string(text);
    LineCounter lines(text);
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        if (length > 1 && utf8ToCp1251(text.substr(i, length)) == "?")
            refusals.push_back(shown + " line " + std::to_string(lines.lineAt(i)) + ": \""
                               + std::string(text.substr(i, length)) + "\" has no place in Windows-1251");
        i += length;
    }
    return utf8ToCp1251(text);
}

std::string randomSuffix()
{
    static std::mt19937 generator{std::random_device{}()};
    return std::to_string(generator() % 1000000000u);
}

// Ctrl+C and the like wait while files are renamed into place, so the add ends complete.
class SignalsHeld {
public:
    SignalsHeld()
    {
#ifndef _WIN32
        sigset_t held;
        sigemptyset(&held);
        for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            sigaddset(&held, s);
        sigprocmask(SIG_BLOCK, &held, &previous_);
#endif
    }
    ~SignalsHeld()
    {
#ifndef _WIN32
        sigprocmask(SIG_SETMASK, &previous_, nullptr);
#endif
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
#ifndef _WIN32
    sigset_t previous_;
#endif
};

class Adder {
public:
    Adder(const std::string& directory, std::string category)
        : root_(toPath(directory).lexically_normal())
        , directory_(directory)
        , category_(std::move(category))
    {
    }

    AddReport run(const std::vector<std::string>& files, const AddStepHook& afterEachStep);

private:
    void readCategories();
    void readList();
    void preparePage(const std::string& file);
    void prepareFile(const fs::path& source, const fs::path& target, const std::string& shown);
    void commit(const AddStepHook& afterEachStep);
    void refuse(std::string why) { report_.refusals.push_back(std::move(why)); }

    fs::path root_;
    std::string directory_;
    std::string category_;
    AddReport report_;
    std::string categoriesBytes_;
    std::string listBytes_;
    bool listExists_ = false;
    std::map<std::string, int> listed_; // folded name -> line
    // What is to be written, by path relative to the library ("/" separated); the list and
    // categories.ini are written last, so an add cut short adds nothing a user sees.
    std::map<fs::path, std::string> files_;
    std::set<fs::path> looked_;
};

AddReport Adder::run(const std::vector<std::string>& files, const AddStepHook& afterEachStep)
{
    readCategories();
    if (const std::string why = whyNotAName(category_); !why.empty())
        refuse("the category " + inQuotes(category_) + " cannot be a folder name: " + why);
    if (!report_.refusals.empty())
        return std::move(report_);
    readList();
    for (const auto& file : files)
        preparePage(file);
    if (!report_.refusals.empty())
        return std::move(report_);

    // What check would find in a page is refused too: the library stays clean.
    for (const auto& name : report_.scripts) {
        std::vector<Finding> findings;
        const fs::path relative = toPath(category_) / toPath(name);
        checkPageBytes(files_.at(relative), genericPathText(relative), findings);
        if (!findings.empty()) {
            std::string text = findingsAsText(findings);
            text.pop_back();
            refuse(text);
        }
    }
    if (report_.refusals.empty())
        commit(afterEachStep);
    return std::move(report_);
}

void Adder::readCategories()
{
    const std::string path = directory_ + "categories.ini";
    requireLibrary(directory_);
    std::error_code error;
    if (!fs::is_regular_file(toPath(path), error))
        throw ToolError("Cannot open file \"" + displayName(path) + "\". It is not a regular file");
    categoriesBytes_ = readWholeFile(path);
    const auto sections = parseSectionNames(categoriesBytes_, std::numeric_limits<std::size_t>::max());
    if (std::find(sections.begin(), sections.end(), category_) != sections.end())
        return;
    for (const auto& section : sections)
        if (foldCase(section) == foldCase(category_)) {
            refuse("the category " + inQuotes(category_) + " differs only in letter case from "
                   + inQuotes(section) + ", which Windows takes for the same folder");
            return;
        }
    std::size_t used = category_.size() + 1;
    for (const auto& section : parseSectionNames(categoriesBytes_))
        used += utf8ToCp1251(section).size() + 1;
    if (used + 2 > kSectionNamesBudget)
        refuse("the category " + inQuotes(category_) + " does not fit the "
               + std::to_string(kSectionNamesBudget) + "-byte category list the program reads");
    report_.newCategory = true;
}

void Adder::readList()
{
    const std::string folder = directory_ + category_;
    std::error_code error;
    if (fs::exists(fs::symlink_status(toPath(folder), error)) && !fs::is_directory(toPath(folder), error)) {
        refuse("the category folder " + inQuotes(category_) + " is a file");
        return;
    }
    const std::string list = folder + kPathSeparator + "scripts.txt";
    listExists_ = fs::exists(fs::symlink_status(toPath(list), error));
    if (!listExists_)
        return;
    listBytes_ = readWholeFile(list);
    const TextList lines = splitTextList(listBytes_);
    for (std::size_t i = 0; i < lines.size(); ++i)
        listed_.emplace(foldCase(cp1251ToUtf8(lines[i])), static_cast<int>(i) + 1);
}

void Adder::preparePage(const std::string& file)
{
    const std::string name = pathText(toPath(file).filename());
    if (const std::string why = whyNotAName(name); !why.empty()) {
        refuse(inQuotes(file) + " cannot be a script name: " + why);
        return;
    }
    const auto [it, inserted] = listed_.emplace(foldCase(name), 0);
    if (!inserted) {
        refuse(inQuotes(name)
               + (it->second > 0 ? " is already listed in " + inQuotes(category_) + " (line "
                                       + std::to_string(it->second) + " of scripts.txt)"
                                 : " is given twice"));
        return;
    }
    report_.scripts.push_back(name);
    prepareFile(toPath(file), toPath(category_) / toPath(name), inQuotes(file));
}

// Reads one file to be added, prepared as the library keeps it, and the files it uses.
void Adder::prepareFile(const fs::path& source, const fs::path& target, const std::string& shown)
{
    if (!looked_.insert(target).second)
        return;
    std::string bytes;
    try {
        bytes = readWholeFile(pathText(source));
    } catch (const FileOpenError& e) {
        refuse(e.what());
        return;
    }
    const std::string name = pathText(target.filename());
    const std::string extension = asciiLowered(pathText(target.extension()));
    std::vector<PageReference> references;
    if (isWebPageName(name) || extension == ".css" || extension == ".js") {
        bytes = withCrLf(toCp1251(bytes, shown, report_.refusals));
        if (isWebPageName(name)) {
            // Only declarations there are change (what the page loads is copied in Windows-1251
            // too); a page without one is read as Windows-1251 already.
            if (!scanPage(bytes).charsets.empty())
                bytes = declareCharset(bytes, "windows-1251");
            references = scanPage(bytes).references;
        } else if (extension == ".css") {
            bytes = declareStyleCharset(bytes, "windows-1251");
            scanStyle(bytes, 0, references);
        }
    }

    // A file already there is kept when it is the same, and never replaced by another.
    const std::string existing = pathText(root_ / target);
    std::error_code error;
    if (fs::exists(fs::symlink_status(toPath(existing), error))) {
        const auto same = readFileIfReadable(existing);
        if (!same || *same != bytes) {
            refuse(shown + " would replace " + inQuotes(genericPathText(target))
                   + ", which is already in the library");
            return;
        }
    } else {
        files_[target] = bytes;
    }

    for (const auto& reference : references) {
        const std::string_view address = std::string_view(bytes).substr(reference.offset, reference.length);
        if (!reference.loads || !isRelativeAddress(address))
            continue;
        const std::string path = addressToPath(cp1251ToUtf8(address));
        if (path.empty())
            continue;
        const fs::path used = (target.parent_path() / toPath(path)).lexically_normal();
        if (used.empty() || used.is_absolute() || *used.begin() == "..") {
            refuse(shown + " uses " + inQuotes(path) + ", which would lie outside the library");
            continue;
        }
        const fs::path from = source.parent_path() / toPath(path);
        if (!fs::is_regular_file(from, error)) {
            refuse(shown + " uses " + inQuotes(path) + ", which is not there (" + inQuotes(pathText(from))
                   + ")");
            continue;
        }
        prepareFile(from, used, inQuotes(pathText(from)));
    }
}

void Adder::commit(const AddStepHook& afterEachStep)
{
    std::string list = listBytes_;
    if (!list.empty() && list.back() != '\r' && list.back() != '\n')
        list += kCrLf;
    for (const auto& name : report_.scripts)
        list += utf8ToCp1251(name) + kCrLf;
    std::vector<std::pair<fs::path, std::string>> writes(files_.begin(), files_.end());
    writes.emplace_back(toPath(category_) / "scripts.txt", list);
    if (report_.newCategory) {
        std::string categories = categoriesBytes_;
        if (!categories.empty() && categories.back() != '\r' && categories.back() != '\n')
            categories += kCrLf;
        writes.emplace_back("categories.ini", categories + "[" + utf8ToCp1251(category_) + "]" + kCrLf);
    }

    const SignalsHeld held;
    std::vector<fs::path> madeFolders;
    std::vector<fs::path> placed;
    fs::path temporary;
    bool listReplaced = false;
    // The last rename (the list of an existing category, categories.ini for a new one) adds the
    // pages; everything before it is undone when a step fails.
    const auto put = [&](const fs::path& relative, const std::string& bytes) {
        fs::path target = root_ / relative;
        std::vector<fs::path> missing;
        for (fs::path folder = target.parent_path(); !fs::exists(folder); folder = folder.parent_path())
            missing.push_back(folder);
        for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
            fs::create_directory(*it);
            madeFolders.push_back(*it);
        }
        temporary =
            target.parent_path() / toPath("." + pathText(target.filename()) + ".tmp-" + randomSuffix());
        writeWholeFile(pathText(temporary), bytes);
        fs::rename(temporary, target);
        temporary.clear();
        return target;
    };
    try {
        for (std::size_t i = 0; i + 1 < writes.size(); ++i) {
            const fs::path target = put(writes[i].first, writes[i].second);
            if (writes[i].first == toPath(category_) / "scripts.txt" && listExists_)
                listReplaced = true;
            else
                placed.push_back(target);
            if (afterEachStep)
                afterEachStep(genericPathText(writes[i].first));
        }
        put(writes.back().first, writes.back().second);
    } catch (...) {
        std::error_code error;
        if (!temporary.empty())
            fs::remove(temporary, error);
        if (listReplaced)
            writeWholeFile(pathText(root_ / toPath(category_) / "scripts.txt"), listBytes_);
        for (auto it = placed.rbegin(); it != placed.rend(); ++it)
            fs::remove(*it, error);
        for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it)
            fs::remove(*it, error);
        throw;
    }
    if (afterEachStep)
        afterEachStep(genericPathText(writes.back().first));
}

} // namespace

AddReport addScripts(const std::string& directory, const std::string& category,
                     const std::vector<std::string>& files, const AddStepHook& afterEachStep)
{
    try {
        return Adder(directory, category).run(files, afterEachStep);
    } catch (const fs::filesystem_error& e) {
        throw ToolError("Cannot add to the library \"" + displayName(directory) + "\". "
                        + trimMessageTail(e.code().message())
                        + (e.path1().empty() ? std::string() : " (" + pathText(e.path1()) + ")"));
    } catch (const FileCreateError& e) {
        throw ToolError(e.what());
    }
}

} // namespace corvane::librarytool
