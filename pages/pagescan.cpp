#include "pages/pagescan.h"

#include "platform/ascii.h"
#include "platform/codepage.h"
#include "platform/files.h"

#include <cstring>

namespace corvane::pages {
namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool startsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix)
{
    if (at > text.size() || text.size() - at < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (asciiLower(text[at + i]) != prefix[i])
            return false;
    return true;
}

// Offset of the first end tag `needle` ("</style", lower case) at or after `from`, or the end.
std::size_t findEndTag(std::string_view text, std::size_t from, std::string_view needle)
{
    while (from < text.size()) {
        const void* hit = std::memchr(text.data() + from, '<', text.size() - from);
        if (!hit)
            break;
        from = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (startsWithNoCase(text, from, needle))
            return from;
        ++from;
    }
    return text.size();
}

// Trims the address inside [offset, offset + length) the way browsers trim URLs.
void trimAddress(std::string_view text, std::size_t& offset, std::size_t& length)
{
    while (length > 0 && isSpace(text[offset])) {
        ++offset;
        --length;
    }
    while (length > 0 && isSpace(text[offset + length - 1]))
        --length;
}

void addReference(std::vector<PageReference>& references, std::string_view text, std::size_t offset,
                  std::size_t length, bool loads, std::string_view where)
{
    trimAddress(text, offset, length);
    if (length > 0)
        references.push_back({offset, length, loads, std::string(where)});
}

// "<img src>": made only for the attributes that name an address.
std::string tagAndAttribute(const std::string& tag, const std::string& attribute)
{
    return "<" + tag + " " + attribute + ">";
}

struct Attribute {
    std::string name; // lower case
    std::size_t valueOffset = 0;
    std::size_t valueLength = 0;
};

// rel values whose link is fetched with the page.
bool relLoads(std::string_view rel)
{
    static const char* const kLoading[] = {"stylesheet", "icon", "preload", "prefetch", "modulepreload",
                                           "manifest", "import"};
    const std::string value = asciiLowered(rel);
    for (const char* token : kLoading)
        if (value.find(token) != std::string::npos)
            return true;
    return false;
}

// The value of charset= inside a content type ("text/html; charset=windows-1251").
void addContentTypeCharset(std::string_view text, const Attribute& content, PageScan& scan)
{
    const std::string value = asciiLowered(text.substr(content.valueOffset, content.valueLength));
    const std::size_t at = value.find("charset=");
    if (at == std::string::npos)
        return;
    std::size_t start = at + 8;
    std::size_t end = start;
    while (end < value.size() && value[end] != ';' && !isSpace(value[end]) && value[end] != '"' && value[end] != '\'')
        ++end;
    scan.charsets.push_back({content.valueOffset + start, end - start, true});
}

void addSrcset(std::string_view text, const Attribute& attribute, std::string_view where,
               std::vector<PageReference>& references)
{
    std::size_t i = attribute.valueOffset;
    const std::size_t end = attribute.valueOffset + attribute.valueLength;
    while (i < end) {
        while (i < end && (isSpace(text[i]) || text[i] == ','))
            ++i;
        const std::size_t start = i;
        while (i < end && !isSpace(text[i]))
            ++i;
        std::size_t length = i - start;
        // A trailing comma ends the candidate when no descriptor follows.
        if (length > 0 && text[start + length - 1] == ',')
            --length;
        addReference(references, text, start, length, true, where);
        while (i < end && text[i] != ',')
            ++i;
    }
}

void processTag(std::string_view text, const std::string& tag, const std::vector<Attribute>& attributes,
                PageScan& scan)
{
    auto find = [&](std::string_view name) -> const Attribute* {
        for (const auto& a : attributes)
            if (a.name == name)
                return &a;
        return nullptr;
    };
    for (const auto& a : attributes) {
        if (a.name == "style") {
            std::vector<PageReference> found;
            scanStyle(text.substr(a.valueOffset, a.valueLength), a.valueOffset, found);
            scan.references.insert(scan.references.end(), found.begin(), found.end());
        } else if (a.name == "src" || a.name == "background" || a.name == "poster"
                   || (a.name == "data" && tag == "object")) {
            addReference(scan.references, text, a.valueOffset, a.valueLength, true, tagAndAttribute(tag, a.name));
        } else if (a.name == "srcset") {
            addSrcset(text, a, tagAndAttribute(tag, a.name), scan.references);
        } else if (a.name == "href" && tag == "link") {
            const Attribute* rel = find("rel");
            const bool loads = rel && relLoads(text.substr(rel->valueOffset, rel->valueLength));
            addReference(scan.references, text, a.valueOffset, a.valueLength, loads, tagAndAttribute(tag, a.name));
        } else if ((a.name == "href" && (tag == "a" || tag == "area")) || (a.name == "action" && tag == "form")) {
            addReference(scan.references, text, a.valueOffset, a.valueLength, false, tagAndAttribute(tag, a.name));
        } else if (a.name == "charset" && (tag == "meta" || tag == "script" || tag == "link")) {
            scan.charsets.push_back({a.valueOffset, a.valueLength, tag == "meta"});
        }
    }
    if (tag == "meta") {
        const Attribute* equiv = find("http-equiv");
        const Attribute* content = find("content");
        if (equiv && content && asciiLowered(text.substr(equiv->valueOffset, equiv->valueLength)) == "content-type")
            addContentTypeCharset(text, *content, scan);
    }
}

// Elements whose content is not markup: the scan goes on after their end tag.
bool isRawTextElement(const std::string& tag)
{
    return tag == "script" || tag == "textarea" || tag == "title" || tag == "xmp" || tag == "iframe"
        || tag == "noembed" || tag == "noframes" || tag == "noscript";
}

} // namespace

void scanStyle(std::string_view css, std::size_t base, std::vector<PageReference>& references)
{
    auto isIdent = [](char c) { return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_'; };
    // Reads url( ... ) starting after "url(", returns the offset after it.
    auto readUrl = [&](std::size_t i, const char* where) {
        while (i < css.size() && isSpace(css[i]))
            ++i;
        if (i < css.size() && (css[i] == '"' || css[i] == '\'')) {
            const char quote = css[i++];
            const std::size_t start = i;
            while (i < css.size() && css[i] != quote)
                ++i;
            addReference(references, css, start, i - start, true, where);
            if (i < css.size())
                ++i;
        } else {
            const std::size_t start = i;
            while (i < css.size() && css[i] != ')')
                ++i;
            addReference(references, css, start, i - start, true, where);
        }
        while (i < css.size() && css[i] != ')' && css[i] != ';' && css[i] != '}')
            ++i;
        return i;
    };

    const std::size_t first = references.size();
    std::size_t i = 0;
    while (i < css.size()) {
        const char c = css[i];
        if (c == '/' && i + 1 < css.size() && css[i + 1] == '*') {
            const std::size_t end = css.find("*/", i + 2);
            i = end == std::string_view::npos ? css.size() : end + 2;
        } else if (c == '"' || c == '\'') {
            ++i;
            while (i < css.size() && css[i] != c && css[i] != '\n') {
                if (css[i] == '\\')
                    ++i;
                ++i;
            }
            ++i;
        } else if (c == '@' && startsWithNoCase(css, i, "@import")) {
            i += 7;
            while (i < css.size() && isSpace(css[i]))
                ++i;
            if (startsWithNoCase(css, i, "url(")) {
                i = readUrl(i + 4, "@import");
            } else if (i < css.size() && (css[i] == '"' || css[i] == '\'')) {
                const char quote = css[i++];
                const std::size_t start = i;
                while (i < css.size() && css[i] != quote && css[i] != '\n')
                    ++i;
                addReference(references, css, start, i - start, true, "@import");
                ++i;
            }
        } else if ((c == 'u' || c == 'U') && (i == 0 || !isIdent(css[i - 1])) && startsWithNoCase(css, i, "url(")) {
            i = readUrl(i + 4, "url()");
        } else {
            ++i;
        }
    }
    for (std::size_t k = first; k < references.size(); ++k)
        references[k].offset += base;
}

PageScan scanPage(std::string_view text)
{
    PageScan scan;
    std::size_t doctypeEnd = 0;
    std::size_t htmlEnd = 0;
    bool haveHead = false;
    std::size_t pos = 0;
    std::vector<Attribute> attributes;
    while (pos < text.size()) {
        const void* hit = std::memchr(text.data() + pos, '<', text.size() - pos);
        if (!hit)
            break;
        pos = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (text.compare(pos, 4, "<!--") == 0) {
            const std::size_t end = text.find("-->", pos + 4);
            pos = end == std::string_view::npos ? text.size() : end + 3;
            continue;
        }
        if (pos + 1 < text.size() && (text[pos + 1] == '!' || text[pos + 1] == '?' || text[pos + 1] == '/')) {
            const bool doctype = startsWithNoCase(text, pos, "<!doctype");
            const std::size_t end = text.find('>', pos + 2);
            pos = end == std::string_view::npos ? text.size() : end + 1;
            if (doctype && doctypeEnd == 0)
                doctypeEnd = pos;
            continue;
        }
        if (pos + 1 >= text.size() || !isAsciiLetter(text[pos + 1])) {
            ++pos;
            continue;
        }

        // A start tag: its name, then its attributes up to ">".
        std::size_t i = pos + 1;
        while (i < text.size() && !isSpace(text[i]) && text[i] != '>' && text[i] != '/')
            ++i;
        const std::string tag = asciiLowered(text.substr(pos + 1, i - pos - 1));
        attributes.clear();
        while (i < text.size() && text[i] != '>') {
            if (isSpace(text[i]) || text[i] == '/') {
                ++i;
                continue;
            }
            const std::size_t nameStart = i;
            ++i;
            while (i < text.size() && !isSpace(text[i]) && text[i] != '>' && text[i] != '/' && text[i] != '=')
                ++i;
            Attribute attribute;
            attribute.name = asciiLowered(text.substr(nameStart, i - nameStart));
            std::size_t j = i;
            while (j < text.size() && isSpace(text[j]))
                ++j;
            if (j < text.size() && text[j] == '=') {
                ++j;
                while (j < text.size() && isSpace(text[j]))
                    ++j;
                if (j < text.size() && (text[j] == '"' || text[j] == '\'')) {
                    const char quote = text[j++];
                    const std::size_t end = text.find(quote, j);
                    attribute.valueOffset = j;
                    attribute.valueLength = (end == std::string_view::npos ? text.size() : end) - j;
                    i = end == std::string_view::npos ? text.size() : end + 1;
                } else {
                    attribute.valueOffset = j;
                    while (j < text.size() && !isSpace(text[j]) && text[j] != '>')
                        ++j;
                    attribute.valueLength = j - attribute.valueOffset;
                    i = j;
                }
            }
            attributes.push_back(std::move(attribute));
        }
        const std::size_t tagEnd = i < text.size() ? i + 1 : text.size();
        processTag(text, tag, attributes, scan);
        pos = tagEnd;

        if (tag == "head" && !haveHead) {
            haveHead = true;
            scan.declarationInsertAt = tagEnd;
        } else if (tag == "html" && htmlEnd == 0) {
            htmlEnd = tagEnd;
        } else if (tag == "style") {
            const std::size_t close = findEndTag(text, tagEnd, "</style");
            scanStyle(text.substr(tagEnd, close - tagEnd), tagEnd, scan.references);
            pos = close;
        } else if (tag == "plaintext") {
            break;
        } else if (isRawTextElement(tag)) {
            pos = findEndTag(text, tagEnd, "</" + tag);
        }
    }
    if (!haveHead)
        scan.declarationInsertAt = htmlEnd != 0 ? htmlEnd : doctypeEnd;
    return scan;
}

bool isRemoteAddress(std::string_view address)
{
    address = trimmedAddress(address);
    if (address.size() >= 2 && (address[0] == '/' || address[0] == '\\') && (address[1] == '/' || address[1] == '\\'))
        return true;
    if (address.empty() || !isAsciiLetter(address[0]))
        return false;
    std::size_t i = 1;
    while (i < address.size()
           && (isAsciiLetter(address[i]) || (address[i] >= '0' && address[i] <= '9') || address[i] == '+'
               || address[i] == '-' || address[i] == '.'))
        ++i;
    if (i >= address.size() || address[i] != ':')
        return false;
    if (i == 1)
        return false; // a drive letter
    static const char* const kLocal[] = {"data", "javascript", "about", "blob", "file", "mailto", "tel", "vbscript"};
    const std::string scheme = asciiLowered(address.substr(0, i));
    for (const char* local : kLocal)
        if (scheme == local)
            return false;
    return true;
}

std::string_view trimmedAddress(std::string_view address)
{
    std::size_t offset = 0;
    std::size_t length = address.size();
    trimAddress(address, offset, length);
    return address.substr(offset, length);
}

std::string addressToPath(std::string_view address)
{
    address = trimmedAddress(address);
    address = address.substr(0, address.find_first_of("?#"));
    std::string path;
    for (std::size_t i = 0; i < address.size(); ++i) {
        const int high = i + 2 < address.size() ? hexDigitValue(address[i + 1]) : -1;
        const int low = high >= 0 ? hexDigitValue(address[i + 2]) : -1;
        if (address[i] == '%' && low >= 0) {
            path += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            path += address[i] == '\\' ? '/' : address[i];
        }
    }
    return isValidUtf8(path) ? path : cp1251ToUtf8(path);
}

bool isRelativeAddress(std::string_view address)
{
    address = trimmedAddress(address);
    if (address.empty() || address[0] == '#' || address[0] == '/' || address[0] == '\\' || address[0] == '?')
        return false;
    const std::size_t colon = address.find(':');
    const std::size_t stop = address.find_first_of("/\\?#");
    return colon == std::string_view::npos || (stop != std::string_view::npos && stop < colon);
}

int LineCounter::lineAt(std::size_t offset)
{
    if (offset > text_.size())
        offset = text_.size();
    for (; position_ < offset; ++position_) {
        const char c = text_[position_];
        if (c == '\r' || (c == '\n' && (position_ == 0 || text_[position_ - 1] != '\r')))
            ++line_;
    }
    return line_;
}

} // namespace corvane::pages
