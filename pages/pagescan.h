#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::pages {

// One address a page names, found in a tag's attribute or in CSS.
struct PageReference {
    std::size_t offset = 0; // of the address inside the scanned text
    std::size_t length = 0;
    // True when the browser fetches it to show the page (src, stylesheet, url(), @import);
    // false for links the reader may follow (a href, form action).
    bool loads = false;
    std::string where; // "<img src>", "url()", "@import"
};

// A place that declares the page's character set; the value alone is replaced on export.
struct CharsetDeclaration {
    std::size_t offset = 0; // of the value ("windows-1251" in charset=windows-1251)
    std::size_t length = 0;
    bool ofDocument = true; // a meta tag's, not the charset of a script or stylesheet it loads
};

struct PageScan {
    std::vector<PageReference> references;
    std::vector<CharsetDeclaration> charsets; // meta charset, http-equiv content type, charset=
    // Strings in script bodies that may name a file ("on.gif" in img.src = 'on.gif'), without
    // their quotes; whether one does is for the caller to find out.
    std::vector<PageReference> scriptStrings;
    // Where a declaration can be inserted: after <head ...>, else after <html ...>, else after
    // the doctype, else 0.
    std::size_t declarationInsertAt = 0;
};

// Scans HTML with its CSS for the addresses it names. The text may be Windows-1251 or UTF-8:
// only ASCII carries syntax. Script bodies are looked into for their strings only.
PageScan scanPage(std::string_view text);

// Scans a stylesheet (a .css file or a style attribute's value); offsets are into `css`.
void scanStyle(std::string_view css, std::size_t base, std::vector<PageReference>& references);

// An address that reaches off the machine: a scheme other than data, javascript, about, blob,
// file, mailto or a drive letter, or a network path ("//host", "\\host").
bool isRemoteAddress(std::string_view address);

// An address relative to the page: no scheme, not rooted, not only a fragment.
bool isRelativeAddress(std::string_view address);

// The address without the white space browsers ignore around it.
std::string_view trimmedAddress(std::string_view address);

// The file a relative address names, as a UTF-8 path with "/" separators: query and fragment
// cut, %XX decoded (escaped bytes that are no UTF-8 are read as Windows-1251).
std::string addressToPath(std::string_view address);

// A relative path as a URL path: each segment percent-encoded, separators kept.
std::string pathToUrl(std::string_view relative);

// Line number (from 1) of a byte offset, counting CR, LF and CR LF as one break each.
class LineCounter {
public:
    explicit LineCounter(std::string_view text)
        : text_(text)
    {
    }
    // Offsets must not decrease between calls.
    int lineAt(std::size_t offset);

private:
    std::string_view text_;
    std::size_t position_ = 0;
    int line_ = 1;
};

} // namespace corvane::pages
