#include "pages/pagescan.h"

#include "platform/ascii.h"
#include "platform/codepage.h"
#include "platform/lines.h"
#include "syntax/document.h"

#include <algorithm>
#include <cstdio>

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
    static const char* const kLoading[] = {"stylesheet",    "icon",     "preload", "prefetch",
                                           "modulepreload", "manifest", "import"};
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
    while (end < value.size() && value[end] != ';' && !isSpace(value[end]) && value[end] != '"'
           && value[end] != '\'')
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
            addReference(scan.references, text, a.valueOffset, a.valueLength, true,
                         tagAndAttribute(tag, a.name));
        } else if (a.name == "srcset") {
            addSrcset(text, a, tagAndAttribute(tag, a.name), scan.references);
        } else if (a.name == "href" && tag == "link") {
            const Attribute* rel = find("rel");
            const bool loads = rel && relLoads(text.substr(rel->valueOffset, rel->valueLength));
            addReference(scan.references, text, a.valueOffset, a.valueLength, loads,
                         tagAndAttribute(tag, a.name));
        } else if ((a.name == "href" && (tag == "a" || tag == "area"))
                   || (a.name == "action" && tag == "form")) {
            addReference(scan.references, text, a.valueOffset, a.valueLength, false,
                         tagAndAttribute(tag, a.name));
        } else if (a.name == "charset" && (tag == "meta" || tag == "script" || tag == "link")) {
            scan.charsets.push_back({a.valueOffset, a.valueLength, tag == "meta"});
        }
    }
    if (tag == "meta") {
        const Attribute* equiv = find("http-equiv");
        const Attribute* content = find("content");
        if (equiv && content
            && asciiLowered(text.substr(equiv->valueOffset, equiv->valueLength)) == "content-type")
            addContentTypeCharset(text, *content, scan);
    }
}

// The text of a string token without its quotes, as a reference if it could name a file: no
// spaces, a dot. Regular expressions, which are script strings too, have no quotes.
void addScriptString(std::string_view text, const syntax::Token& token, std::vector<PageReference>& out)
{
    const char quote = text[token.start];
    if ((quote != '"' && quote != '\'') || token.length < 2 || text[token.start + token.length - 1] != quote)
        return;
    const std::string_view value = text.substr(token.start + 1, token.length - 2);
    if (!value.empty() && value.find_first_of(" \t\\") == std::string_view::npos
        && value.find('.') != std::string_view::npos)
        out.push_back({token.start + 1, value.size(), true, "script string"});
}

// The addresses in a style sheet's tokens: url() anywhere, and the string or url() after @import.
void addStyleReferences(std::string_view text, const std::vector<syntax::Token>& tokens,
                        std::vector<PageReference>& references)
{
    bool afterImport = false;
    for (const auto& token : tokens) {
        const bool address = token.kind == syntax::TokenKind::StyleUrl
                             || (afterImport && token.kind == syntax::TokenKind::StyleString);
        if (address) {
            std::size_t offset = token.start;
            std::size_t length = token.length;
            const char quote = text[offset];
            if (quote == '"' || quote == '\'') {
                ++offset;
                length -= text[token.start + token.length - 1] == quote && length > 1 ? 2 : 1;
            }
            addReference(references, text, offset, length, true, afterImport ? "@import" : "url()");
        }
        afterImport = token.kind == syntax::TokenKind::StyleAtRule
                      && asciiLowered(text.substr(token.start, token.length)) == "@import";
    }
}

} // namespace

void scanStyle(std::string_view css, std::size_t base, std::vector<PageReference>& references)
{
    const std::size_t first = references.size();
    addStyleReferences(css, syntax::lexText(css, syntax::styleSheetState()), references);
    for (std::size_t k = first; k < references.size(); ++k)
        references[k].offset += base;
}

PageScan scanPage(std::string_view text)
{
    PageScan scan;
    const syntax::LexedDocument document = syntax::lexDocument(text);
    std::size_t htmlEnd = 0;
    bool haveHead = false;
    std::vector<Attribute> attributes;
    for (const auto& span : document.tags) {
        if (span.endTag)
            continue;
        const std::string tag = asciiLowered(text.substr(span.nameStart, span.nameLength));
        attributes.clear();
        for (const auto& a : span.attributes)
            attributes.push_back(
                {asciiLowered(text.substr(a.nameStart, a.nameLength)), a.valueStart, a.valueLength});
        processTag(text, tag, attributes, scan);
        if (tag == "head" && !haveHead) {
            haveHead = true;
            scan.declarationInsertAt = span.end;
        } else if (tag == "html" && htmlEnd == 0) {
            htmlEnd = span.end;
        }
    }
    // Style bodies and script strings, in the lexer's tokens; addresses come out in text order.
    std::vector<PageReference> inBodies;
    addStyleReferences(text, document.tokens, inBodies);
    for (const auto& token : document.tokens)
        if (token.kind == syntax::TokenKind::ScriptString)
            addScriptString(text, token, scan.scriptStrings);
    scan.references.insert(scan.references.end(), inBodies.begin(), inBodies.end());
    std::stable_sort(scan.references.begin(), scan.references.end(),
                     [](const PageReference& a, const PageReference& b) { return a.offset < b.offset; });
    if (!haveHead)
        scan.declarationInsertAt = htmlEnd != 0 ? htmlEnd : syntax::leadingDoctypeEnd(text);
    return scan;
}

bool isRemoteAddress(std::string_view address)
{
    address = trimmedAddress(address);
    if (address.size() >= 2 && (address[0] == '/' || address[0] == '\\')
        && (address[1] == '/' || address[1] == '\\'))
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
    static const char* const kLocal[] = {"data", "javascript", "about", "blob",
                                         "file", "mailto",     "tel",   "vbscript"};
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

std::string pathToUrl(std::string_view relative)
{
    std::string out;
    for (const char ch : relative) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                           || c == '-' || c == '_' || c == '.' || c == '~' || c == '/';
        if (plain) {
            out += ch;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            out += escaped;
        }
    }
    return out;
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
    if (offset > position_) {
        const bool afterCr = position_ > 0 && text_[position_ - 1] == '\r';
        line_ += static_cast<int>(countLineBreaks(text_.substr(position_, offset - position_), afterCr));
        position_ = offset;
    }
    return line_;
}

} // namespace corvane::pages
