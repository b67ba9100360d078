#include "librarytool/check.h"

#include "librarytool/oldbrowser.h"
#include "pages/pagenames.h"
#include "pages/pagescan.h"
#include "library/scriptlibrary.h"
#include "library/textlist.h"
#include "platform/ascii.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/profile.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <unordered_map>

namespace fs = std::filesystem;

namespace corvane::librarytool {

using pages::foldCase;
using pages::isWebPageName;
using pages::LineCounter;
using pages::PageScan;
using pages::isRemoteAddress;
using pages::scanPage;
namespace {

const std::string kSeparator(1, kPathSeparator);

std::string inQuotes(const std::string& name)
{
    return "\"" + displayName(name) + "\"";
}

// Letters beyond ASCII that text in Windows-1251 would show as something else.
bool isNonAsciiLetter(char32_t c)
{
    return (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || (c >= 0x370 && c <= 0x52F);
}

// The first non-ASCII letter of valid UTF-8 text, or npos.
std::size_t firstUtf8Letter(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
        char32_t c = b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        if (isNonAsciiLetter(c))
            return i;
        i += extra + 1;
    }
    return std::string_view::npos;
}

// One entry of a category folder, by the kind of file it is.
enum class EntryType { File, Folder, Other };

EntryType entryType(const fs::directory_entry& entry)
{
    // These use the type the folder listing already gave; only links cost a stat.
    std::error_code error;
    if (entry.is_regular_file(error))
        return EntryType::File;
    return entry.is_directory(error) ? EntryType::Folder : EntryType::Other;
}

struct FolderEntry {
    EntryType type;
    bool named = false; // a line of the list names it
};

// A category folder's entries, read once. The index by folded name is made only when a listed
// name is not found as it stands.
struct FolderListing {
    std::unordered_map<std::string, FolderEntry> entries;
    std::unordered_map<std::string, std::vector<std::string>> byFoldedName;

    const std::string* differingOnlyInCase(const std::string& name)
    {
        if (byFoldedName.empty())
            for (const auto& entry : entries)
                byFoldedName[foldCase(entry.first)].push_back(entry.first);
        const auto it = byFoldedName.find(foldCase(name));
        return it == byFoldedName.end() ? nullptr : &it->second.front();
    }
};

FolderListing listFolder(const std::string& folder)
{
    FolderListing listing;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        listing.entries.emplace(it->path().filename().string(), FolderEntry{entryType(*it)});
    return listing;
}

struct Lookup {
    enum { Found, CaseOnly, Missing } result = Missing;
    EntryType type = EntryType::Other;
    std::string actualName; // for CaseOnly
};

// Finds a listed name the way the program opens it: exactly, or else says which file differs
// only in letter case.
Lookup lookUp(FolderListing& listing, const std::string& folder, const std::string& name)
{
    Lookup lookup;
    if (name.find(kPathSeparator) != std::string::npos || name == "." || name == "..") {
        std::error_code error;
        const auto status = fs::status(folder + name, error);
        if (!error && fs::exists(status)) {
            lookup.result = Lookup::Found;
            lookup.type = fs::is_regular_file(status) ? EntryType::File
                : fs::is_directory(status)            ? EntryType::Folder
                                                      : EntryType::Other;
        }
        return lookup;
    }
    if (const auto it = listing.entries.find(name); it != listing.entries.end()) {
        lookup.result = Lookup::Found;
        lookup.type = it->second.type;
        it->second.named = true;
        return lookup;
    }
    if (const std::string* actual = listing.differingOnlyInCase(name)) {
        lookup.result = Lookup::CaseOnly;
        lookup.actualName = *actual;
        listing.entries[*actual].named = true;
    }
    return lookup;
}

class Checker {
public:
    Checker(const std::string& directory, const ProgressFunction& progress)
        : library_(directory), progress_(progress)
    {
    }

    std::vector<Finding> run();

private:
    void add(std::string path, int line, const char* kind, std::string message)
    {
        findings_.push_back({std::move(path), line, kind, std::move(message)});
    }
    void readCategories();
    void checkCategory(const std::string& category, int line);
    void checkList(const std::string& category, const std::string& folder, FolderListing listing);
    void checkPage(const std::string& path, const std::string& relative);

    ScriptLibrary library_;
    const ProgressFunction& progress_;
    std::vector<Finding> findings_;
    // Canonical folder -> the first category naming it, with its line in categories.ini.
    std::map<std::string, std::pair<std::string, int>> folders_;
    // Pages to read once every list has been read: full path, relative path.
    std::vector<std::pair<std::string, std::string>> pages_;
};

std::vector<Finding> Checker::run()
{
    std::error_code error;
    const std::string& directory = library_.programDirectory();
    if (!fs::is_directory(directory, error))
        throw ToolError("Cannot open library folder \"" + directory + "\". "
                        + (error ? trimMessageTail(error.message()) : std::string("It is not a folder")));

    readCategories();
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        checkPage(pages_[i].first, pages_[i].second);
        if (progress_)
            progress_(i + 1, pages_.size());
    }
    sortFindings(findings_);
    return std::move(findings_);
}

void Checker::readCategories()
{
    const std::string path = library_.categoriesPath();
    const std::string relative = "categories.ini";
    std::error_code error;
    const auto status = fs::status(path, error);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        add(relative, 0, "missing-category-list", "the program shows no categories: it is not a regular file");
        return;
    }
    std::string bytes;
    try {
        bytes = readWholeFile(path);
    } catch (const FileOpenError& e) {
        add(relative, 0, "missing-category-list", std::string("the program shows no categories: ") + e.what());
        return;
    }
    checkEncoding(bytes, relative, findings_);

    // The names the program gets (within the budget), and every section the file holds.
    const auto categories = parseSectionNames(bytes);
    const auto all = parseSectionNames(bytes, std::numeric_limits<std::size_t>::max());
    if (all.empty()) {
        add(relative, 0, "empty-library", "names no categories");
        return;
    }

    // The line of each section: a line is a section header when the same reader finds one in it.
    const bool bom = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    std::vector<int> lines;
    int lineNumber = 0;
    for (const auto& line : splitTextList(std::string_view(bytes).substr(bom ? 3 : 0))) {
        ++lineNumber;
        if (line.find('[') != std::string::npos
            && !parseSectionNames(bom ? "\xEF\xBB\xBF" + line : line, std::numeric_limits<std::size_t>::max()).empty())
            lines.push_back(lineNumber);
    }
    lines.resize(all.size(), 0);

    if (all.size() > categories.size()) {
        const std::size_t dropped = all.size() - categories.size();
        add(relative, lines[categories.size()], "category-budget",
            inQuotes(all[categories.size()])
                + (dropped > 1 ? " and the " + std::to_string(dropped - 1) + " categories after it do not fit"
                               : std::string(" does not fit"))
                + " the " + std::to_string(kSectionNamesBudget)
                + "-byte category list: the program never shows them");
    }
    for (std::size_t i = 0; i < categories.size(); ++i)
        checkCategory(categories[i], lines[i]);
}

void Checker::checkCategory(const std::string& category, int line)
{
    const std::string folder = library_.programDirectory() + category;
    std::error_code error;
    const auto status = fs::status(folder, error);
    if (!fs::exists(status)) {
        add(category, 0, "missing-folder", "the category " + inQuotes(category) + " has no folder");
        return;
    }
    if (!fs::is_directory(status)) {
        add(category, 0, "missing-folder", "the category " + inQuotes(category) + " is a file, not a folder");
        return;
    }
    const std::string canonical = fs::canonical(folder, error).string();
    const auto [first, inserted] = folders_.emplace(error ? folder : canonical, std::make_pair(category, line));
    if (!inserted) {
        add("categories.ini", line, "shared-folder",
            inQuotes(category) + " names the same folder as " + inQuotes(first->second.first)
                + (first->second.second > 0 ? " (line " + std::to_string(first->second.second) + ")" : std::string()));
        return;
    }
    checkList(category, folder + kSeparator, listFolder(folder));
}

void Checker::checkList(const std::string& category, const std::string& folder, FolderListing listing)
{
    const std::string listRelative = category + kSeparator + "scripts.txt";
    const Lookup list = lookUp(listing, folder, "scripts.txt");
    if (list.result == Lookup::CaseOnly) {
        add(listRelative, 0, "case-mismatch",
            "the list is " + inQuotes(list.actualName) + "; the name differs only in letter case");
        return;
    }
    if (list.result == Lookup::Missing || list.type == EntryType::Folder) {
        add(listRelative, 0, "missing-list",
            "the category " + inQuotes(category) + (list.result == Lookup::Missing ? " has no scripts.txt" : " has a folder named scripts.txt"));
        return;
    }
    if (list.type != EntryType::File) {
        add(listRelative, 0, "unreadable", "scripts.txt is not a regular file");
        return;
    }
    std::string bytes;
    try {
        bytes = readWholeFile(library_.scriptListPath(category));
    } catch (const FileOpenError& e) {
        add(listRelative, 0, "unreadable", e.what());
        return;
    }
    checkEncoding(bytes, listRelative, findings_);

    const TextList lines = splitTextList(bytes);
    if (lines.empty()) {
        add(listRelative, 0, "empty-category", "the category " + inQuotes(category) + " lists no scripts");
        return;
    }

    std::unordered_map<std::string, int> seen;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        const std::string name = cp1251ToUtf8(lines[i]);
        if (name.empty()) {
            add(listRelative, line, "blank-line", "an empty line is a script name too: it opens nothing");
            continue;
        }
        const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
        if (isBlank(name.front()) || isBlank(name.back())) {
            const char* where = isBlank(name.front()) && isBlank(name.back()) ? "leading and trailing"
                : isBlank(name.front())                                         ? "leading"
                                                                                : "trailing";
            add(listRelative, line, "padded-name", inQuotes(name) + " has " + where + " spaces, which are part of the name");
        }
        if (const auto [it, inserted] = seen.emplace(name, line); !inserted) {
            add(listRelative, line, "listed-twice",
                inQuotes(name) + " is listed again (first on line " + std::to_string(it->second) + ")");
            continue;
        }

        const std::string relative = category + kSeparator + name;
        const auto where = [line] { return "listed on line " + std::to_string(line) + " of scripts.txt"; };
        const Lookup script = lookUp(listing, folder, name);
        switch (script.result) {
        case Lookup::Missing:
            add(relative, 0, "missing-script", where() + ", but there is no such file");
            break;
        case Lookup::CaseOnly:
            add(relative, 0, "case-mismatch",
                where() + ", but the file is " + inQuotes(script.actualName) + "; the names differ only in letter case");
            break;
        case Lookup::Found:
            if (script.type == EntryType::File)
                pages_.emplace_back(library_.scriptPath(category, name), relative);
            else if (script.type == EntryType::Folder)
                add(relative, 0, "script-is-folder", where() + ", but it is a folder");
            else
                add(relative, 0, "unreadable", where() + ", but it is not a regular file");
            break;
        }
    }

    for (const auto& [name, entry] : listing.entries) {
        if (entry.type == EntryType::File && !entry.named && isWebPageName(name))
            add(category + kSeparator + name, 0, "unlisted-page", "no line of scripts.txt names this page");
    }
}

void Checker::checkPage(const std::string& path, const std::string& relative)
{
    std::string bytes;
    try {
        bytes = readWholeFile(path);
    } catch (const FileOpenError& e) {
        add(relative, 0, "unreadable", e.what());
        return;
    }
    checkPageBytes(bytes, relative, findings_);
}

} // namespace

std::vector<Finding> checkLibrary(const std::string& directory, const ProgressFunction& progress)
{
    return Checker(directory, progress).run();
}

void checkPageBytes(const std::string& bytes, const std::string& relative, std::vector<Finding>& findings)
{
    checkEncoding(bytes, relative, findings);

    const PageScan scan = scanPage(bytes);
    LineCounter lines(bytes);
    for (const auto& reference : scan.references) {
        if (!reference.loads)
            continue;
        const std::string_view address = std::string_view(bytes).substr(reference.offset, reference.length);
        if (isRemoteAddress(address))
            findings.push_back({relative, lines.lineAt(reference.offset), "remote-load",
                "loads " + inQuotes(cp1251ToUtf8(address)) + " from off the machine (" + reference.where + ")"});
    }
    findOldBrowserCode(bytes, relative, findings);
}

void checkEncoding(const std::string& bytes, const std::string& path, std::vector<Finding>& findings)
{
    std::size_t firstHigh = std::string::npos;
    std::size_t firstUndefined = std::string::npos;
    std::size_t undefinedCount = 0;
    const std::size_t nul = bytes.find('\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80)
            continue;
        if (firstHigh == std::string::npos)
            firstHigh = i;
        if (b == 0x98 && undefinedCount++ == 0)
            firstUndefined = i;
    }

    std::vector<std::pair<std::size_t, Finding>> found; // by offset, for the line numbers
    const bool bom = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (bom)
        found.push_back({0, {path, 1, "utf8-bom", "starts with a UTF-8 byte-order mark; the library is Windows-1251"}});
    bool utf8Text = false;
    if (firstHigh != std::string::npos && isValidUtf8(bytes)) {
        const std::size_t letter = firstUtf8Letter(std::string_view(bytes).substr(bom ? 3 : 0));
        if (letter != std::string_view::npos) {
            utf8Text = true;
            found.push_back({letter + (bom ? 3 : 0),
                             {path, 0, "utf8-text", "the text is UTF-8; the library is Windows-1251, where it shows garbled"}});
        }
    }
    // In UTF-8 text 0x98 is part of a letter, not a byte of the code page.
    if (undefinedCount > 0 && !utf8Text)
        found.push_back({firstUndefined,
                         {path, 0, "undefined-byte",
                          "byte 0x98, which Windows-1251 leaves undefined"
                              + (undefinedCount > 1 ? " (" + std::to_string(undefinedCount) + " in the file)" : std::string())}});
    if (nul != std::string::npos)
        found.push_back({nul, {path, 0, "nul-byte", "a NUL byte ends the text here: the program reads nothing after it"}});

    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    LineCounter lines(bytes);
    for (auto& [offset, finding] : found) {
        finding.line = lines.lineAt(offset);
        findings.push_back(std::move(finding));
    }
}

} // namespace corvane::librarytool
