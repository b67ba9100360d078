#include "syntax/oldpages.h"

#include "platform/ascii.h"
#include "platform/codepage.h"
#include "syntax/htmllexer.h"

#include <algorithm>
#include <array>

namespace corvane::syntax {
namespace {

constexpr std::array<std::string_view, kCompatPartCount> kPartNames = {
    "ie",          "ns4",     "ieevents",  "iestyle",   "filters",  "iedom",
    "modaldialog", "bgsound", "clipboard", "behaviors", "vbscript",
};

bool isIdentifierChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$'
           || static_cast<unsigned char>(c) >= 0x80;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// Each place `name` stands in `code` as a whole name: a property of something (".name") counts,
// a longer name that ends or starts with it does not.
template <typename Visit>
void eachName(std::string_view code, std::string_view name, Visit&& visit)
{
    for (std::size_t at = code.find(name); at != std::string_view::npos; at = code.find(name, at + 1)) {
        const bool starts =
            name.front() == '.' || at == 0 || !isIdentifierChar(code[at - 1]) || code[at - 1] == '.';
        const std::size_t end = at + name.size();
        if (starts && (end == code.size() || !isIdentifierChar(code[end])))
            visit(at);
    }
}

bool hasName(std::string_view code, std::string_view name)
{
    bool found = false;
    eachName(code, name, [&](std::size_t) { found = true; });
    return found;
}

char nextNonSpace(std::string_view code, std::size_t from)
{
    while (from < code.size() && isSpace(code[from]))
        ++from;
    return from < code.size() ? code[from] : '\0';
}

char previousNonSpace(std::string_view code, std::size_t before)
{
    while (before > 0 && isSpace(code[before - 1]))
        --before;
    return before > 0 ? code[before - 1] : '\0';
}

constexpr std::string_view kNavigatorNames[] = {"navigator.appName", "navigator.userAgent",
                                                "navigator.appVersion"};
// Texts a browser's name is compared with.
constexpr std::string_view kBrowserNames[] = {"MSIE",    "Microsoft", "Explorer", "Netscape",
                                              "Mozilla", "Opera",     "Gecko"};

// The browser's name at `at` in `code` is looked into, not only shown: a method of it is called
// (indexOf), it is compared, or it is a number's text (parseInt(navigator.appVersion)).
bool isNameTest(std::string_view code, std::size_t at, std::size_t length)
{
    const char next = nextNonSpace(code, at + length);
    if (next == '.' || next == '?' || next == '&' || next == '|' || next == '<' || next == '>')
        return true;
    std::size_t after = at + length;
    while (after < code.size() && isSpace(code[after]))
        ++after;
    if (code.compare(after, 2, "==") == 0 || code.compare(after, 2, "!=") == 0)
        return true;
    const std::size_t from = at >= 12 ? at - 12 : 0;
    const std::string_view before = code.substr(from, at - from);
    return before.find("parseInt(") != std::string_view::npos
           || before.find("parseFloat(") != std::string_view::npos
           || before.find("==") != std::string_view::npos || before.find("!=") != std::string_view::npos;
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
const char kAllSniffHint[] =
    "this branch never runs in today's browsers: document.all is false there and document.layers gone, "
    "so the page takes neither browser's way; test for the standard feature (document.getElementById)";
const char kNavigatorSniffHint[] =
    "this branch never runs in today's browsers: none calls itself Internet Explorer or Netscape, so the "
    "page takes neither browser's way; test for the standard feature (document.getElementById)";

// What only Internet Explorer had, in script.
constexpr std::string_view kIeNames[] = {
    "document.all",
    "attachEvent",
    "detachEvent",
    "srcElement",
    "fromElement",
    "toElement",
    "window.event",
    "cancelBubble",
    "currentStyle",
    "runtimeStyle",
    "pixelLeft",
    "pixelTop",
    "pixelWidth",
    "pixelHeight",
    "posLeft",
    "posTop",
    "posWidth",
    "posHeight",
    ".filters",
    "document.selection",
    "createTextRange",
    "createStyleSheet",
    "insertAdjacentElement",
    "insertAdjacentText",
    "showModalDialog",
    "showModelessDialog",
    "ActiveXObject",
    "execScript",
    "createPopup",
    "setCapture",
    "releaseCapture",
    "AddFavorite",
    "blendTrans",
    "revealTrans",
};
// What only Netscape 4 had, in script; `.which` and "Netscape" tell only beside a sniff.
constexpr std::string_view kNetscapeNames[] = {
    "document.layers",  "captureEvents",   "releaseEvents",   "routeEvent",    "document.ids",
    "document.classes", "Event.MOUSEMOVE", "Event.MOUSEDOWN", "Event.MOUSEUP", "Event.MOUSEOVER",
    "Event.MOUSEOUT",   "Event.CLICK",     "Event.DBLCLICK",  "Event.KEYDOWN", "Event.KEYUP",
    "Event.KEYPRESS",   "Event.RESIZE",    "Event.LOAD",      "Event.FOCUS",   "Event.BLUR",
};
constexpr std::string_view kSniffNames[] = {"document.all", "document.layers"};
constexpr std::string_view kEventNames[] = {
    "attachEvent", "detachEvent", "window.event", "srcElement",
    "fromElement", "toElement",   ".returnValue", "cancelBubble",
};
constexpr std::string_view kStyleNames[] = {
    "currentStyle", "runtimeStyle", "pixelLeft", "pixelTop", "pixelWidth",
    "pixelHeight",  "posLeft",      "posTop",    "posWidth", "posHeight",
};
constexpr std::string_view kFilterNames[] = {".filters", "blendTrans", "revealTrans"};
constexpr std::string_view kDomNames[] = {
    "document.selection", "createTextRange", "createStyleSheet", "insertAdjacentElement",
    "insertAdjacentText", "setCapture",      "releaseCapture",   "createPopup",
    "execScript",         "AddFavorite",
};
constexpr std::string_view kDialogNames[] = {"showModalDialog", "showModelessDialog", "dialogArguments"};
// Feature tests that give a page a standard way beside its sniff.
constexpr std::string_view kStandardTests[] = {"getElementById", "addEventListener", "querySelector"};

// IE's filter functions in a filter value, lower case (the DXImageTransform ones all come after
// progid:). blur( counts only with IE's name=value.
constexpr std::string_view kIeFilterFunctions[] = {
    "alpha(",  "glow(", "dropshadow(", "shadow(",     "mask(",
    "chroma(", "wave(", "light(",      "blendtrans(", "revealtrans(",
};

// `function` stands in `value` as a function of its own, not the end of another's name
// (drop-shadow( is today's).
bool hasFunction(std::string_view value, std::string_view function)
{
    for (std::size_t at = value.find(function); at != std::string_view::npos;
         at = value.find(function, at + 1))
        if (at == 0 || (!isIdentifierChar(value[at - 1]) && value[at - 1] != '-'))
            return true;
    return false;
}
constexpr std::string_view kIeFilterWords[] = {"gray", "invert", "xray", "fliph", "flipv"};

// A filter value (lower case) of IE's rather than today's CSS.
bool isIeFilterValue(std::string_view value)
{
    if (value.find("progid:") != std::string_view::npos)
        return true;
    for (const auto function : kIeFilterFunctions)
        if (hasFunction(value, function))
            return true;
    for (std::size_t at = value.find("blur("); at != std::string_view::npos;
         at = value.find("blur(", at + 1)) {
        const std::size_t close = value.find(')', at);
        if (value.substr(at, close == std::string_view::npos ? std::string_view::npos : close - at).find('=')
            != std::string_view::npos)
            return true;
    }
    // A bare word, as IE wrote them ("gray", "fliph xray"); today's functions have parentheses.
    bool word = false;
    for (const auto name : kIeFilterWords)
        eachName(value, name,
                 [&](std::size_t at) { word = word || nextNonSpace(value, at + name.size()) != '('; });
    return word;
}

// A stretch of script or style text with its place in the page; in script, what is no code
// (strings, comments) is blanked so that only code is searched.
struct Code {
    std::size_t offset;
    std::string text;
};

// Reads a page, a script file or a style sheet into what the findings and the parts are
// decided from.
class OldPageReader {
public:
    void readPage(std::string_view page);
    void readScript(std::string_view script);
    void readStyle(std::string_view css) { readStyleText({0, std::string(css)}); }
    // A behavior's component (.htc): its script blocks and attributes, as a page's.
    void readComponent(std::string_view component);
    void readVbScript(std::string_view code)
    {
        vbscript_ = true;
        vbs_.push_back(asciiLowered(code));
    }
    // A style sheet that only the filters or iestyle parts can show right.
    bool needsStyleParts() const { return ieFilter_ || cursorHand_ || behavior_; }

    // The page's findings, in page order.
    std::vector<OldBrowserConstruct> findings();
    // Everything read so far, the files it loads included.
    CompatNeeds needs() const;

    // Addresses of the scripts and style sheets read so far that load further files.
    std::vector<std::pair<std::string, LoadedKind>> takeLoads() { return std::move(loads_); }

private:
    void readTag(std::size_t& i);
    // The body of the element whose start tag ends with token i, up to its end tag.
    Code body(std::size_t& i, std::string_view endTag, bool blankStrings);
    void readStyleText(const Code& code);
    // The component files a behavior value names: url(a.htc) url(b.htc).
    void followComponents(std::string_view value);
    void readTokens(std::size_t first, std::size_t last, std::size_t base, bool blankStrings, Code& code);
    void found(std::size_t offset, std::string message) { found_.push_back({offset, std::move(message)}); }
    void findSniffs();
    void readLiteral(std::string_view text, std::size_t at, std::size_t length);
    bool anyCode(std::string_view name) const;
    bool anyLiteral(std::string_view text) const;
    // The browser's name is read, and tested (or kept and a browser's name is in the page).
    bool testsNavigator() const;
    bool namesBrowser() const;

    std::string_view page_;
    std::vector<Token> tokens_;
    std::vector<Code> scripts_;       // script code, strings and comments blanked
    std::vector<Code> literals_;      // the script's strings and its attributes' code, as written
    std::vector<std::string> vbs_;    // VBScript bodies and attributes, lower case
    std::size_t pageScriptCount_ = 0; // the first scripts_ are the page's own, at page offsets
    std::vector<OldBrowserConstruct> found_;
    std::vector<std::pair<std::string, LoadedKind>> loads_;
    bool bgsound_ = false;
    bool layerTag_ = false;
    bool vbscript_ = false;
    bool ieFilter_ = false;
    bool cursorHand_ = false;
    bool behavior_ = false;
    bool markupElement_ = false; // createElement("<input name=x>")
    bool copyCommand_ = false;   // execCommand("Copy")
};

void OldPageReader::readPage(std::string_view page)
{
    page_ = page;
    tokens_ = lexText(page);
    for (std::size_t i = 0; i < tokens_.size(); ++i)
        if (tokens_[i].kind == TokenKind::Tag && page_.compare(tokens_[i].start, 2, "</") != 0
            && page_[tokens_[i].start] == '<')
            readTag(i);
    pageScriptCount_ = scripts_.size();
    tokens_.clear();
}

void OldPageReader::readComponent(std::string_view component)
{
    const std::string_view page = page_;
    const std::size_t pageScripts = pageScriptCount_;
    std::vector<OldBrowserConstruct> found = std::move(found_);
    readPage(component);
    page_ = page;
    pageScriptCount_ = pageScripts;
    found_ = std::move(found);
}

// A script's string (with its quotes) at `at` in `text`, and the call it is the first argument of.
void OldPageReader::readLiteral(std::string_view text, std::size_t at, std::size_t length)
{
    const std::string_view literal = text.substr(at, length);
    literals_.push_back({at, std::string(literal)});
    std::size_t before = at;
    while (before > 0 && isSpace(text[before - 1]))
        --before;
    if (before == 0 || text[before - 1] != '(' || literal.size() < 2)
        return;
    --before;
    while (before > 0 && isSpace(text[before - 1]))
        --before;
    const auto calls = [&](std::string_view name) {
        return before >= name.size() && text.substr(before - name.size(), name.size()) == name;
    };
    const std::string inside = asciiLowered(literal.substr(1, literal.size() - 2));
    if (calls("createElement") && inside.compare(0, 1, "<") == 0)
        markupElement_ = true;
    if (calls("execCommand") && inside == "copy")
        copyCommand_ = true;
}

void OldPageReader::readScript(std::string_view script)
{
    const std::vector<Token> tokens = lexText(script, scriptFileState());
    Code code{0, std::string(script)};
    std::swap(page_, script);
    for (const Token& token : tokens) {
        if (token.kind == TokenKind::ScriptString)
            readLiteral(page_, token.start, token.length);
        if (token.kind == TokenKind::ScriptString || token.kind == TokenKind::ScriptComment)
            std::fill_n(code.text.begin() + static_cast<std::ptrdiff_t>(token.start), token.length, ' ');
    }
    std::swap(page_, script);
    scripts_.push_back(std::move(code));
}

void OldPageReader::readTag(std::size_t& i)
{
    const Token& open = tokens_[i];
    const std::string tag = asciiLowered(page_.substr(open.start + 1, open.length - 1));
    std::string type;
    std::string language;
    std::string rel;
    std::string address;
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
        const std::string lowered = asciiLowered(value);
        if (lowered.compare(0, 9, "vbscript:") == 0)
            vbscript_ = true;
        if (name == "xmlns:t" || name == "xmlns:v" || lowered.find("#default#") != std::string::npos)
            behavior_ = true;
        if (name == "style") {
            readStyleText({offset, std::string(value)});
        } else if (name.compare(0, 2, "on") == 0) {
            scripts_.push_back({offset, std::string(value)});
            literals_.push_back({offset, std::string(value)});
            vbs_.push_back(lowered);
        } else if ((name == "href" || name == "src") && lowered.compare(0, 11, "javascript:") == 0) {
            scripts_.push_back({offset + 11, std::string(value.substr(11))});
            literals_.push_back({offset + 11, std::string(value.substr(11))});
        } else if (lowered.compare(0, 9, "vbscript:") == 0) {
            vbs_.push_back(lowered);
        } else if (name == "type") {
            type = lowered;
        } else if (name == "language") {
            language = lowered;
            vbscript_ = vbscript_ || lowered.find("vbscript") != std::string::npos || lowered == "vbs";
        } else if (name == "rel") {
            rel = lowered;
        }
        if (name == "src" || (name == "href" && address.empty()))
            address = std::string(value);
    }
    if (tag == "bgsound") {
        bgsound_ = true;
        found(open.start, "<bgsound> plays nothing today; use an <audio> element");
    } else if (tag == "layer" || tag == "ilayer") {
        layerTag_ = true;
        if (!address.empty())
            loads_.emplace_back(address, LoadedKind::LayerPage);
    } else if (tag.compare(0, 2, "t:") == 0 || tag.compare(0, 2, "v:") == 0 || tag == "?import") {
        // HTML+TIME and VML: the behaviors part says they are not run.
        behavior_ = true;
    } else if (tag == "script") {
        const std::string source = asciiLowered(address);
        const bool vbscript = type.find("vbscript") != std::string::npos
                              || language.find("vbscript") != std::string::npos || language == "vbs"
                              || (source.size() > 4 && source.compare(source.size() - 4, 4, ".vbs") == 0);
        if (vbscript) {
            vbscript_ = true;
            found(open.start, "VBScript never runs today; write the script in JavaScript");
        }
        if (!address.empty())
            loads_.emplace_back(address, vbscript ? LoadedKind::VbScript : LoadedKind::Script);
        const Code code = body(i, "</script", true);
        if (vbscript)
            vbs_.push_back(asciiLowered(code.text));
        else
            scripts_.push_back(code);
    } else if (tag == "style") {
        readStyleText(body(i, "</style", false));
    } else if (tag == "link" && rel.find("stylesheet") != std::string::npos && !address.empty()) {
        loads_.emplace_back(address, LoadedKind::Style);
    }
}

Code OldPageReader::body(std::size_t& i, std::string_view endTag, bool blankStrings)
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
    readTokens(i + 1, k, begin, blankStrings, code);
    i = k > 0 ? k - 1 : 0;
    return code;
}

void OldPageReader::readTokens(std::size_t first, std::size_t last, std::size_t base, bool blankStrings,
                               Code& code)
{
    for (std::size_t j = first; j < last; ++j) {
        const Token& token = tokens_[j];
        const TokenKind kind = token.kind;
        if (kind == TokenKind::ScriptString) {
            // IE's filters set from a script do as little as in a stylesheet.
            const std::string value = asciiLowered(page_.substr(token.start, token.length));
            if (value.find("progid:") != std::string::npos
                || value.find("alpha(opacity") != std::string::npos)
                found(token.start, kFilterHint);
            readLiteral(page_, token.start, token.length);
        }
        const bool blank = kind == TokenKind::ScriptComment || kind == TokenKind::StyleComment
                           || (blankStrings && kind == TokenKind::ScriptString);
        if (blank)
            std::fill_n(code.text.begin() + static_cast<std::ptrdiff_t>(token.start - base), token.length,
                        ' ');
    }
}

// Each declaration ("name: value") of a stylesheet or a style attribute, and its @imports.
void OldPageReader::readStyleText(const Code& code)
{
    const std::string& css = code.text;
    const std::string lowered = asciiLowered(css);
    for (std::size_t at = lowered.find("@import"); at != std::string::npos;
         at = lowered.find("@import", at + 1)) {
        std::size_t from = at + 7;
        while (from < css.size() && isSpace(css[from]))
            ++from;
        if (lowered.compare(from, 4, "url(") == 0)
            from += 4;
        while (from < css.size() && isSpace(css[from]))
            ++from;
        const char quote = from < css.size() && (css[from] == '"' || css[from] == '\'') ? css[from] : '\0';
        if (quote)
            ++from;
        std::size_t end = from;
        while (end < css.size()
               && (quote ? css[end] != quote : !isSpace(css[end]) && css[end] != ')' && css[end] != ';'))
            ++end;
        if (end > from)
            loads_.emplace_back(css.substr(from, end - from), LoadedKind::Style);
    }
    std::size_t start = 0;
    while (start < css.size()) {
        const std::size_t end = std::min(css.find_first_of("{};", start), css.size());
        const std::string_view declaration = std::string_view(lowered).substr(start, end - start);
        const std::size_t colon = declaration.find(':');
        if (colon != std::string::npos) {
            std::string property(declaration.substr(0, colon));
            property.erase(0, property.find_first_not_of(" \t\r\n*_"));
            property.erase(property.find_last_not_of(" \t\r\n") + 1);
            const std::string_view value = declaration.substr(colon + 1);
            const std::size_t at = code.offset + start + declaration.find_first_not_of(" \t\r\n*_");
            if (property == "behavior") {
                behavior_ = true;
                found(at, "behavior (HTC files) is ignored today; attach the script with addEventListener");
                followComponents(css.substr(colon + 1 + start, end - start - colon - 1));
            } else if (property == "-ms-filter"
                       || (property == "filter"
                           && (value.find("progid:") != std::string::npos
                               || value.find("alpha(") != std::string::npos))) {
                found(at, kFilterHint);
            }
            if ((property == "filter" || property == "-ms-filter") && isIeFilterValue(value))
                ieFilter_ = true;
            if (property == "cursor" && hasName(value, "hand"))
                cursorHand_ = true;
            if (value.find("expression(") != std::string::npos)
                found(code.offset + start + colon + 1 + value.find("expression("),
                      "CSS expressions are ignored today; use calc() or set the value from a script");
        }
        start = end + 1;
    }
}

void OldPageReader::followComponents(std::string_view value)
{
    for (std::size_t at = asciiLowered(value).find("url("); at != std::string_view::npos;
         at = asciiLowered(value).find("url(", at + 1)) {
        std::size_t from = at + 4;
        while (from < value.size() && (isSpace(value[from]) || value[from] == '"' || value[from] == '\''))
            ++from;
        std::size_t end = from;
        while (end < value.size() && value[end] != ')' && value[end] != '"' && value[end] != '\''
               && !isSpace(value[end]))
            ++end;
        // #default#... names IE's own behaviors, no file.
        if (end > from && value[from] != '#')
            loads_.emplace_back(value.substr(from, end - from), LoadedKind::Component);
    }
}

bool OldPageReader::anyCode(std::string_view name) const
{
    return std::any_of(scripts_.begin(), scripts_.end(),
                       [&](const Code& code) { return hasName(code.text, name); })
           || std::any_of(vbs_.begin(), vbs_.end(),
                          [&](const std::string& code) { return hasName(code, asciiLowered(name)); });
}

bool OldPageReader::namesBrowser() const
{
    return std::any_of(std::begin(kBrowserNames), std::end(kBrowserNames),
                       [this](std::string_view name) { return anyLiteral(name); });
}

bool OldPageReader::testsNavigator() const
{
    for (const Code& code : scripts_)
        for (const auto name : kNavigatorNames) {
            bool test = false;
            eachName(code.text, name,
                     [&](std::size_t at) { test = test || isNameTest(code.text, at, name.size()); });
            if (test || (hasName(code.text, name) && namesBrowser()))
                return true;
        }
    return false;
}

bool OldPageReader::anyLiteral(std::string_view text) const
{
    return std::any_of(literals_.begin(), literals_.end(),
                       [&](const Code& literal) { return literal.text.find(text) != std::string::npos; });
}

// document.all where its truth is what the script asks, and every read of the browser's name.
void OldPageReader::findSniffs()
{
    // A feature test beside the sniff gives today's browsers a way of their own.
    for (std::size_t s = 0; s < pageScriptCount_; ++s) {
        bool test = false;
        for (const auto name : kStandardTests)
            eachName(scripts_[s].text, name, [&](std::size_t at) {
                test = test || nextNonSpace(scripts_[s].text, at + name.size()) != '(';
            });
        if (test)
            return;
    }
    std::vector<OldBrowserConstruct> sniffs;
    for (std::size_t s = 0; s < pageScriptCount_; ++s) {
        const Code& code = scripts_[s];
        eachName(code.text, "document.all", [&](std::size_t at) {
            const char next = nextNonSpace(code.text, at + 12);
            const char before = previousNonSpace(code.text, at);
            const bool tested =
                next == '?' || next == ')' || next == '&' || next == '|' || next == '!'
                || (next == '=' && code.text.compare(at + 12, 2, "==") == 0) || before == '!' || before == '('
                || before == '&' || before == '|'
                || (before == '=' && (next == ';' || next == '\0' || next == '\r' || next == '\n'));
            if (tested)
                sniffs.push_back({code.offset + at, kAllSniffHint});
        });
        for (const auto name : kNavigatorNames)
            eachName(code.text, name, [&](std::size_t at) {
                if (isNameTest(code.text, at, name.size()) || namesBrowser())
                    sniffs.push_back({code.offset + at, kNavigatorSniffHint});
            });
    }
    std::sort(sniffs.begin(), sniffs.end(), [](const auto& a, const auto& b) { return a.offset < b.offset; });
    // One a line: a sniff is often several tests in one condition.
    std::size_t last = std::string_view::npos;
    for (auto& sniff : sniffs) {
        if (last != std::string_view::npos
            && page_.substr(last, sniff.offset - last).find_first_of("\r\n") == std::string_view::npos)
            continue;
        last = sniff.offset;
        found_.push_back(std::move(sniff));
    }
}

std::vector<OldBrowserConstruct> OldPageReader::findings()
{
    // A call with its standard fallback anywhere in the page works in both kinds of browser.
    const auto pageScripts = [this] {
        return std::pair(scripts_.begin(), scripts_.begin() + static_cast<std::ptrdiff_t>(pageScriptCount_));
    };
    for (const auto& construct : kScriptConstructs) {
        const auto [first, last] = pageScripts();
        if (construct.fallback && std::any_of(first, last, [&](const Code& code) {
                return code.text.find(construct.fallback) != std::string::npos;
            }))
            continue;
        for (auto code = first; code != last; ++code)
            eachName(code->text, construct.name,
                     [&](std::size_t at) { found(code->offset + at, construct.hint); });
    }
    findSniffs();
    std::stable_sort(found_.begin(), found_.end(),
                     [](const auto& a, const auto& b) { return a.offset < b.offset; });
    return std::move(found_);
}

CompatNeeds OldPageReader::needs() const
{
    const auto anyOf = [this](const auto& names) {
        return std::any_of(std::begin(names), std::end(names),
                           [this](std::string_view name) { return anyCode(name); });
    };
    const bool sniff = anyOf(kSniffNames) || testsNavigator();
    const bool documentAll = anyCode("document.all");
    const bool iePath = anyOf(kIeNames) || anyLiteral("MSIE") || anyLiteral("Microsoft Internet Explorer");
    bool newLayer = false; // new Layer(width)
    for (const Code& code : scripts_)
        eachName(code.text, "Layer", [&](std::size_t at) {
            while (at > 0 && isSpace(code.text[at - 1]))
                --at;
            newLayer = newLayer
                       || (at >= 3 && code.text.compare(at - 3, 3, "new") == 0
                           && (at == 3 || !isIdentifierChar(code.text[at - 4])));
        });
    const bool netscapePath = layerTag_ || newLayer || anyOf(kNetscapeNames)
                              || (sniff && (anyCode(".which") || anyLiteral("Netscape")));

    CompatNeeds needs;
    if (netscapePath && !iePath) {
        needs.identity = PageIdentity::Netscape4;
        needs.add(CompatPart::Ns4);
    } else if (sniff || documentAll) {
        needs.identity = PageIdentity::InternetExplorer;
        needs.add(CompatPart::Ie);
    }
    if (anyOf(kEventNames) || needs.identity == PageIdentity::InternetExplorer || vbscript_)
        needs.add(CompatPart::IeEvents);
    const bool handCursor =
        cursorHand_
        || (anyCode(".cursor") && std::any_of(literals_.begin(), literals_.end(), [](const Code& literal) {
                const std::string_view text = literal.text;
                return text.size() == 6 && asciiLowered(text.substr(1, 4)) == "hand";
            }));
    // A script's string that can only be IE's filter: "alpha(opacity=50)", "progid:...".
    const bool filterString = std::any_of(literals_.begin(), literals_.end(), [](const Code& literal) {
        const std::string value = asciiLowered(literal.text);
        return value.find("progid:") != std::string::npos
               || value.find("dximagetransform") != std::string::npos
               || (hasFunction(value, "alpha(") && value.find("opacity") != std::string::npos);
    });
    if (ieFilter_ || anyOf(kFilterNames) || filterString)
        needs.add(CompatPart::Filters);
    // The filters build on IE's style object, which every IE page gets.
    if (anyOf(kStyleNames) || handCursor || needs.has(CompatPart::Filters)
        || needs.identity == PageIdentity::InternetExplorer)
        needs.add(CompatPart::IeStyle);
    if (anyOf(kDomNames) || markupElement_)
        needs.add(CompatPart::IeDom);
    if (anyOf(kDialogNames))
        needs.add(CompatPart::ModalDialog);
    if (bgsound_)
        needs.add(CompatPart::Bgsound);
    bool clipboard = anyCode("window.clipboardData");
    for (const Code& code : scripts_)
        eachName(code.text, "clipboardData",
                 [&](std::size_t at) { clipboard = clipboard || at == 0 || code.text[at - 1] != '.'; });
    // The copy command is today's too; only an IE page is given IE's way of copying with it.
    if (clipboard || (copyCommand_ && iePath))
        needs.add(CompatPart::Clipboard);
    const bool behaviorString = anyCode(".behavior") && anyLiteral("url(");
    if (behavior_ || behaviorString || anyCode("addBehavior"))
        needs.add(CompatPart::Behaviors);
    if (vbscript_)
        needs.add(CompatPart::VbScript);
    return needs;
}

} // namespace

void CompatNeeds::merge(const CompatNeeds& other)
{
    parts |= other.parts;
    if (identity == PageIdentity::Today)
        identity = other.identity;
    // One identity a page: the part of the other is dropped.
    if (identity == PageIdentity::InternetExplorer)
        parts &= ~bit(CompatPart::Ns4);
    else if (identity == PageIdentity::Netscape4)
        parts &= ~bit(CompatPart::Ie);
}

std::string CompatNeeds::partNames() const
{
    std::string names;
    for (std::size_t i = 0; i < kCompatPartCount; ++i) {
        if (!has(static_cast<CompatPart>(i)))
            continue;
        if (!names.empty())
            names += ", ";
        names += kPartNames[i];
    }
    return names;
}

CompatScan scanCompatPage(std::string_view page, const LoadedFileReader& read)
{
    OldPageReader reader;
    reader.readPage(page);
    CompatScan scan;
    if (read) {
        // Breadth first from the page: its scripts and style sheets, then what those load.
        struct Load {
            std::string address;
            LoadedKind kind;
            std::string base;
        };
        std::vector<Load> queue;
        for (auto& [address, kind] : reader.takeLoads())
            queue.push_back({std::move(address), kind, std::string()});
        std::size_t followed = 0;
        for (std::size_t i = 0; i < queue.size() && followed < kMaxFollowedFiles; ++i) {
            const Load load = queue[i];
            const std::optional<LoadedText> file = read(load.address, load.base, load.kind);
            if (!file)
                continue;
            ++followed;
            bool partsRead = load.kind != LoadedKind::Script;
            switch (load.kind) {
            case LoadedKind::Script: reader.readScript(file->text); break;
            case LoadedKind::VbScript: reader.readVbScript(file->text); break;
            case LoadedKind::Component:
            case LoadedKind::LayerPage: reader.readComponent(file->text); break;
            case LoadedKind::Style: {
                OldPageReader sheet;
                sheet.readStyle(file->text);
                partsRead = sheet.needsStyleParts();
                reader.readStyle(file->text);
                break;
            }
            }
            if (partsRead && !file->key.empty()
                && std::none_of(scan.files.begin(), scan.files.end(),
                                [&](const auto& f) { return f.first == file->key; }))
                scan.files.emplace_back(file->key,
                                        isValidUtf8(file->text) ? file->text : cp1251ToUtf8(file->text));
            for (auto& [address, kind] : reader.takeLoads())
                queue.push_back({std::move(address), kind, file->base});
        }
    }
    scan.needs = reader.needs();
    return scan;
}

std::vector<OldBrowserConstruct> findOldBrowserConstructs(std::string_view page)
{
    OldPageReader reader;
    reader.readPage(page);
    return reader.findings();
}

} // namespace corvane::syntax
