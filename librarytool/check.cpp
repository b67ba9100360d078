#include "librarytool/check.h"

#include "library/scriptlibrary.h"
#include "library/textlist.h"
#include "librarytool/leftovers.h"
#include "librarytool/oldbrowser.h"
#include "pages/pagenames.h"
#include "pages/pagescan.h"
#include "platform/ascii.h"
#include "platform/casefold.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/insidepath.h"
#include "platform/pathtext.h"
#include "platform/profile.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <unordered_map>

namespace fs = std::filesystem;

namespace corvane::librarytool {

using pages::addressToPath;
using pages::isRelativeAddress;
using pages::isRemoteAddress;
using pages::isWebPageName;
using pages::LineCounter;
using pages::PageScan;
using pages::scanPage;
namespace {

// The findings about the bytes of one library file: byte-order mark, text in UTF-8, the byte
// Windows-1251 leaves undefined, a NUL that ends the text early.
void checkEncoding(const std::string& bytes, const std::string& path, std::vector<Finding>& findings);

const std::string kSeparator(1, kPathSeparator);

// A name as the messages quote it; one of megabytes is cut to its ends.
std::string inQuotes(const std::string& name)
{
    return "\"" + shortened(displayName(name)) + "\"";
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
        const std::size_t start = i;
        if (isNonAsciiLetter(nextCodePoint(text, i)))
            return start;
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
    bool listed = true; // false for a folder that may be entered but not listed
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
    for (fs::directory_iterator it(toPath(folder), error), end; !error && it != end; it.increment(error))
        listing.entries.emplace(pathText(it->path().filename()), FolderEntry{entryType(*it)});
    listing.listed = !error;
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
    // The program opens names as they stand; a folder it cannot list is no hindrance to that.
    if (!listing.listed || name.find(kPathSeparator) != std::string::npos || name == "." || name == "..") {
        std::error_code error;
        const auto status = fs::status(toPath(folder + name), error);
        if (!error && fs::exists(status)) {
            lookup.result = Lookup::Found;
            lookup.type = fs::is_regular_file(status) ? EntryType::File
                          : fs::is_directory(status)  ? EntryType::Folder
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
        lookup.type = listing.entries[*actual].type;
        listing.entries[*actual].named = true;
    }
    return lookup;
}

// The message of a file the system would not give.
std::string reasonOf(const std::error_code& error)
{
    return trimMessageTail(error.message());
}

class Checker {
public:
    Checker(const std::string& directory, const ProgressFunction& progress)
        : library_(directory)
        , progress_(progress)
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
    std::optional<std::string> readList(const std::string& category, const std::string& folder,
                                        FolderListing& listing);
    void checkScript(const std::string& category, const std::string& folder, FolderListing& listing,
                     const std::string& name, int line);
    void checkUnlisted(const std::string& category, const FolderListing& listing);
    void checkPage(const std::string& path, const std::string& relative);
    void checkLoads(const std::string& bytes, const std::string& relative);
    // The file behind a library path when it lies in the library; else says so and gives nothing.
    std::optional<fs::path> inside(const std::string& path, const std::string& relative,
                                   const std::string& what);

    ScriptLibrary library_;
    fs::path root_;
    const ProgressFunction& progress_;
    std::vector<Finding> findings_;
    // Canonical folder -> the first category naming it, with its line in categories.ini.
    std::map<std::string, std::pair<std::string, int>> folders_;
    // Pages to read once every list has been read: full path, relative path.
    std::vector<std::pair<std::string, std::string>> pages_;
};

std::vector<Finding> Checker::run()
{
    requireLibrary(library_.programDirectory());
    root_ = fs::canonical(toPath(library_.programDirectory()));
    readCategories();
    for (const fs::path& leftover : findLeftovers(toPath(library_.programDirectory())))
        add(pathText(leftover), 0, "leftover",
            "a temporary file of an add that was cut short: the next add removes it");
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        checkPage(pages_[i].first, pages_[i].second);
        if (progress_)
            progress_(i + 1, pages_.size());
    }
    sortFindings(findings_);
    return std::move(findings_);
}

std::optional<fs::path> Checker::inside(const std::string& path, const std::string& relative,
                                        const std::string& what)
{
    ResolvedPath resolved = resolveInside(root_, toPath(path));
    if (resolved.outside) {
        add(relative, 0, "outside-library",
            what + " lies outside the library, through a link: a gallery leaves it out");
        return std::nullopt;
    }
    return resolved.error ? toPath(path) : std::move(resolved.real);
}

void Checker::readCategories()
{
    const std::string relative = "categories.ini";
    const auto real = inside(library_.categoriesPath(), relative, "the category list");
    if (!real)
        return;
    std::error_code error;
    const auto status = fs::status(*real, error);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        add(relative, 0, "missing-category-list",
            "the program shows no categories: it is not a regular file");
        return;
    }
    std::optional<std::string> bytes;
    try {
        bytes = readWholeFileWithin(pathText(*real), kMaxListBytes);
    } catch (const FileOpenError& e) {
        add(relative, 0, "missing-category-list",
            std::string("the program shows no categories: ") + e.what());
        return;
    }
    if (!bytes) {
        add(relative, 0, "too-large",
            "larger than " + std::to_string(kMaxListBytes >> 20) + " MB: not checked");
        return;
    }
    checkEncoding(*bytes, relative, findings_);

    // The names the program gets (within the budget), and every section the file holds.
    const auto categories = parseSectionNames(*bytes);
    const auto all = parseSectionNames(*bytes, std::numeric_limits<std::size_t>::max());
    if (all.empty()) {
        add(relative, 0, "empty-library", "names no categories");
        return;
    }

    // The line of each section: a line is a section header when the same reader finds one in it.
    const bool bom = bytes->compare(0, 3, "\xEF\xBB\xBF") == 0;
    std::vector<int> lines;
    int lineNumber = 0;
    for (const auto& line : splitTextList(std::string_view(*bytes).substr(bom ? 3 : 0))) {
        ++lineNumber;
        if (line.find('[') != std::string::npos
            && !parseSectionNames(bom ? "\xEF\xBB\xBF" + line : line, std::numeric_limits<std::size_t>::max())
                    .empty())
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
    const auto status = fs::status(toPath(folder), error);
    if (!fs::exists(status)) {
        const bool missing = !error || error == std::errc::no_such_file_or_directory;
        add(category, 0, "missing-folder",
            "the category " + inQuotes(category)
                + (missing ? std::string(" has no folder") : " cannot be opened: " + reasonOf(error)));
        return;
    }
    if (!fs::is_directory(status)) {
        add(category, 0, "missing-folder", "the category " + inQuotes(category) + " is a file, not a folder");
        return;
    }
    if (!inside(folder, category, "the folder of the category " + inQuotes(category)))
        return;
    const std::string canonical = pathText(fs::canonical(toPath(folder), error));
    const auto [first, inserted] =
        folders_.emplace(error ? folder : canonical, std::make_pair(category, line));
    if (!inserted) {
        add("categories.ini", line, "shared-folder",
            inQuotes(category) + " names the same folder as " + inQuotes(first->second.first)
                + (first->second.second > 0 ? " (line " + std::to_string(first->second.second) + ")"
                                            : std::string()));
        return;
    }
    checkList(category, folder + kSeparator, listFolder(folder));
}

// The list's bytes, or nothing after saying why the program gets no list.
std::optional<std::string> Checker::readList(const std::string& category, const std::string& folder,
                                             FolderListing& listing)
{
    const std::string listRelative = category + kSeparator + "scripts.txt";
    const Lookup list = lookUp(listing, folder, "scripts.txt");
    if (list.result == Lookup::CaseOnly) {
        add(listRelative, 0, "case-mismatch",
            "the list is " + inQuotes(list.actualName) + "; the name differs only in letter case");
        return std::nullopt;
    }
    const std::string path = library_.scriptListPath(category);
    if (list.result == Lookup::Missing) {
        // Say why the system would not give it: no such file, no access, a link loop.
        std::error_code error;
        const auto status = fs::status(toPath(path), error);
        static_cast<void>(status);
        add(listRelative, 0, "missing-list",
            "the category " + inQuotes(category)
                + (!error || error == std::errc::no_such_file_or_directory
                       ? std::string(" has no scripts.txt")
                       : ": scripts.txt cannot be opened: " + reasonOf(error)));
        return std::nullopt;
    }
    if (list.type == EntryType::Folder) {
        add(listRelative, 0, "missing-list",
            "the category " + inQuotes(category) + " has a folder named scripts.txt");
        return std::nullopt;
    }
    if (list.type != EntryType::File) {
        add(listRelative, 0, "unreadable", "scripts.txt is not a regular file");
        return std::nullopt;
    }
    const auto real = inside(path, listRelative, "scripts.txt");
    if (!real)
        return std::nullopt;
    std::optional<std::string> bytes;
    try {
        bytes = readWholeFileWithin(pathText(*real), kMaxListBytes);
    } catch (const FileOpenError& e) {
        add(listRelative, 0, "unreadable", e.what());
        return std::nullopt;
    }
    if (!bytes)
        add(listRelative, 0, "too-large",
            "larger than " + std::to_string(kMaxListBytes >> 20) + " MB: not checked");
    return bytes;
}

void Checker::checkList(const std::string& category, const std::string& folder, FolderListing listing)
{
    const std::optional<std::string> bytes = readList(category, folder, listing);
    if (!bytes)
        return;
    const std::string listRelative = category + kSeparator + "scripts.txt";
    checkEncoding(*bytes, listRelative, findings_);

    const TextList lines = splitTextList(*bytes);
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
                                : isBlank(name.front())                       ? "leading"
                                                                              : "trailing";
            add(listRelative, line, "padded-name",
                inQuotes(name) + " has " + where + " spaces, which are part of the name");
        }
        if (const auto [it, inserted] = seen.emplace(name, line); !inserted) {
            add(listRelative, line, "listed-twice",
                inQuotes(name) + " is listed again (first on line " + std::to_string(it->second) + ")");
            continue;
        }
        checkScript(category, folder, listing, name, line);
    }
    checkUnlisted(category, listing);
}

void Checker::checkScript(const std::string& category, const std::string& folder, FolderListing& listing,
                          const std::string& name, int line)
{
    const std::string relative = category + kSeparator + name;
    const std::string where = "listed on line " + std::to_string(line) + " of scripts.txt";
    const Lookup script = lookUp(listing, folder, name);
    switch (script.result) {
    case Lookup::Missing: add(relative, 0, "missing-script", where + ", but there is no such file"); break;
    case Lookup::CaseOnly: {
        add(relative, 0, "case-mismatch",
            where + ", but the file is " + inQuotes(script.actualName)
                + "; the names differ only in letter case");
        // The program finds it all the same, as Windows did: its page is checked too.
        const std::string path = library_.scriptPath(category, script.actualName);
        if (script.type == EntryType::File)
            if (const auto real = inside(path, relative, "the script " + where))
                pages_.emplace_back(pathText(*real), category + kSeparator + script.actualName);
        break;
    }
    case Lookup::Found:
        if (script.type == EntryType::Folder) {
            add(relative, 0, "script-is-folder", where + ", but it is a folder");
        } else if (script.type != EntryType::File) {
            add(relative, 0, "unreadable", where + ", but it is not a regular file");
        } else {
            const std::string path = library_.scriptPath(category, name);
            if (const auto real = inside(path, relative, "the script " + where))
                pages_.emplace_back(pathText(*real), relative);
        }
        break;
    }
}

void Checker::checkUnlisted(const std::string& category, const FolderListing& listing)
{
    for (const auto& [name, entry] : listing.entries) {
        if (entry.type == EntryType::File && !entry.named && isWebPageName(name))
            add(category + kSeparator + name, 0, "unlisted-page", "no line of scripts.txt names this page");
    }
}

void Checker::checkPage(const std::string& path, const std::string& relative)
{
    std::optional<std::string> bytes;
    try {
        bytes = readWholeFileWithin(path, kCodeBoxCapacity);
        // Bare CR and LF breaks grow in the box; only a text past half the capacity can overflow.
        if (bytes && bytes->size() > kCodeBoxCapacity / 2)
            loadScriptText(path);
    } catch (const TextCapacityError&) {
        bytes.reset();
    } catch (const FileOpenError& e) {
        add(relative, 0, "unreadable", e.what());
        return;
    }
    if (!bytes) {
        add(relative, 0, "too-large",
            "larger than the code box holds (" + std::to_string(kCodeBoxCapacity >> 20)
                + " MB): the program cannot show it");
        return;
    }
    checkEncoding(*bytes, relative, findings_);
    checkLoads(*bytes, relative);
    findOldBrowserCode(*bytes, relative, findings_);
}

Finding remoteLoad(const std::string& relative, int line, std::string_view address, const std::string& where)
{
    return {relative, line, "remote-load",
            "loads " + inQuotes(cp1251ToUtf8(address)) + " from off the machine (" + where + ")"};
}

// What the page loads from off the machine, and what it loads from the library through a link
// that leads out of it.
void Checker::checkLoads(const std::string& bytes, const std::string& relative)
{
    const PageScan scan = scanPage(bytes);
    LineCounter lines(bytes);
    const fs::path folder = toPath(relative).parent_path();
    for (const auto& reference : scan.references) {
        if (!reference.loads)
            continue;
        const std::string_view address = std::string_view(bytes).substr(reference.offset, reference.length);
        if (isRemoteAddress(address)) {
            findings_.push_back(
                remoteLoad(relative, lines.lineAt(reference.offset), address, reference.where));
            continue;
        }
        if (!isRelativeAddress(address))
            continue;
        const std::string assetPath = addressToPath(address);
        const fs::path asset = (folder / toPath(assetPath)).lexically_normal();
        if (assetPath.empty() || asset.empty() || *asset.begin() == "..")
            continue;
        if (resolveInside(root_, root_ / asset).outside) {
            add(relative, lines.lineAt(reference.offset), "outside-library",
                "loads " + inQuotes(cp1251ToUtf8(address))
                    + ", which lies outside the library, through a link: a gallery leaves it out");
            continue;
        }
        std::error_code error;
        if (fs::exists(fs::symlink_status(root_ / asset, error)))
            continue;
        if (const std::optional<std::string> found = findIgnoringCase(pathText(root_ / asset)))
            add(relative, lines.lineAt(reference.offset), "case-mismatch",
                "loads " + inQuotes(cp1251ToUtf8(address)) + ", but the file is "
                    + inQuotes(pathText(toPath(*found).filename()))
                    + "; the names differ only in letter case, which a case-sensitive web server minds");
    }
}

} // namespace

void requireLibrary(const std::string& directory)
{
    std::error_code error;
    if (!fs::is_directory(toPath(directory), error))
        throw ToolError("Cannot open library folder \"" + directory + "\". "
                        + (error ? trimMessageTail(error.message()) : std::string("It is not a folder")));
    const std::string list = directory + "categories.ini";
    if (!fs::exists(fs::symlink_status(toPath(list), error))) {
        if (error && error != std::errc::no_such_file_or_directory)
            throw ToolError("Cannot open file \"" + list + "\". " + trimMessageTail(error.message()));
        throw ToolError("\"" + directory
                        + "\" is no script library: it has no categories.ini. Nothing was written");
    }
}

void checkPageBytes(const std::string& bytes, const std::string& relative, std::vector<Finding>& findings)
{
    checkEncoding(bytes, relative, findings);
    const PageScan scan = scanPage(bytes);
    LineCounter lines(bytes);
    for (const auto& reference : scan.references) {
        const std::string_view address = std::string_view(bytes).substr(reference.offset, reference.length);
        if (reference.loads && isRemoteAddress(address))
            findings.push_back(
                remoteLoad(relative, lines.lineAt(reference.offset), address, reference.where));
    }
    findOldBrowserCode(bytes, relative, findings);
}

std::vector<Finding> checkLibrary(const std::string& directory, const ProgressFunction& progress)
{
    return Checker(directory, progress).run();
}

namespace {

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
        found.push_back(
            {0, {path, 1, "utf8-bom", "starts with a UTF-8 byte-order mark; the library is Windows-1251"}});
    bool utf8Text = false;
    if (firstHigh != std::string::npos && isValidUtf8(bytes)) {
        const std::size_t letter = firstUtf8Letter(std::string_view(bytes).substr(bom ? 3 : 0));
        if (letter != std::string_view::npos) {
            utf8Text = true;
            found.push_back({letter + (bom ? 3 : 0),
                             {path, 0, "utf8-text",
                              "the text is UTF-8; the library is Windows-1251, where it shows garbled"}});
        }
    }
    // In UTF-8 text 0x98 is part of a letter, not a byte of the code page.
    if (undefinedCount > 0 && !utf8Text)
        found.push_back({firstUndefined,
                         {path, 0, "undefined-byte",
                          "byte 0x98, which Windows-1251 leaves undefined"
                              + (undefinedCount > 1 ? " (" + std::to_string(undefinedCount) + " in the file)"
                                                    : std::string())}});
    if (nul != std::string::npos)
        found.push_back(
            {nul,
             {path, 0, "nul-byte", "a NUL byte ends the text here: the program reads nothing after it"}});

    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    LineCounter lines(bytes);
    for (auto& [offset, finding] : found) {
        finding.line = lines.lineAt(offset);
        findings.push_back(std::move(finding));
    }
}

} // namespace

} // namespace corvane::librarytool
