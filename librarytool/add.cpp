#include "librarytool/add.h"

#include "library/textlist.h"
#include "librarytool/check.h"
#include "librarytool/findings.h"
#include "librarytool/leftovers.h"
#include "pages/filelimits.h"
#include "pages/pagenames.h"
#include "pages/pagescan.h"
#include "pages/recode.h"
#include "platform/ascii.h"
#include "platform/casefold.h"
#include "platform/codepage.h"
#include "platform/filecompare.h"
#include "platform/files.h"
#include "platform/filestream.h"
#include "platform/insidepath.h"
#include "platform/lines.h"
#include "platform/pathtext.h"
#include "platform/profile.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>

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
        const std::size_t start = i;
        nextCodePoint(text, i);
        const std::string_view character = text.substr(start, i - start);
        if (character.size() > 1 && utf8ToCp1251(character) == "?")
            refusals.push_back(shown + " line " + std::to_string(lines.lineAt(start)) + ": \""
                               + std::string(character) + "\" has no place in Windows-1251");
    }
    return utf8ToCp1251(text);
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

// Where a page being added comes from: its folder as given and as the system resolves it. The
// files it uses must lie there, links followed.
struct Origin {
    fs::path folder;
    fs::path real;
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
    // A file to be in the library, by its path relative to the library.
    struct Planned {
        fs::path source;       // where it comes from
        std::string bytes;     // pages, style sheets and scripts as the library keeps them
        bool streamed = false; // any other file: copied as it is, piece by piece, from `source`
        bool present = false;  // the library holds the same file there already: nothing to write
    };

    void readCategories();
    void readList();
    void preparePage(const std::string& file);
    void prepareFile(const fs::path& source, const fs::path& target, const std::string& shown,
                     const Origin& origin);
    bool readText(const fs::path& source, const std::string& shown, std::string& bytes);
    static bool sameAsPlanned(const Planned& planned, const fs::path& source, const std::string& bytes);
    bool checkInLibrary(const fs::path& target, const std::string& shown, Planned& file);
    void takeReferences(const std::vector<PageReference>& references, const std::string& bytes,
                        const fs::path& source, const fs::path& target, const std::string& shown,
                        const Origin& origin);
    std::string linkOnTheWay(const fs::path& target) const;
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
    // What is to be written; the list and categories.ini are written last, so an add cut short
    // adds nothing a user sees.
    std::map<fs::path, Planned> files_;
};

AddReport Adder::run(const std::vector<std::string>& files, const AddStepHook& afterEachStep)
{
    readCategories();
    if (const std::string why = whyNotAName(category_); !why.empty())
        refuse("the category " + inQuotes(category_) + " cannot be a folder name: " + why);
    if (!report_.refusals.empty())
        return std::move(report_);
    readList();
    if (!report_.refusals.empty())
        return std::move(report_);
    for (const auto& file : files)
        preparePage(file);
    if (!report_.refusals.empty())
        return std::move(report_);

    // What check would find in a page is refused too: the library stays clean.
    for (const auto& name : report_.scripts) {
        std::vector<Finding> findings;
        const fs::path relative = toPath(category_) / toPath(name);
        checkPageBytes(files_.at(relative).bytes, genericPathText(relative), findings);
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
    // A new category rewrites the list, which is never done through a link.
    if (fs::is_symlink(fs::symlink_status(toPath(path), error)))
        refuse("categories.ini is a symbolic link: add writes nothing through a link");
    report_.newCategory = true;
}

void Adder::readList()
{
    const std::string folder = directory_ + category_;
    std::error_code error;
    const auto folderStatus = fs::symlink_status(toPath(folder), error);
    if (fs::is_symlink(folderStatus)) {
        refuse("the category folder " + inQuotes(category_)
               + " is a symbolic link: add writes nothing through a link");
        return;
    }
    if (fs::exists(folderStatus) && !fs::is_directory(folderStatus)) {
        refuse("the category folder " + inQuotes(category_) + " is a file");
        return;
    }
    const std::string list = folder + kPathSeparator + "scripts.txt";
    const auto listStatus = fs::symlink_status(toPath(list), error);
    listExists_ = fs::exists(listStatus);
    if (!listExists_)
        return;
    if (fs::is_symlink(listStatus)) {
        refuse(inQuotes(category_ + kPathSeparator + "scripts.txt")
               + " is a symbolic link: add writes nothing through a link");
        return;
    }
    const auto bytes = readWholeFileWithin(list, kMaxListBytes);
    if (!bytes) {
        refuse(inQuotes(category_ + kPathSeparator + "scripts.txt") + " is larger than "
               + std::to_string(kMaxListBytes >> 20) + " MB, too large for a list");
        return;
    }
    listBytes_ = *bytes;
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
    const fs::path page = fs::absolute(toPath(file)).lexically_normal();
    std::error_code error;
    Origin origin{page.parent_path(), fs::canonical(page.parent_path(), error)};
    if (error) {
        refuse(inQuotes(file) + ": " + trimMessageTail(error.message()));
        return;
    }
    prepareFile(page, toPath(category_) / toPath(name), inQuotes(file), origin);
}

// A page, style sheet or script, within the size the library holds, as the library keeps it.
bool Adder::readText(const fs::path& source, const std::string& shown, std::string& bytes)
{
    std::optional<std::string> read;
    try {
        read = readWholeFileWithin(pathText(source), pages::kMaxTextBytes);
    } catch (const FileOpenError& e) {
        refuse(e.what());
        return false;
    }
    if (!read) {
        refuse(shown + " is larger than " + std::to_string(pages::kMaxTextBytes >> 20)
               + " MB, the limit for a page, style sheet or script");
        return false;
    }
    bytes = withCrLf(toCp1251(*read, shown, report_.refusals));
    return true;
}

// The file planned for a place and the one now meant for it are one (a picture two pages use).
bool Adder::sameAsPlanned(const Planned& planned, const fs::path& source, const std::string& bytes)
{
    if (planned.source == source)
        return true;
    std::error_code error;
    if (fs::equivalent(planned.source, source, error))
        return true;
    if (!planned.streamed)
        return planned.bytes == bytes;
    try {
        return sameFileContents(pathText(planned.source), pathText(source));
    } catch (const FileOpenError&) {
        return false;
    }
}

// The first part of `target` (relative to the library) that is a link, or empty.
std::string Adder::linkOnTheWay(const fs::path& target) const
{
    fs::path at = root_;
    fs::path relative;
    for (const auto& part : target) {
        at /= part;
        relative /= part;
        std::error_code error;
        if (fs::is_symlink(fs::symlink_status(at, error)))
            return genericPathText(relative);
    }
    return {};
}

// A file already at the target is kept when it is the same, and never replaced by another.
bool Adder::checkInLibrary(const fs::path& target, const std::string& shown, Planned& file)
{
    if (const std::string link = linkOnTheWay(target); !link.empty()) {
        refuse(shown + " would be written through " + inQuotes(link)
               + ", a symbolic link in the library: add writes nothing through a link");
        return false;
    }
    const fs::path existing = root_ / target;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(existing, error)))
        return true;
    bool same = false;
    if (fs::is_regular_file(fs::symlink_status(existing, error))) {
        try {
            if (file.streamed) {
                same = sameFileContents(pathText(existing), pathText(file.source));
            } else {
                const auto bytes = readWholeFileWithin(pathText(existing), file.bytes.size());
                same = bytes && *bytes == file.bytes;
            }
        } catch (const FileOpenError&) {
            same = false;
        }
    }
    if (!same) {
        refuse(shown + " would replace " + inQuotes(genericPathText(target))
               + ", which is already in the library");
        return false;
    }
    file.present = true;
    return true;
}

// Reads one file to be added, prepared as the library keeps it, and the files it uses.
void Adder::prepareFile(const fs::path& source, const fs::path& target, const std::string& shown,
                        const Origin& origin)
{
    const std::string name = pathText(target.filename());
    const std::string extension = asciiLowered(pathText(target.extension()));
    const bool page = isWebPageName(name);
    const bool text = page || extension == ".css" || extension == ".js";
    Planned file;
    file.source = source;
    std::vector<PageReference> references;
    if (text) {
        if (!readText(source, shown, file.bytes))
            return;
        if (page) {
            // Only declarations there are changed (what the page loads is copied in
            // Windows-1251 too); a page without one is read as Windows-1251 already.
            if (!scanPage(file.bytes).charsets.empty())
                file.bytes = declareCharset(file.bytes, "windows-1251");
            references = scanPage(file.bytes).references;
        } else if (extension == ".css") {
            file.bytes = declareStyleCharset(file.bytes, "windows-1251");
            scanStyle(file.bytes, 0, references);
        }
    } else {
        std::error_code error;
        const std::uintmax_t size = fs::file_size(source, error);
        if (error) {
            refuse(shown + ": " + trimMessageTail(error.message()));
            return;
        }
        if (size > pages::kMaxAssetBytes) {
            refuse(shown + " is larger than " + std::to_string(pages::kMaxAssetBytes >> 20)
                   + " MB, the limit for a file in the library");
            return;
        }
        file.streamed = true;
    }

    if (const auto planned = files_.find(target); planned != files_.end()) {
        if (!sameAsPlanned(planned->second, source, file.bytes))
            refuse(shown + " and " + inQuotes(pathText(planned->second.source)) + " would both be "
                   + inQuotes(genericPathText(target)) + ": give one of them another name");
        return;
    }
    if (!checkInLibrary(target, shown, file))
        return;
    const std::string bytes = file.bytes;
    files_.emplace(target, std::move(file));
    takeReferences(references, bytes, source, target, shown, origin);
}

// The files a page or style sheet uses, each from the page's own folder.
void Adder::takeReferences(const std::vector<PageReference>& references, const std::string& bytes,
                           const fs::path& source, const fs::path& target, const std::string& shown,
                           const Origin& origin)
{
    const fs::path categoryFolder = toPath(category_);
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
        // Kept beside the page, a file above its folder would land among the library's own.
        if (!isWithin(used, categoryFolder) || used == categoryFolder) {
            refuse(shown + " uses " + inQuotes(path) + ", which lies above the page's folder");
            continue;
        }
        fs::path from = (source.parent_path() / toPath(path)).lexically_normal();
        // Made on Windows, where letter case in names did not count: the file found is added under
        // the name the page uses.
        if (const std::optional<std::string> found = findIgnoringCase(pathText(from)))
            from = toPath(*found);
        std::error_code error;
        const fs::path real = fs::canonical(from, error);
        if (error || !fs::is_regular_file(real, error)) {
            refuse(shown + " uses " + inQuotes(path) + ", which is not there (" + inQuotes(pathText(from))
                   + ")");
            continue;
        }
        // A link that leads out of the page's folder would bring in whatever it points at.
        if (!isWithin(real, origin.real)) {
            refuse(shown + " uses " + inQuotes(path)
                   + ", which leads through a link out of the page's folder to " + inQuotes(pathText(real)));
            continue;
        }
        prepareFile(from, used, inQuotes(pathText(from)), origin);
    }
}

void Adder::commit(const AddStepHook& afterEachStep)
{
    std::string list = listBytes_;
    if (!list.empty() && list.back() != '\r' && list.back() != '\n')
        list += kCrLf;
    for (const auto& name : report_.scripts)
        list += utf8ToCp1251(name) + kCrLf;
    std::vector<std::pair<fs::path, const Planned*>> writes;
    for (const auto& [relative, file] : files_)
        if (!file.present)
            writes.emplace_back(relative, &file);
    Planned listFile;
    listFile.bytes = list;
    writes.emplace_back(toPath(category_) / "scripts.txt", &listFile);
    Planned categoriesFile;
    if (report_.newCategory) {
        std::string categories = categoriesBytes_;
        if (!categories.empty() && categories.back() != '\r' && categories.back() != '\n')
            categories += kCrLf;
        categoriesFile.bytes = categories + "[" + utf8ToCp1251(category_) + "]" + kCrLf;
        writes.emplace_back("categories.ini", &categoriesFile);
    }

    const SignalsHeld held;
    // What adds cut short left goes first; nothing of theirs is anyone's any more.
    removeLeftovers(root_);
    std::vector<fs::path> madeFolders;
    std::vector<fs::path> placed;
    bool listReplaced = false;
    // The last rename (the list of an existing category, categories.ini for a new one) adds the
    // pages; everything before it is undone when a step fails.
    const auto put = [&](const fs::path& relative, const Planned& file) {
        fs::path target = root_ / relative;
        std::vector<fs::path> missing;
        for (fs::path folder = target.parent_path(); !fs::exists(folder); folder = folder.parent_path())
            missing.push_back(folder);
        for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
            fs::create_directory(*it);
            madeFolders.push_back(*it);
        }
        // Written whole beside it and renamed over it: a reader never sees half a file.
        NewFile out(pathText(temporaryFor(target)));
        if (file.streamed) {
            FileReader in(pathText(file.source));
            for (std::string_view piece = in.read(pages::kCopyPieceBytes); !piece.empty();
                 piece = in.read(pages::kCopyPieceBytes))
                out.write(piece);
        } else {
            out.write(file.bytes);
        }
        out.keep();
        if (const std::error_code error = replaceFile(out.path(), pathText(target))) {
            std::error_code ignored;
            fs::remove(toPath(out.path()), ignored);
            throw fs::filesystem_error("rename", toPath(out.path()), target, error);
        }
        return target;
    };
    try {
        for (std::size_t i = 0; i + 1 < writes.size(); ++i) {
            const fs::path target = put(writes[i].first, *writes[i].second);
            if (writes[i].first == toPath(category_) / "scripts.txt" && listExists_)
                listReplaced = true;
            else
                placed.push_back(target);
            if (afterEachStep)
                afterEachStep(genericPathText(writes[i].first));
        }
        put(writes.back().first, *writes.back().second);
    } catch (...) {
        std::error_code error;
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
        throw fileSystemToolError("Cannot add to the library \"" + displayName(directory) + "\"", e);
    } catch (const FileCreateError& e) {
        throw ToolError(e.what());
    } catch (const FileOpenError& e) {
        throw ToolError(e.what());
    }
}

} // namespace corvane::librarytool
