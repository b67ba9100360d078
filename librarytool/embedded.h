#pragma once

#include <string_view>

// Files of the tree compiled in as they are (see corvane_embed in cmake/embed.cmake).
namespace corvane::embedded {

extern const std::string_view galleryCss; // librarytool/gallery.css
extern const std::string_view galleryJs;  // librarytool/gallery.js

} // namespace corvane::embedded
