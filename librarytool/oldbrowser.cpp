#include "librarytool/oldbrowser.h"

#include "pages/pagescan.h"
#include "platform/ascii.h"
#include "syntax/htmllexer.h"

#include <algorithm>

namespace corvane::librarytool {
namespace {

using pages::LineCounter;
using syntax::Token;
using syntax::TokenKind;

bool isIdentifierChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$'
           || static_cast<unsigned char>(c) >= 0x80;
}

// What a script may name that only old browsers had, and the standard way.
struct ScriptConstruct {
    const char* name;
    const char* fallback; // a standard call that, found in the page too, makes it no finding
    const char* hint;
};

const ScriptConstruct kScriptConstructs[] = {
    {"document.layers", nullptr,
     "Netscape 4's layers are gone, so this branch never runs; use document.getElementById"},
    {"ActiveXObject", nullptr, "ActiveX is gone and new ActiveXObject throws; use XMLHttpRequest or fetch"},
    {"showModalDialog", nullptr, "showModalDialog is gone and throws; use a <dialog> element"},
    {"attachEvent", "addEventListener", "attachEvent is gone and throws; use addEventListener"},
    {"detachEvent", "removeEventListener", "detachEvent is gone and throws; use removeEventListener"},
    {"document.createStyleSheet", nullptr,
     "document.createStyleSheet is gone and throws; add a <style> element"},
    {"window.clipboardData", nullptr, "window.clipboardData is gone; use navigator.clipboard"},
    {"document.selection", nullptr, "document.selection is gone; use window.getSelection()"},
};

const char kFilterHint[] = "IE's filter does nothing today; use opacity or a standard filter function";

// A stretch of script or style text with its place in the page; what is no code (strings,
// comments) is blanked so that only code is searched.
struct Code {
    std::size_t offset;
    std::string text;
};

class OldBrowserScan {
public:
    explicit OldBrowserScan(std::string_view page)
        : page_(page)
        , tokens_(syntax::lexText(page))
    {
    }

    std::vector<std::pair<std::size_t, std::string>> run();

private:
    void readTag(std::size_t& i);
    // The body of the element whose start tag ends with token i, up to its end tag.
    Code body(std::size_t& i, std::string_view endTag, bool blankStrings);
    void scanStyle(const Code& code);
    void found(std::size_t offset, std::string message) { found_.emplace_back(offset, std::move(message)); }

    std::string_view page_;
    std::vector<Token> tokens_;
    std::vector<Code> scripts_;
    std::vector<std::pair<std::size_t, std::string>> found_;
};

std::vector<std::pair<std::size_t, std::string>> OldBrowserScan::run()
{
    for (std::size_t i = 0; i < tokens_.size(); ++i)
        if (tokens_[i].kind == TokenKind::Tag && page_.compare(tokens_[i].start, 2, "</") != 0
            && page_[tokens_[i].start] == '<')
            readTag(i);

    // A call with its standard fallback anywhere in the page works in both kinds of browser.
    for (const auto& construct : kScriptConstructs) {
        const auto inPage = [&](const char* name) {
            return std::any_of(scripts_.begin(), scripts_.end(),
                               [&](const Code& code) { return code.text.find(name) != std::string::npos; });
        };
        if (construct.fallback && inPage(construct.fallback))
            continue;
        const std::string_view name = construct.name;
        for (const auto& code : scripts_) {
            for (std::size_t at = code.text.find(name); at != std::string::npos;
                 at = code.text.find(name, at + 1)) {
                const bool startsWord =
                    at == 0 || !isIdentifierChar(code.text[at - 1]) || code.text[at - 1] == '.';
                const std::size_t end = at + name.size();
                if (startsWord && (end == code.text.size() || !isIdentifierChar(code.text[end])))
                    found(code.offset + at, construct.hint);
            }
        }
    }
    std::stable_sort(found_.begin(), found_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return std::move(found_);
}

void OldBrowserScan::readTag(std::size_t& i)
{
    const Token& open = tokens_[i];
    const std::string tag = asciiLowered(page_.substr(open.start + 1, open.length - 1));
    std::string type;
    std::string language;
    for (++i; i < tokens_.size() && tokens_[i].kind != TokenKind::Tag; ++i) {
        if (tokens_[i].kind != TokenKind::AttributeName)
            continue;
        const std::string name = asciiLowered(page_.substr(tokens_[i].start, tokens_[i].length));
        if (i + 1 >= tokens_.size() || tokens_[i + 1].kind != TokenKind::AttributeValue)
            continue;
        const Token& valueToken = tokens_[++i];
        std::size_t offset = valueToken.start;
        std::string_view value = page_.substr(valueToken.start, valueToken.length);
        if (!value.empty() && (value.front() == '"' || value.front() == '\'')) {
            const char quote = value.front();
            value.remove_prefix(1);
            ++offset;
            if (!value.empty() && value.back() == quote)
                value.remove_suffix(1);
        }
        if (name == "style")
            scanStyle({offset, std::string(value)});
        else if (name.compare(0, 2, "on") == 0)
            scripts_.push_back({offset, std::string(value)});
        else if ((name == "href" || name == "src") && asciiLowered(value.substr(0, 11)) == "javascript:")
            scripts_.push_back({offset + 11, std::string(value.substr(11))});
        else if (name == "type")
            type = asciiLowered(value);
        else if (name == "language")
            language = asciiLowered(value);
    }
    if (tag == "bgsound") {
        found(open.start, "<bgsound> plays nothing today; use an <audio> element");
    } else if (tag == "script") {
        const bool vbscript = type.find("vbscript") != std::string::npos
                              || language.find("vbscript") != std::string::npos || language == "vbs";
        if (vbscript)
            found(open.start, "VBScript never runs today; write the script in JavaScript");
        const Code code = body(i, "</script", true);
        if (!vbscript)
            scripts_.push_back(code);
    } else if (tag == "style") {
        scanStyle(body(i, "</style", false));
    }
}

Code OldBrowserScan::body(std::size_t& i, std::string_view endTag, bool blankStrings)
{
    if (i >= tokens_.size())
        return {page_.size(), {}};
    const std::size_t begin = tokens_[i].start + tokens_[i].length;
    std::size_t end = page_.size();
    std::size_t k = i + 1;
    for (; k < tokens_.size(); ++k) {
        if (tokens_[k].kind == TokenKind::Tag
            && asciiLowered(page_.substr(tokens_[k].start, endTag.size())) == endTag) {
            end = tokens_[k].start;
            break;
        }
    }
    Code code{begin, std::string(page_.substr(begin, end - begin))};
    for (std::size_t j = i + 1; j < k; ++j) {
        const TokenKind kind = tokens_[j].kind;
        const bool blank = kind == TokenKind::ScriptComment || kind == TokenKind::StyleComment
                           || (blankStrings && kind == TokenKind::ScriptString);
        if (kind == TokenKind::ScriptString) {
            // IE's filters set from a script do as little as in a stylesheet.
            const std::string value = asciiLowered(page_.substr(tokens_[j].start, tokens_[j].length));
            if (value.find("progid:") != std::string::npos
                || value.find("alpha(opacity") != std::string::npos)
                found(tokens_[j].start, kFilterHint);
        }
        if (blank)
            std::fill_n(code.text.begin() + static_cast<std::ptrdiff_t>(tokens_[j].start - begin),
                        tokens_[j].length, ' ');
    }
    i = k > 0 ? k - 1 : 0;
    return code;
}

// Each declaration ("name: value") of a stylesheet or a style attribute.
void OldBrowserScan::scanStyle(const Code& code)
{
    const std::string& css = code.text;
    std::size_t start = 0;
    while (start < css.size()) {
        const std::size_t end = std::min(css.find_first_of("{};", start), css.size());
        const std::string declaration = asciiLowered(std::string_view(css).substr(start, end - start));
        const std::size_t colon = declaration.find(':');
        if (colon != std::string::npos) {
            std::string property = declaration.substr(0, colon);
            property.erase(0, property.find_first_not_of(" \t\r\n*_"));
            property.erase(property.find_last_not_of(" \t\r\n") + 1);
            const std::string value = declaration.substr(colon + 1);
            const std::size_t at = code.offset + start + declaration.find_first_not_of(" \t\r\n*_");
            if (property == "behavior")
                found(at, "behavior (HTC files) is ignored today; attach the script with addEventListener");
            else if (property == "-ms-filter"
                     || (property == "filter"
                         && (value.find("progid:") != std::string::npos
                             || value.find("alpha(") != std::string::npos)))
                found(at, kFilterHint);
            if (value.find("expression(") != std::string::npos)
                found(code.offset + start + colon + 1 + value.find("expression("),
                      "CSS expressions are ignored today; use calc() or set the value from a script");
        }
        start = end + 1;
    }
}

} // namespace

void findOldBrowserCode(std::string_view page, const std::string& path, std::vector<Finding>& findings)
{
    LineCounter lines(page);
    for (auto& [offset, message] : OldBrowserScan(page).run())
        findings.push_back({path, lines.lineAt(offset), "old-browser", std::move(message)});
}

} // namespace corvane::librarytool
