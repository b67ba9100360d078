#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane::librarytool {

// The gallery's pages, all UTF-8.

std::string escapeHtml(std::string_view text);

// Text of a library file as UTF-8: Windows-1251, unless it is UTF-8 with a byte-order mark.
std::string decodeLibraryText(const std::string& bytes);

// A page of the library as UTF-8 whose own declarations say so: meta charset, the charset of
// an http-equiv content type, and the charset of the scripts and stylesheets it loads (their
// copies are UTF-8 too). A page that declares nothing gets a meta charset.
std::string recodePage(const std::string& bytes);

// A stylesheet as UTF-8, its @charset rule updated.
std::string recodeStyle(const std::string& bytes);

// The source as HTML: one span a coloured run, classes "tk-" + the lexer's kind name.
std::string colourSource(std::string_view text);

// The stylesheet rules for colourSource's classes.
std::string tokenStyles();

// A relative path as a URL path: each segment percent-encoded, separators kept.
std::string pathToUrl(std::string_view relative);

struct GalleryScript {
    std::string name;
    std::string page; // the script's page, relative to the gallery; empty when it is left out
};

struct GalleryCategory {
    std::string name;
    std::vector<GalleryScript> scripts;
};

// The gallery's front page: every category and its scripts in library order, and a search field.
std::string indexPage(const std::vector<GalleryCategory>& categories);

struct ScriptPage {
    std::string category;
    std::string name;
    std::string copyUrl;     // the copied script, relative to the page
    std::string source;      // the text the program's code box shows
    std::string previousUrl; // neighbouring pages, empty at the ends
    std::string nextUrl;
};

std::string scriptPage(const ScriptPage& page);

// The shared stylesheet and script beside index.html.
std::string galleryStyle();
std::string galleryScript();

} // namespace corvane::librarytool
