#include "librarytool/export.h"

#include "library/scriptlibrary.h"
#include "library/textlist.h"
#include "librarytool/findings.h"
#include "librarytool/gallery.h"
#include "librarytool/staging.h"
#include "pages/pagenames.h"
#include "pages/pagescan.h"
#include "pages/recode.h"
#include "pages/standalonelayer.h"
#include "platform/ascii.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/insidepath.h"
#include "platform/pathtext.h"

#include <filesystem>
#include <functional>
#include <set>

namespace fs = std::filesystem;

namespace corvane::librarytool {

using pages::addressToPath;
using pages::decodeLibraryText;
using pages::isRelativeAddress;
using pages::isWebPageName;
using pages::PageReference;
using pages::recodePage;
using pages::recodeStyle;
using pages::scanPage;
using pages::scanStyle;

namespace {

std::string lowerExtension(const fs::path& path)
{
    return asciiLowered(pathText(path.extension()));
}

// A path relative to the library that stays inside it, or an empty path.
fs::path safeRelative(const fs::path& relative)
{
    fs::path normal = relative.lexically_normal();
    if (normal.empty() || normal.is_absolute() || normal.has_root_name() || normal.has_root_directory()
        || *normal.begin() == "..")
        return {};
    return normal;
}

constexpr std::uintmax_t kMaxRecodedBytes = pages::kMaxTextBytes;

std::string megabytes(std::uintmax_t bytes)
{
    return std::to_string(bytes / (std::uintmax_t{1024} * 1024)) + " MB";
}

struct Job {
    std::size_t category; // index into the gallery's categories
    std::size_t script;   // index into that category's scripts
    std::string categoryName;
    std::string name;
};

// The name of a script's page in pages/.
std::string pageFileName(const Job& job)
{
    return std::to_string(job.category + 1) + "-" + std::to_string(job.script + 1) + ".html";
}

// A library file to copy: its place in the library and in the gallery, and, once known, the
// file the system really opens for it.
struct Pending {
    fs::path relative;
    fs::path real;
};

// Builds the gallery in the staging folder in three steps: collect what the lists name, copy
// the scripts with their assets, write the pages.
class Exporter {
public:
    Exporter(const std::string& directory, fs::path staging, const ProgressFunction& progress)
        : library_(directory)
        , root_(fs::canonical(toPath(directory)))
        , staging_(std::move(staging))
        , progress_(progress)
    {
    }

    ExportReport run()
    {
        collect();
        copyScripts();
        writePages();
        return std::move(report_);
    }

private:
    void collect();
    TextList readList(const std::string& category);
    void copyScripts();
    void copyScript(const Job& job);
    void writePages();

    bool copyWithAssets(const Pending& file);
    void linkLayer(const fs::path& relative, const std::string& text, std::string& bytes);
    void copyOne(const Pending& file, std::vector<Pending>& pending);
    bool writeCopy(const fs::path& relative, const std::function<void(const fs::path& target)>& writeTo);
    void leaveOut(const std::string& path, const std::string& why)
    {
        report_.skipped.push_back(path + ": " + why);
    }
    // The library file behind `path`, or empty after saying why it is left out.
    fs::path resolve(const std::string& path);

    ScriptLibrary library_;
    fs::path root_;
    fs::path staging_;
    const ProgressFunction& progress_;
    ExportReport report_;
    std::vector<GalleryCategory> categories_;
    std::vector<Job> jobs_;
    std::vector<std::pair<const Job*, ScriptPage>> pages_;
    std::set<fs::path> copied_; // looked at, whether written or not
    std::set<fs::path> written_;
};

fs::path Exporter::resolve(const std::string& path)
{
    const ResolvedPath resolved = resolveInside(root_, toPath(path));
    std::error_code error;
    if (resolved.outside)
        leaveOut(path, "it lies outside the library");
    else if (resolved.error == std::errc::no_such_file_or_directory)
        leaveOut(path, "no such file");
    else if (resolved.error)
        leaveOut(path, trimMessageTail(resolved.error.message()));
    // Only regular files are read: a pipe or a device would never end.
    else if (!fs::is_regular_file(resolved.real, error))
        leaveOut(path, "not a file");
    else
        return resolved.real;
    return {};
}

void Exporter::collect()
{
    const std::string categoriesPath = library_.categoriesPath();
    const ResolvedPath list = resolveInside(root_, toPath(categoriesPath));
    std::error_code error;
    if (list.outside)
        throw ToolError("\"" + categoriesPath + "\" lies outside the library: nothing was written");
    if (!list.error && !fs::is_regular_file(list.real, error))
        throw ToolError("Cannot open file \"" + categoriesPath + "\". It is not a regular file");

    for (const auto& name :
         CategoryListFile(list.error ? categoriesPath : pathText(list.real)).sectionNames()) {
        GalleryCategory category{name, {}};
        const TextList scripts = readList(name);
        for (std::size_t i = 0; i < scripts.size(); ++i) {
            if (scripts[i].empty()) {
                leaveOut(library_.scriptListPath(name), "line " + std::to_string(i + 1) + " is empty");
                continue;
            }
            jobs_.push_back({categories_.size(), category.scripts.size(), name, scripts[i]});
            category.scripts.push_back({scripts[i], {}});
        }
        categories_.push_back(std::move(category));
    }
}

TextList Exporter::readList(const std::string& category)
{
    const std::string path = library_.scriptListPath(category);
    const fs::path real = resolve(path);
    if (real.empty())
        return {};
    std::error_code error;
    if (const auto size = fs::file_size(real, error); !error && size > kMaxListBytes) {
        leaveOut(path, "larger than " + megabytes(kMaxListBytes) + ", too large for a list");
        return {};
    }
    try {
        return loadTextList(pathText(real));
    } catch (const FileOpenError& e) {
        report_.skipped.emplace_back(e.what());
        return {};
    }
}

void Exporter::copyScripts()
{
    for (std::size_t j = 0; j < jobs_.size(); ++j) {
        stopIfInterrupted();
        if (progress_)
            progress_(j + 1, jobs_.size());
        copyScript(jobs_[j]);
    }
}

void Exporter::copyScript(const Job& job)
{
    const std::string path = library_.scriptPath(job.categoryName, job.name);
    const fs::path relative = safeRelative(toPath(job.categoryName) / toPath(job.name));
    if (relative.empty()) {
        leaveOut(path, "the name leads out of the library");
        return;
    }
    // The file the program opens for the name, which is what the page shows and the copy holds.
    const fs::path real = resolve(path);
    if (real.empty())
        return;
    ScriptPage page;
    try {
        page.source = loadScriptText(pathText(real));
    } catch (const TextCapacityError&) {
        leaveOut(path, "larger than the code box holds (" + megabytes(kCodeBoxCapacity)
                           + "): the program cannot show it");
        return;
    } catch (const FileOpenError& e) {
        report_.skipped.emplace_back(e.what());
        return;
    }
    if (!copyWithAssets({relative, real}))
        return;
    page.category = job.categoryName;
    page.name = job.name;
    page.copyUrl = "../library/" + genericPathText(relative);
    categories_[job.category].scripts[job.script].page = "pages/" + pageFileName(job);
    pages_.emplace_back(&job, std::move(page));
}

void Exporter::writePages()
{
    // Pages link to their neighbours, so they are written once every page is known.
    fs::create_directories(staging_ / "pages");
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        ScriptPage& page = pages_[i].second;
        page.previousUrl = i > 0 ? pageFileName(*pages_[i - 1].first) : std::string();
        page.nextUrl = i + 1 < pages_.size() ? pageFileName(*pages_[i + 1].first) : std::string();
        writeWholeFile(pathText(staging_ / "pages" / pageFileName(*pages_[i].first)), scriptPage(page));
        ++report_.scripts;
    }
    writeWholeFile(pathText(staging_ / "index.html"), indexPage(categories_));
    writeWholeFile(pathText(staging_ / "gallery.css"), galleryStyle());
    writeWholeFile(pathText(staging_ / "gallery.js"), galleryScript());
}

// Copies a library file and, for pages and stylesheets, the files they use that lie in the
// library, each once. Says whether the file itself is in the gallery.
bool Exporter::copyWithAssets(const Pending& file)
{
    std::vector<Pending> pending{file};
    while (!pending.empty()) {
        stopIfInterrupted();
        const Pending next = pending.back();
        pending.pop_back();
        if (copied_.insert(next.relative).second)
            copyOne(next, pending);
    }
    return written_.count(file.relative) > 0;
}

void Exporter::copyOne(const Pending& file, std::vector<Pending>& pending)
{
    const std::string path = pathText(root_ / file.relative);
    const fs::path real = file.real.empty() ? resolve(path) : file.real;
    if (real.empty())
        return;
    std::error_code error;
    const std::uintmax_t size = fs::file_size(real, error);
    if (error) {
        leaveOut(path, trimMessageTail(error.message()));
        return;
    }

    const std::string extension = lowerExtension(file.relative);
    const bool page = isWebPageName(pathText(file.relative.filename()));
    if (!page && extension != ".css" && extension != ".js") {
        // Copied as it is, never held whole.
        if (size > kMaxAssetBytes)
            leaveOut(path,
                     "larger than " + megabytes(kMaxAssetBytes) + ", the limit for a file in a gallery");
        else if (!writeCopy(file.relative, [&](const fs::path& target) { fs::copy_file(real, target); }))
            leaveOut(path, "its path in the gallery is longer than the system allows");
        return;
    }
    if (size > kMaxRecodedBytes) {
        leaveOut(path, "larger than " + megabytes(kMaxRecodedBytes)
                           + ", the limit for a page, stylesheet or script");
        return;
    }
    std::string bytes;
    try {
        bytes = readWholeFile(pathText(real));
    } catch (const FileOpenError& e) {
        report_.skipped.emplace_back(e.what());
        return;
    }

    std::vector<PageReference> references;
    std::string text;
    if (page) {
        text = decodeLibraryText(bytes);
        references = scanPage(text).references;
        // Before the re-encoding, whose character set then comes first.
        linkLayer(file.relative, text, bytes);
        bytes = recodePage(bytes);
    } else if (extension == ".css") {
        text = decodeLibraryText(bytes);
        scanStyle(text, 0, references);
        bytes = recodeStyle(bytes);
    } else {
        // Loaded by a page that is now UTF-8, a script is read as UTF-8 too.
        bytes = decodeLibraryText(bytes);
    }
    if (!writeCopy(file.relative, [&](const fs::path& target) { writeWholeFile(pathText(target), bytes); })) {
        leaveOut(path, "its path in the gallery is longer than the system allows");
        return;
    }

    for (const auto& reference : references) {
        const std::string_view address = std::string_view(text).substr(reference.offset, reference.length);
        if (!isRelativeAddress(address))
            continue;
        const std::string assetPath = addressToPath(address);
        if (assetPath.empty())
            continue;
        // A browser resolves ".." in an address before it opens anything: so does the gallery.
        const fs::path asset = safeRelative(file.relative.parent_path() / toPath(assetPath));
        if (asset.empty() || copied_.count(asset))
            continue;
        // A file, or a link that may lead to one (or out of the library, which is then said).
        const auto status = fs::symlink_status(root_ / asset, error);
        if (fs::is_regular_file(status) || fs::is_symlink(status)) {
            pending.push_back({asset, {}});
        } else if (const std::optional<std::string> found = findIgnoringCase(pathText(root_ / asset))) {
            // Made on Windows, where letter case in names did not count: the file found is copied
            // under the name the page uses, so that the gallery finds it on any system.
            if (const fs::path real = resolve(*found); !real.empty())
                pending.push_back({asset, real});
        }
    }
}

// A page of the old browsers runs in the gallery as in the preview: the parts of the compatibility
// layer it needs go beside its copy as one script, linked first in its head.
void Exporter::linkLayer(const fs::path& relative, const std::string& text, std::string& bytes)
{
    const std::string layer =
        pages::standaloneLayer(text, pathText((root_ / relative).parent_path()), pathText(root_));
    if (layer.empty())
        return;
    const std::string name = pages::standaloneLayerName(pathText(relative.filename()));
    if (writeCopy(relative.parent_path() / toPath(name),
                  [&](const fs::path& target) { writeWholeFile(pathText(target), layer); }))
        bytes = pages::applyEdits(bytes, {pages::standaloneLayerLink(bytes, name)});
}

// Writes the gallery's copy of a library file through `writeTo`; false when the copy's path is
// longer than the system allows, which leaves out that file alone.
bool Exporter::writeCopy(const fs::path& relative, const std::function<void(const fs::path& target)>& writeTo)
{
    const fs::path target = staging_ / "library" / relative;
    try {
        fs::create_directories(target.parent_path());
        writeTo(target);
    } catch (const fs::filesystem_error& e) {
        if (e.code() != std::errc::filename_too_long)
            throw;
        return false;
    } catch (const FileCreateError&) {
        std::error_code error;
        const auto status = fs::symlink_status(target, error);
        static_cast<void>(status);
        if (error != std::errc::filename_too_long)
            throw;
        return false;
    }
    written_.insert(relative);
    return true;
}

// What is at the gallery's place before the export.
enum class Target { Absent, Empty, Gallery };

Target checkTarget(const fs::path& target, const std::string& out, bool force)
{
    std::error_code error;
    const auto status = fs::symlink_status(target, error);
    if (!fs::exists(status))
        return Target::Absent;
    if (fs::is_symlink(status))
        throw ToolError("\"" + out + "\" is a symbolic link; give the gallery a folder of its own");
    if (!fs::is_directory(status))
        throw ToolError("\"" + out + "\" exists and is not a folder");
    if (fs::is_empty(target, error) && !error)
        return Target::Empty;
    // Whatever the options, a folder this tool did not write is never emptied.
    if (!isStampedGallery(target))
        throw ToolError("\"" + out
                        + "\" is not empty and holds no gallery written by this tool: it is left as it is");
    if (!force)
        throw ToolError("\"" + out + "\" holds a gallery; add --force to replace it");
    return Target::Gallery;
}

// Moves the finished staging folder to the gallery's place. An old gallery goes only once the
// new one is in place; a failed swap puts it back.
void putInPlace(const fs::path& staging, const fs::path& target, Target before)
{
    if (before == Target::Empty)
        fs::remove(target);
    if (before != Target::Gallery) {
        fs::rename(staging, target);
        return;
    }
    const fs::path old = makeStagingFolder(target.parent_path());
    std::error_code error;
    try {
        fs::rename(target, old / "gallery");
        fs::rename(staging, target);
    } catch (...) {
        if (fs::exists(old / "gallery", error))
            fs::rename(old / "gallery", target, error);
        fs::remove_all(old, error);
        throw;
    }
    fs::remove_all(old, error);
}

} // namespace

ExportReport exportGallery(const std::string& directory, const std::string& out, bool force,
                           const ProgressFunction& progress)
{
    requireLibrary(directory);
    std::error_code error;
    const fs::path root = fs::canonical(toPath(directory));
    fs::path target = fs::absolute(toPath(out)).lexically_normal();
    if (target.filename().empty())
        target = target.parent_path();
    const fs::path resolved = fs::weakly_canonical(target, error);
    if (!error && (isWithin(resolved, root) || isWithin(root, resolved)))
        throw ToolError("The gallery \"" + out + "\" and the library \"" + directory
                        + "\" must not lie one inside the other: nothing in the library is written");
    const Target before = checkTarget(target, out, force);

    fs::path staging;
    const auto removeStaging = [&] {
        if (!staging.empty())
            fs::remove_all(staging, error);
    };
    try {
        fs::create_directories(target.parent_path());
        removeStaleStaging(target.parent_path());
        staging = makeStagingFolder(target.parent_path());
        ExportReport report = Exporter(directory, staging, progress).run();
        putInPlace(staging, target, before);
        return report;
    } catch (const fs::filesystem_error& e) {
        removeStaging();
        throw fileSystemToolError("Cannot write the gallery \"" + out + "\"", e);
    } catch (const FileCreateError& e) {
        removeStaging();
        throw ToolError(e.what());
    } catch (...) {
        removeStaging();
        throw;
    }
}

} // namespace corvane::librarytool
