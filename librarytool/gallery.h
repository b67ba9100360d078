#pragma once

#include "pages/pagescan.h"

#include <string>
#include <string_view>
#include <vector>

namespace corvane::librarytool {

// The gallery's pages, all UTF-8.

std::string escapeHtml(std::string_view text);

// The gallery names its pages and copies by URL path.
using pages::pathToUrl;

// The source as HTML: one span a coloured run, classes "tk-" + the lexer's kind name.
std::string colourSource(std::string_view text);

// The stylesheet rules for colourSource's classes.
std::string tokenStyles();

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
