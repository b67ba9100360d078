#pragma once

#include "pages/recode.h"
#include "platform/errors.h"
#include "platform/filestream.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::pages {

// Saving a library page elsewhere with the files it uses, so that it shows the same from its
// new place with no network: what the window's Save does.

enum class PageEncoding { Utf8, Windows1251 };

struct SaveRequest {
    std::string text;          // the page as UTF-8, as the user has it (edited or not)
    std::string pageFolder;    // the library folder its relative addresses start from
    std::string libraryFolder; // only files inside it are copied
    std::string targetFolder;  // where the page goes: an existing folder the user chose
    std::string pageName;      // the saved page's file name
    PageEncoding encoding = PageEncoding::Utf8;
    // Folders nothing may be written into: the program folder, the library.
    std::vector<std::string> forbiddenFolders;
    // So that it runs in today's browsers: each page that needs the compatibility layer gets its
    // parts as one script beside it, linked first in its head.
    bool forToday = false;
};

// The save is refused before anything is written; the message is for the user.
class SaveRefused : public Error {
public:
    using Error::Error;
    const char* className() const noexcept override { return "SaveRefused"; }
};

// Plans a save at construction (reads the page's stylesheets and framed pages, nothing else)
// and then writes a piece a step, so that a window stays responsive in between. Files in the
// page's folder and below keep their relative places; a file above it goes into a folder
// "<page>_files" beside the page, and the references to it are rewritten. Remote addresses and
// files outside the library are left as they are; a file larger than a library file may be
// (pages/filelimits.h) is left out and named in leftOut(). Every file is written beside its place
// under a temporary name and renamed into place once all are written; a save that does not get
// that far (an error, or the saver destroyed before done()) removes everything it wrote.
// Throws SaveRefused when the target folder, or the place where any file would really land
// (links followed), lies in a forbidden folder or the library; FileOpenError when a page or
// stylesheet the page uses cannot be read.
class PageSaver {
public:
    explicit PageSaver(SaveRequest request);
    ~PageSaver();
    PageSaver(const PageSaver&) = delete;
    PageSaver& operator=(const PageSaver&) = delete;

    // Paths relative to the target folder, in writing order: the files the page uses, then the
    // page.
    std::vector<std::string> targets() const;
    // The targets that exist already, the page first; the caller asks before the first step.
    std::vector<std::string> existingTargets() const;
    // Files written besides the page so far.
    std::size_t assetsWritten() const;
    // What the page uses that is not saved, one line each: the file (relative to the library)
    // and why, for the user.
    const std::vector<std::string>& leftOut() const { return leftOut_; }

    // Writes the next piece; false once every file is in place. Throws FileCreateError, or
    // FileOpenError when a file to copy cannot be read.
    bool step();
    bool done() const { return placed_; }

private:
    enum class Kind { Page, Style, Script, Other, Layer };
    struct File {
        std::string source; // library path; empty for the page itself
        std::string target; // relative to the target folder, "/" separated
        Kind kind = Kind::Other;
        std::string text; // pages and stylesheets: the UTF-8 text the rewrites apply to; a layer's script
        std::vector<TextEdit> rewrites;
    };
    // A file written under its temporary name, waiting to be renamed into place.
    struct Written {
        std::string temporary;
        std::string target;
    };

    std::size_t add(const std::string& source, Kind kind);
    void collect(std::size_t index);
    void addLayers();
    void refuseForbiddenTargets() const;
    std::string contents(const File& file) const;
    void open(const File& file);
    void finishFile();
    void putInPlace();
    void removeWritten();

    SaveRequest request_;
    std::vector<File> files_; // the page first while planning, last once planned
    std::vector<std::string> leftOut_;
    std::size_t next_ = 0; // the file being written
    std::unique_ptr<NewFile> writer_;
    std::unique_ptr<FileReader> reader_; // the copy under way
    std::uintmax_t copied_ = 0;
    std::vector<Written> written_;
    std::vector<std::string> madeFolders_;
    std::vector<std::string> newTargets_; // renamed into place where nothing stood
    bool placed_ = false;
};

} // namespace corvane::pages
