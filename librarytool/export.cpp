#include "librarytool/export.h"

#include "librarytool/findings.h"
#include "librarytool/gallery.h"
#include "pages/pagenames.h"
#include "pages/pagescan.h"
#include "pages/recode.h"
#include "library/scriptlibrary.h"
#include "library/textlist.h"
#include "platform/ascii.h"
#include "platform/codepage.h"
#include "platform/files.h"

#include <filesystem>
#include <random>
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
    return asciiLowered(path.extension().string());
}

// `path` is `root` or lies beneath it (both canonical or both lexically normal).
bool isWithin(const fs::path& path, const fs::path& root)
{
    auto p = path.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++p) {
        if (r->empty() && std::next(r) == root.end())
            break; // a trailing separator
        if (p == path.end() || *p != *r)
            return false;
    }
    return true;
}

// A path relative to the library that stays inside it, or an empty path.
fs::path safeRelative(const fs::path& relative)
{
    const fs::path normal = relative.lexically_normal();
    if (normal.empty() || normal.is_absolute() || normal.has_root_name() || normal.has_root_directory()
        || *normal.begin() == "..")
        return {};
    return normal;
}

std::string randomSuffix()
{
    static std::mt19937 generator{std::random_device{}()};
    return std::to_string(generator() % 1000000000u);
}

// A new empty folder beside `target`, named after it.
fs::path makeSibling(const fs::path& target, const std::string& purpose)
{
    for (int attempt = 0;; ++attempt) {
        const fs::path candidate = target.parent_path() / ("." + target.filename().string() + "." + purpose + "-" + randomSuffix());
        std::error_code error;
        if (fs::create_directory(candidate, error))
            return candidate;
        if (error || attempt > 100)
            throw ToolError("Cannot create folder \"" + candidate.string() + "\". "
                            + trimMessageTail(error ? error.message() : "It exists"));
    }
}

struct Job {
    std::size_t category; // index into the gallery's categories
    std::size_t script;   // index into that category's scripts
    std::string categoryName;
    std::string name;
};

class Exporter {
public:
    Exporter(const std::string& directory, fs::path staging, const ProgressFunction& progress)
        : library_(directory), root_(fs::canonical(directory)), staging_(std::move(staging)), progress_(progress)
    {
    }

    ExportReport run();

private:
    bool copyWithAssets(const fs::path& relative);
    void copyOne(const fs::path& relative, std::vector<fs::path>& pending);
    void write(const fs::path& relative, const std::string& bytes);

    ScriptLibrary library_;
    fs::path root_;
    fs::path staging_;
    const ProgressFunction& progress_;
    ExportReport report_;
    std::set<fs::path> copied_; // looked at, whether written or not
    std::set<fs::path> written_;
};

ExportReport Exporter::run()
{
    // Only regular files are read: a pipe or a device where a list belongs would never end.
    std::error_code error;
    const std::string categoriesPath = library_.categoriesPath();
    if (fs::exists(categoriesPath, error) && !fs::is_regular_file(categoriesPath, error))
        throw ToolError("Cannot open file \"" + categoriesPath + "\". It is not a regular file");

    std::vector<GalleryCategory> categories;
    std::vector<Job> jobs;
    for (const auto& name : CategoryListFile(categoriesPath).sectionNames()) {
        GalleryCategory category{name, {}};
        TextList scripts;
        const std::string listPath = library_.scriptListPath(name);
        try {
            if (fs::exists(listPath, error) && !fs::is_regular_file(listPath, error))
                throw FileOpenError("Cannot open file \"" + listPath + "\". It is not a regular file");
            scripts = library_.loadScriptList(name);
        } catch (const FileOpenError& e) {
            report_.skipped.push_back(e.what());
        }
        for (std::size_t i = 0; i < scripts.size(); ++i) {
            if (scripts[i].empty()) {
                report_.skipped.push_back(library_.scriptListPath(name) + ": line " + std::to_string(i + 1) + " is empty");
                continue;
            }
            jobs.push_back({categories.size(), category.scripts.size(), name, scripts[i]});
            category.scripts.push_back({scripts[i], {}});
        }
        categories.push_back(std::move(category));
    }

    std::vector<std::pair<const Job*, ScriptPage>> pages;
    for (std::size_t j = 0; j < jobs.size(); ++j) {
        const Job& job = jobs[j];
        if (progress_)
            progress_(j + 1, jobs.size());
        const std::string path = library_.scriptPath(job.categoryName, job.name);
        const fs::path relative = safeRelative(fs::path(job.categoryName) / job.name);
        if (relative.empty()) {
            report_.skipped.push_back(path + ": the name leads out of the library");
            continue;
        }
        if (!fs::is_regular_file(path, error)) {
            report_.skipped.push_back(fs::exists(path, error) ? path + ": not a file" : path + ": no such file");
            continue;
        }
        ScriptPage page;
        try {
            page.source = loadScriptText(path);
        } catch (const FileOpenError& e) {
            report_.skipped.push_back(e.what());
            continue;
        }
        if (!copyWithAssets(relative)) {
            report_.skipped.push_back(path + ": it lies outside the library");
            continue;
        }
        page.category = job.categoryName;
        page.name = job.name;
        page.copyUrl = "../library/" + relative.generic_string();
        const std::string url = "pages/" + std::to_string(job.category + 1) + "-" + std::to_string(job.script + 1) + ".html";
        categories[job.category].scripts[job.script].page = url;
        pages.emplace_back(&job, std::move(page));
    }

    // Pages link to their neighbours, so they are written once every page is known.
    for (std::size_t i = 0; i < pages.size(); ++i) {
        auto pageName = [&](std::size_t k) {
            const Job& job = *pages[k].first;
            return std::to_string(job.category + 1) + "-" + std::to_string(job.script + 1) + ".html";
        };
        ScriptPage& page = pages[i].second;
        page.previousUrl = i > 0 ? pageName(i - 1) : std::string();
        page.nextUrl = i + 1 < pages.size() ? pageName(i + 1) : std::string();
        fs::create_directories(staging_ / "pages");
        writeWholeFile((staging_ / "pages" / pageName(i)).string(), scriptPage(page));
        ++report_.scripts;
    }
    writeWholeFile((staging_ / "index.html").string(), indexPage(categories));
    writeWholeFile((staging_ / "gallery.css").string(), galleryStyle());
    writeWholeFile((staging_ / "gallery.js").string(), galleryScript());
    return std::move(report_);
}

// Copies a library file and, for pages and stylesheets, the files they use that lie in the
// library, each once. Says whether the file itself is in the gallery.
bool Exporter::copyWithAssets(const fs::path& relative)
{
    std::vector<fs::path> pending{relative};
    while (!pending.empty()) {
        const fs::path next = pending.back();
        pending.pop_back();
        if (copied_.insert(next).second)
            copyOne(next, pending);
    }
    return written_.count(relative) > 0;
}

void Exporter::copyOne(const fs::path& relative, std::vector<fs::path>& pending)
{
    const fs::path source = root_ / relative;
    std::error_code error;
    // Through a link that leads out of the library nothing is copied.
    const fs::path real = fs::canonical(source, error);
    if (error || !isWithin(real, root_) || !fs::is_regular_file(real, error))
        return;
    std::string bytes;
    try {
        bytes = readWholeFile(source.string());
    } catch (const FileOpenError& e) {
        report_.skipped.push_back(e.what());
        return;
    }

    const std::string extension = lowerExtension(relative);
    std::vector<PageReference> references;
    std::string text;
    if (isWebPageName(relative.filename().string())) {
        text = decodeLibraryText(bytes);
        references = scanPage(text).references;
        bytes = recodePage(bytes);
    } else if (extension == ".css") {
        text = decodeLibraryText(bytes);
        scanStyle(text, 0, references);
        bytes = recodeStyle(bytes);
    } else if (extension == ".js") {
        // Loaded by a page that is now UTF-8, a script is read as UTF-8 too.
        bytes = decodeLibraryText(bytes);
    }
    write(relative, bytes);

    for (const auto& reference : references) {
        const std::string_view address = std::string_view(text).substr(reference.offset, reference.length);
        if (!isRelativeAddress(address))
            continue;
        const std::string path = addressToPath(address);
        if (path.empty())
            continue;
        const fs::path asset = safeRelative(relative.parent_path() / fs::path(path));
        if (!asset.empty() && !copied_.count(asset) && fs::is_regular_file(root_ / asset, error))
            pending.push_back(asset);
    }
}

void Exporter::write(const fs::path& relative, const std::string& bytes)
{
    const fs::path target = staging_ / "library" / relative;
    fs::create_directories(target.parent_path());
    writeWholeFile(target.string(), bytes);
    written_.insert(relative);
}

} // namespace

ExportReport exportGallery(const std::string& directory, const std::string& out, bool force,
                           const ProgressFunction& progress)
{
    std::error_code error;
    if (!fs::is_directory(directory, error))
        throw ToolError("Cannot open library folder \"" + directory + "\". "
                        + (error ? trimMessageTail(error.message()) : std::string("It is not a folder")));
    const fs::path root = fs::canonical(directory);
    fs::path target = fs::absolute(out).lexically_normal();
    if (target.filename().empty())
        target = target.parent_path();
    const fs::path resolved = fs::weakly_canonical(target, error);
    if (!error && (isWithin(resolved, root) || isWithin(root, resolved)))
        throw ToolError("The gallery \"" + out + "\" and the library \"" + directory
                        + "\" must not lie one inside the other: nothing in the library is written");

    const auto status = fs::symlink_status(target, error);
    const bool exists = fs::exists(status);
    if (exists) {
        if (fs::is_symlink(status))
            throw ToolError("\"" + out + "\" is a symbolic link; give the gallery a folder of its own");
        if (!fs::is_directory(status))
            throw ToolError("\"" + out + "\" exists and is not a folder");
        if (!fs::is_empty(target, error) && !force)
            throw ToolError("\"" + out + "\" is not empty; add --force to replace it");
    }

    fs::path staging;
    try {
        fs::create_directories(target.parent_path());
        staging = makeSibling(target, "new");
        ExportReport report = Exporter(directory, staging, progress).run();
        if (exists) {
            // The old folder goes only once the new one is complete; a failed swap puts it back.
            const fs::path old = makeSibling(target, "old");
            fs::rename(target, old / "gallery");
            try {
                fs::rename(staging, target);
            } catch (...) {
                fs::rename(old / "gallery", target, error);
                fs::remove(old, error);
                throw;
            }
            fs::remove_all(old, error);
        } else {
            fs::rename(staging, target);
        }
        return report;
    } catch (const fs::filesystem_error& e) {
        if (!staging.empty())
            fs::remove_all(staging, error);
        throw ToolError("Cannot write the gallery \"" + out + "\". " + trimMessageTail(e.code().message())
                        + (e.path1().empty() ? std::string() : " (" + e.path1().string() + ")"));
    } catch (const FileCreateError& e) {
        if (!staging.empty())
            fs::remove_all(staging, error);
        throw ToolError(e.what());
    } catch (...) {
        if (!staging.empty())
            fs::remove_all(staging, error);
        throw;
    }
}

} // namespace corvane::librarytool
