#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::pages {

// Re-encoding library files for use elsewhere: the library is Windows-1251, sites are UTF-8.

// Replaces [offset, offset + length) of a text; edits must not overlap.
struct TextEdit {
    std::size_t offset;
    std::size_t length;
    std::string replacement;
};
std::string applyEdits(std::string text, std::vector<TextEdit> edits);

// Text of a library file as UTF-8: Windows-1251, unless it is UTF-8 with a byte-order mark.
std::string decodeLibraryText(const std::string& bytes);

// The page's text with every declaration of its character set saying `charset`: meta charset,
// the charset of an http-equiv content type, and the charset of the scripts and stylesheets it
// loads (their copies go in the same encoding). A page that declares nothing gets a meta
// charset after <head>, else after <html>, else after a leading doctype, else first.
std::string declareCharset(const std::string& text, std::string_view charset);

// A library page as UTF-8 whose own declarations say so.
std::string recodePage(const std::string& bytes);

// A stylesheet's text with its @charset rule, if it opens with one, saying `charset`.
std::string declareStyleCharset(std::string text, std::string_view charset);

// A library stylesheet as UTF-8, its @charset rule updated.
std::string recodeStyle(const std::string& bytes);

} // namespace corvane::pages
