#include "pages/savepage.h"

#include "pages/filelimits.h"
#include "pages/pagenames.h"
#include "pages/pagescan.h"
#include "pages/standalonelayer.h"
#include "platform/ascii.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/insidepath.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <random>

namespace fs = std::filesystem;

namespace corvane::pages {
namespace {

fs::path normalFolder(const std::string& folder)
{
    fs::path path = fs::absolute(fs::path(folder)).lexically_normal();
    return path.filename().empty() ? path.parent_path() : path;
}

// Where a path really leads, links resolved; the path itself when that cannot be known.
fs::path resolved(const fs::path& path)
{
    std::error_code error;
    const fs::path real = fs::weakly_canonical(path, error);
    return error ? path : real;
}

// A relative path as an address: what would end or break it escaped, letters beyond ASCII kept
// (browsers send a path as UTF-8 whatever the page's encoding), so the page stays readable.
std::string addressOf(std::string_view relative)
{
    std::string out;
    for (const char ch : relative) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')
                           || (c >= '0' && c <= '9')
                           || std::string_view("-_.~/!$*+,;=:@").find(ch) != std::string_view::npos;
        if (plain) {
            out += ch;
        } else {
            static const char kHex[] = "0123456789ABCDEF";
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

std::string extensionOf(const fs::path& path)
{
    return asciiLowered(path.extension().string());
}

std::string megabytes(std::uintmax_t bytes)
{
    return std::to_string(bytes >> 20) + " MB";
}

// What a step copies at most, so that the window answers in between.
constexpr std::uintmax_t kStepBytes = std::uintmax_t{8} << 20;

std::string temporaryName(const fs::path& target)
{
    static std::mt19937 generator{std::random_device{}()};
    return (target.parent_path()
            / ("." + target.filename().string() + ".corvane-" + std::to_string(generator() % 1000000000u)))
        .string();
}

} // namespace

PageSaver::PageSaver(SaveRequest request)
    : request_(std::move(request))
{
    const fs::path target = resolved(normalFolder(request_.targetFolder));
    for (const auto& forbidden : request_.forbiddenFolders) {
        if (isWithin(target, resolved(normalFolder(forbidden))) || isWithin(target, normalFolder(forbidden)))
            throw SaveRefused(
                "В папката на програмата и в библиотеката не се записва нищо: изберете друга папка ("
                + target.string() + ").");
    }

    files_.push_back({std::string(), request_.pageName, Kind::Page, request_.text, {}});
    // Each file is looked into once, in the order found; collect() may add more.
    for (std::size_t i = 0; i < files_.size(); ++i)
        collect(i);
    if (request_.forToday)
        addLayers();
    std::rotate(files_.begin(), files_.begin() + 1, files_.end());
    refuseForbiddenTargets();
}

PageSaver::~PageSaver()
{
    if (!placed_)
        removeWritten();
}

// Where each file would really land, links in the target folder followed: never in the library
// or the program folder, however the page's references or the folder lead there.
void PageSaver::refuseForbiddenTargets() const
{
    std::vector<fs::path> forbidden;
    for (const auto& folder : request_.forbiddenFolders) {
        forbidden.push_back(normalFolder(folder));
        forbidden.push_back(resolved(normalFolder(folder)));
    }
    forbidden.push_back(normalFolder(request_.libraryFolder));
    forbidden.push_back(resolved(normalFolder(request_.libraryFolder)));
    const fs::path root = normalFolder(request_.targetFolder);
    for (const File& file : files_) {
        const fs::path path = (root / file.target).lexically_normal();
        const fs::path real = resolved(path);
        for (const fs::path& folder : forbidden)
            if (isWithin(path, folder) || isWithin(real, folder))
                throw SaveRefused("„" + file.target
                                  + "“ би се записал в библиотеката или в папката на програмата ("
                                  + real.string() + "): нищо не е записано. Изберете друга папка.");
    }
}

// Each page that needs the compatibility layer gets its own script beside it, written before it.
void PageSaver::addLayers()
{
    const std::size_t count = files_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (files_[i].kind != Kind::Page)
            continue;
        const std::string folder = files_[i].source.empty()
                                       ? request_.pageFolder
                                       : fs::path(files_[i].source).parent_path().string();
        std::string script = standaloneLayer(files_[i].text, folder, request_.libraryFolder);
        if (script.empty())
            continue;
        const fs::path target(files_[i].target);
        const std::string name = standaloneLayerName(target.filename().string());
        files_[i].rewrites.push_back(standaloneLayerLink(files_[i].text, name));
        files_.push_back({std::string(),
                          (target.parent_path() / name).generic_string(),
                          Kind::Layer,
                          std::move(script),
                          {}});
    }
}

std::size_t PageSaver::add(const std::string& source, Kind kind)
{
    for (std::size_t i = 0; i < files_.size(); ++i)
        if (files_[i].source == source)
            return i;
    const fs::path path(source);
    // Too large for a library file: named, not read.
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    const std::uintmax_t limit = kind == Kind::Other ? kMaxAssetBytes : kMaxTextBytes;
    if (!error && size > limit) {
        const std::string shown =
            path.lexically_relative(normalFolder(request_.libraryFolder)).generic_string();
        if (std::find_if(
                leftOut_.begin(), leftOut_.end(),
                [&](const std::string& line) { return line.compare(0, shown.size() + 1, shown + ":") == 0; })
            == leftOut_.end())
            leftOut_.push_back(shown + ": по-голям от " + megabytes(limit)
                               + (kind == Kind::Other ? ", границата за файл в библиотеката"
                                                      : ", границата за страница, стил или скрипт"));
        return std::string::npos;
    }
    const fs::path relative = path.lexically_relative(normalFolder(request_.pageFolder));
    std::string target;
    if (!relative.empty() && *relative.begin() != "..") {
        target = relative.generic_string();
    } else {
        const std::string stem = fs::path(request_.pageName).stem().string();
        target =
            stem + "_files/" + path.lexically_relative(normalFolder(request_.libraryFolder)).generic_string();
    }
    File file{source, target, kind, {}, {}};
    if (kind == Kind::Page || kind == Kind::Style)
        file.text = decodeLibraryText(readWholeFile(source));
    files_.push_back(std::move(file));
    return files_.size() - 1;
}

void PageSaver::collect(std::size_t index)
{
    if (files_[index].kind != Kind::Page && files_[index].kind != Kind::Style)
        return;
    std::vector<PageReference> references;
    std::vector<PageReference> named; // names in script strings: taken only when the file exists
    if (files_[index].kind == Kind::Page) {
        PageScan scan = scanPage(files_[index].text);
        references = std::move(scan.references);
        named = std::move(scan.scriptStrings);
    } else {
        scanStyle(files_[index].text, 0, references);
    }
    const fs::path library = normalFolder(request_.libraryFolder);
    const fs::path realLibrary = resolved(library);
    const fs::path folder = files_[index].source.empty() ? normalFolder(request_.pageFolder)
                                                         : fs::path(files_[index].source).parent_path();
    auto take = [&](const PageReference& reference, bool besidePage) {
        const std::string_view address =
            std::string_view(files_[index].text).substr(reference.offset, reference.length);
        if (!isRelativeAddress(address))
            return;
        const std::string path = addressToPath(address);
        if (path.empty())
            return;
        fs::path asset = (folder / fs::path(path)).lexically_normal();
        // Made on Windows, where letter case in names did not count: the file found is saved under
        // its own name, and the reference rewritten to it.
        if (const std::optional<std::string> found = findIgnoringCase(asset.string()))
            asset = fs::path(*found);
        std::error_code error;
        // Through a link that leads out of the library nothing is copied.
        if (!isWithin(asset, library) || !isWithin(resolved(asset), realLibrary)
            || !fs::is_regular_file(asset, error))
            return;
        if (besidePage && !isWithin(asset, folder))
            return;
        // The part before a query or fragment is what a rewrite replaces.
        const std::string_view trimmed = trimmedAddress(address);
        const std::size_t start =
            reference.offset + static_cast<std::size_t>(trimmed.data() - address.data());
        const std::size_t length = std::min(trimmed.find_first_of("?#"), trimmed.size());

        const std::string extension = extensionOf(asset);
        const Kind kind = isWebPageName(asset.filename().string()) ? Kind::Page
                          : extension == ".css"                    ? Kind::Style
                          : extension == ".js"                     ? Kind::Script
                                                                   : Kind::Other;
        const std::size_t j = add(asset.string(), kind); // may move files_
        if (j == std::string::npos)
            return;
        const fs::path from = fs::path(files_[index].target).parent_path();
        const std::string now = fs::path(files_[j].target).lexically_relative(from).generic_string();
        if (now != fs::path(path).lexically_normal().generic_string())
            files_[index].rewrites.push_back({start, length, addressOf(now)});
    };
    for (const auto& reference : references)
        if (reference.loads)
            take(reference, false);
    for (const auto& reference : named)
        take(reference, true);
}

std::vector<std::string> PageSaver::targets() const
{
    std::vector<std::string> out;
    for (const auto& file : files_)
        out.push_back(file.target);
    return out;
}

std::vector<std::string> PageSaver::existingTargets() const
{
    std::vector<std::string> out;
    // The page first: it is what the user chose a name for.
    std::vector<const File*> order{&files_.back()};
    for (std::size_t i = 0; i + 1 < files_.size(); ++i)
        order.push_back(&files_[i]);
    for (const File* file : order) {
        std::error_code error;
        if (fs::exists(fs::symlink_status(normalFolder(request_.targetFolder) / file->target, error)))
            out.push_back(file->target);
    }
    return out;
}

std::string PageSaver::contents(const File& file) const
{
    const bool utf8 = request_.encoding == PageEncoding::Utf8;
    const char* charset = utf8 ? "utf-8" : "windows-1251";
    switch (file.kind) {
    case Kind::Page: {
        const std::string text = declareCharset(applyEdits(file.text, file.rewrites), charset);
        return utf8 ? text : utf8ToCp1251(text);
    }
    case Kind::Style: {
        const std::string text = declareStyleCharset(applyEdits(file.text, file.rewrites), charset);
        return utf8 ? text : utf8ToCp1251(text);
    }
    case Kind::Script: {
        // A script grown past the limit since the save was planned ends the save.
        const std::optional<std::string> bytes = readWholeFileWithin(file.source, kMaxTextBytes);
        if (!bytes)
            throw FileOpenError("Cannot open file \"" + file.source + "\". It is larger than "
                                + megabytes(kMaxTextBytes));
        // Loaded by a page in the chosen encoding, a script is read in it too.
        return utf8 ? decodeLibraryText(*bytes) : *bytes;
    }
    case Kind::Layer: return file.text;
    case Kind::Other: break;
    }
    return {};
}

// Makes the folders on the way and starts the file under its temporary name beside its place.
void PageSaver::open(const File& file)
{
    const fs::path root = normalFolder(request_.targetFolder);
    fs::path folder = root;
    const fs::path relative(file.target);
    for (const auto& part : relative.parent_path()) {
        folder /= part;
        if (createDirectory(folder.string()))
            madeFolders_.push_back(folder.string());
        std::error_code error;
        // A folder is made, or one of ours already stands there; a link is never followed.
        if (!fs::is_directory(fs::symlink_status(folder, error)))
            throw FileCreateError("Cannot create file \"" + (root / relative).string() + "\". "
                                  + (fs::is_symlink(fs::symlink_status(folder, error))
                                         ? "A folder on the way is a symbolic link"
                                         : "A folder on the way cannot be made"));
    }
    writer_ = std::make_unique<NewFile>(temporaryName(root / relative));
    copied_ = 0;
    if (file.kind == Kind::Other) {
        reader_ = std::make_unique<FileReader>(file.source);
        return;
    }
    writer_->write(contents(file));
    finishFile();
}

void PageSaver::finishFile()
{
    writer_->keep();
    written_.push_back(
        {writer_->path(), (normalFolder(request_.targetFolder) / files_[next_].target).string()});
    writer_.reset();
    reader_.reset();
    ++next_;
}

// Every file is written: each takes its place, over what the user agreed to replace.
void PageSaver::putInPlace()
{
    for (const Written& file : written_) {
        std::error_code error;
        const bool stood = fs::exists(fs::symlink_status(file.target, error));
        fs::rename(file.temporary, file.target, error);
        if (error)
            throw FileCreateError("Cannot create file \"" + file.target + "\". " + error.message());
        if (!stood)
            newTargets_.push_back(file.target);
    }
    placed_ = true;
}

void PageSaver::removeWritten()
{
    writer_.reset(); // removes the file under way
    std::error_code error;
    for (const Written& file : written_)
        fs::remove(file.temporary, error);
    for (const std::string& target : newTargets_)
        fs::remove(target, error);
    for (auto it = madeFolders_.rbegin(); it != madeFolders_.rend(); ++it)
        fs::remove(*it, error); // only if nothing else is in it
}

bool PageSaver::step()
{
    if (placed_)
        return false;
    if (next_ == files_.size()) {
        putInPlace();
        return false;
    }
    if (!writer_) {
        open(files_[next_]);
        return true;
    }
    // A piece of the copy under way.
    for (std::uintmax_t budget = kStepBytes; budget > 0;) {
        const std::string_view piece =
            reader_->read(static_cast<std::size_t>(std::min<std::uintmax_t>(budget, kCopyPieceBytes)));
        if (piece.empty()) {
            finishFile();
            break;
        }
        copied_ += piece.size();
        if (copied_ > kMaxAssetBytes)
            throw FileOpenError("Cannot open file \"" + files_[next_].source + "\". It is larger than "
                                + megabytes(kMaxAssetBytes));
        writer_->write(piece);
        budget -= piece.size();
    }
    return true;
}

std::size_t PageSaver::assetsWritten() const
{
    return placed_ ? files_.size() - 1 : std::min(next_, files_.size() - 1);
}

} // namespace corvane::pages
