#include "syntax/htmllexer.h"

#include "platform/lines.h"

#include <algorithm>
#include <array>
#include <string>

namespace corvane::syntax {
namespace {

// Where a line starts: the low bits of a LexState.
enum Mode : LexState {
    Text,
    Comment,
    Declaration,
    Tag,            // inside a tag after its name
    TagEquals,      // after "=", waiting for the value
    TagValueDouble, // inside "..." of a value that goes on
    TagValueSingle,
    RawText, // inside an element whose content is no markup (textarea, title, ...)
    Script,
    ScriptBlockComment,
    ScriptStringDouble, // a line ending in a backslash continues the string
    ScriptStringSingle,
    ScriptTemplate,
    Style,
    StyleComment,
    StyleStringDouble,
    StyleStringSingle,
    ModeCount
};

// Which body a start tag opens once its ">" is reached: script and style are lexed as code,
// the others are text up to their end tag (plaintext has none).
enum RawElement : LexState {
    NoRaw,
    RawScript,
    RawStyle,
    RawTextarea,
    RawTitle,
    RawXmp,
    RawIframe,
    RawNoembed,
    RawNoframes,
    RawNoscript,
    RawPlaintext,
    RawCount
};
// Each element's end tag as it starts, lower case.
constexpr std::string_view kRawEndTags[] = {
    "",         "</script",  "</style",    "</textarea", "</title", "</xmp",
    "</iframe", "</noembed", "</noframes", "</noscript", "",
};
static_assert(std::size(kRawEndTags) == RawCount);

constexpr LexState kModeMask = 0x1f;
constexpr int kRawShift = 5;
constexpr LexState kRawMask = 0xf << kRawShift;
constexpr int kDepthShift = 9;
constexpr LexState kMaxDepth = 7;
constexpr LexState kDepthMask = kMaxDepth << kDepthShift;
constexpr LexState kExpectPropertyBit = 1 << 12;
static_assert(ModeCount <= kModeMask + 1 && RawCount <= 0x10);

// Character classes of ASCII; every code unit at or above 0x80 counts as a name character, so
// Cyrillic names and UTF-8 sequences stay whole.
enum CharClass : std::uint8_t {
    Other = 0,
    Space = 1 << 0,
    Letter = 1 << 1,
    Digit = 1 << 2,
    NamePunct = 1 << 3, // "_", "$", "-", ":" and "." may go on in some names
    Hex = 1 << 4,
};

constexpr std::array<std::uint8_t, 128> makeClasses()
{
    std::array<std::uint8_t, 128> table{};
    for (char c : {' ', '\t', '\f', '\v', '\r', '\n'})
        table[static_cast<unsigned char>(c)] = Space;
    for (int c = 'a'; c <= 'z'; ++c)
        table[c] = Letter;
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] = Letter;
    for (int c = '0'; c <= '9'; ++c)
        table[c] = Digit | Hex;
    for (int c = 'a'; c <= 'f'; ++c)
        table[c] |= Hex;
    for (int c = 'A'; c <= 'F'; ++c)
        table[c] |= Hex;
    for (char c : {'_', '$', '-', ':', '.'})
        table[static_cast<unsigned char>(c)] = NamePunct;
    return table;
}
constexpr std::array<std::uint8_t, 128> kClasses = makeClasses();

template <typename Char>
std::uint32_t unit(Char c)
{
    return static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<Char>>(c));
}

bool isUnit(std::uint32_t u, std::uint8_t classes)
{
    if (u >= 0x80)
        return (classes & Letter) != 0;
    return (kClasses[u] & classes) != 0;
}

template <typename Char>
bool is(Char c, std::uint8_t classes)
{
    return isUnit(unit(c), classes);
}

// First-character tests of the code rules.
bool anySpace(std::uint32_t c)
{
    return isUnit(c, Space);
}
bool slash(std::uint32_t c)
{
    return c == '/';
}
bool scriptQuote(std::uint32_t c)
{
    return c == '"' || c == '\'' || c == '`';
}
bool styleQuote(std::uint32_t c)
{
    return c == '"' || c == '\'';
}
bool digitOrDot(std::uint32_t c)
{
    return isUnit(c, Digit) || c == '.';
}
bool scriptWordStart(std::uint32_t c)
{
    return isUnit(c, Letter) || c == '_' || c == '$';
}
bool at(std::uint32_t c)
{
    return c == '@';
}
bool brace(std::uint32_t c)
{
    return c == '{' || c == ';' || c == '}';
}
bool hash(std::uint32_t c)
{
    return c == '#';
}
bool numberStart(std::uint32_t c)
{
    return isUnit(c, Digit) || c == '.' || c == '-' || c == '+';
}
bool styleWordStart(std::uint32_t c)
{
    return isUnit(c, Letter) || c == '-' || c == '_';
}
bool anything(std::uint32_t)
{
    return true;
}

template <typename Char>
char lowerAscii(Char c)
{
    const std::uint32_t u = unit(c);
    if (u >= 0x80)
        return '\0';
    const char a = static_cast<char>(u);
    return (a >= 'A' && a <= 'Z') ? static_cast<char>(a - 'A' + 'a') : a;
}

// JavaScript's reserved words and literals, sorted for binary search.
constexpr std::string_view kScriptKeywords[] = {
    "async",     "await",  "break",  "case",   "catch",      "class",   "const", "continue", "debugger",
    "default",   "delete", "do",     "else",   "export",     "extends", "false", "finally",  "for",
    "function",  "if",     "import", "in",     "instanceof", "let",     "new",   "null",     "of",
    "return",    "static", "super",  "switch", "this",       "throw",   "true",  "try",      "typeof",
    "undefined", "var",    "void",   "while",  "with",       "yield",
};

// After these words a "/" starts a regular expression, not a division.
constexpr std::string_view kBeforeExpression[] = {
    "case", "delete", "do",    "else",   "in",   "instanceof", "new",
    "of",   "return", "throw", "typeof", "void", "yield",
};

constexpr const char* kKindNames[] = {
    "text",          "tag",           "attribute-name", "attribute-value",
    "comment",       "doctype",       "entity",         "script-keyword",
    "script-string", "script-number", "script-comment", "style-property",
    "style-string",  "style-number",  "style-comment",  "style-at-rule",
    "style-url",
};
static_assert(std::size(kKindNames) == kTokenKindCount);

template <typename Char, std::size_t N>
bool inWordList(std::basic_string_view<Char> word, const std::string_view (&list)[N])
{
    // Every word of both lists is 2 to 10 lower-case letters long: most names fail here.
    if (word.size() < 2 || word.size() > 10 || unit(word[0]) < 'a' || unit(word[0]) > 'z')
        return false;
    char ascii[16];
    for (std::size_t i = 0; i < word.size(); ++i) {
        const std::uint32_t u = unit(word[i]);
        if (u >= 0x80)
            return false;
        ascii[i] = static_cast<char>(u);
    }
    return std::binary_search(std::begin(list), std::end(list), std::string_view(ascii, word.size()));
}

template <typename Char>
class LineLexer {
public:
    using View = std::basic_string_view<Char>;

    LineLexer(View line, std::vector<Token>& tokens)
        : line_(line)
        , tokens_(tokens)
    {
    }

    LexState run(LexState state)
    {
        LexState mode = state & kModeMask;
        raw_ = static_cast<RawElement>((state & kRawMask) >> kRawShift);
        if (mode < 0 || mode >= ModeCount || raw_ >= RawCount || (mode == RawText && raw_ == NoRaw)) {
            mode = Text;
            raw_ = NoRaw;
        }
        depth_ = (state & kDepthMask) >> kDepthShift;
        expectProperty_ = (state & kExpectPropertyBit) != 0;
        mode_ = static_cast<Mode>(mode);

        while (pos_ < line_.size() || (mode_ >= Script && !bodyDone_)) {
            switch (mode_) {
            case Text: text(); break;
            case Comment: untilClose(TokenKind::Comment, "-->"); break;
            case Declaration: untilClose(TokenKind::Doctype, ">"); break;
            case Tag: tag(); break;
            case TagEquals: tagEquals(); break;
            case TagValueDouble: quotedValue('"', pos_); break;
            case TagValueSingle: quotedValue('\'', pos_); break;
            case RawText: rawText(); break;
            default: body(); break;
            }
        }
        return pack();
    }

private:
    // A rule of a code mode, in the way of a syntax-definition context: tried in order when the
    // character at the position passes `first`; `apply` returns false when what follows does not
    // match after all, and the next rule is tried. Each mode's last rule always applies.
    struct Rule {
        bool (*first)(std::uint32_t c);
        bool (LineLexer::*apply)(std::size_t limit);
    };

    // A code mode (script or style body): its rules, and the modes and kinds of what every code
    // mode has, block comments and strings that may go on over lines.
    struct Context {
        const Rule* rules;
        Mode code;
        Mode blockComment;
        TokenKind commentKind;
        TokenKind stringKind;
    };

    static const Context& scriptContext()
    {
        static constexpr Rule kRules[] = {
            {anySpace, &LineLexer::space},
            {slash, &LineLexer::lineComment},
            {slash, &LineLexer::blockComment},
            {scriptQuote, &LineLexer::string},
            {digitOrDot, &LineLexer::scriptNumber},
            {scriptWordStart, &LineLexer::scriptWord},
            {slash, &LineLexer::regex},
            {anything, &LineLexer::scriptPunctuation},
        };
        static constexpr Context kContext{kRules, Script, ScriptBlockComment, TokenKind::ScriptComment,
                                          TokenKind::ScriptString};
        return kContext;
    }

    static const Context& styleContext()
    {
        static constexpr Rule kRules[] = {
            {anySpace, &LineLexer::space},
            {slash, &LineLexer::blockComment},
            {styleQuote, &LineLexer::string},
            {at, &LineLexer::atRule},
            {brace, &LineLexer::styleBrace},
            {hash, &LineLexer::colour},
            {numberStart, &LineLexer::styleNumber},
            {styleWordStart, &LineLexer::styleWord},
            {anything, &LineLexer::stylePunctuation},
        };
        static constexpr Context kContext{kRules, Style, StyleComment, TokenKind::StyleComment,
                                          TokenKind::StyleString};
        return kContext;
    }

    LexState pack() const
    {
        LexState state = mode_;
        if (mode_ >= Tag && mode_ <= RawText)
            state |= static_cast<LexState>(raw_) << kRawShift;
        if (mode_ >= Style) {
            state |= depth_ << kDepthShift;
            if (expectProperty_)
                state |= kExpectPropertyBit;
        }
        return state;
    }

    void emit(std::size_t start, std::size_t end, TokenKind kind)
    {
        if (end > start)
            tokens_.push_back(Token{start, end - start, kind});
    }

    std::uint32_t unitAt(std::size_t at, std::size_t limit) const { return at < limit ? unit(line_[at]) : 0; }

    bool startsWith(std::size_t at, std::string_view ascii, std::size_t limit) const
    {
        if (limit - at < ascii.size())
            return false;
        for (std::size_t i = 0; i < ascii.size(); ++i)
            if (lowerAscii(line_[at + i]) != ascii[i])
                return false;
        return true;
    }
    bool startsWith(std::size_t at, std::string_view ascii) const
    {
        return startsWith(at, ascii, line_.size());
    }

    // Position of `close` (ASCII, lower case) at or after `from` before `limit`, or npos.
    std::size_t find(std::size_t from, std::string_view close, std::size_t limit) const
    {
        const char first = close.front();
        for (std::size_t i = from; i + close.size() <= limit; ++i)
            if (lowerAscii(line_[i]) == first && startsWith(i, close, limit))
                return i;
        return View::npos;
    }

    std::size_t skipName(std::size_t at, std::uint8_t classes, std::size_t limit) const
    {
        while (at < limit && is(line_[at], classes))
            ++at;
        return at;
    }

    // ---- Markup ----

    // Page text: tags, comments, declarations and entities start here.
    void text()
    {
        while (pos_ < line_.size()) {
            const auto c = unit(line_[pos_]);
            if (c == '<') {
                if (startsWith(pos_, "<!--")) {
                    openedAt_ = pos_;
                    pos_ += 4;
                    mode_ = Comment;
                    return;
                }
                if (startsWith(pos_, "<!") || startsWith(pos_, "<?")) {
                    openedAt_ = pos_;
                    pos_ += 2;
                    mode_ = Declaration;
                    return;
                }
                const bool end = startsWith(pos_, "</");
                const std::size_t nameStart = pos_ + (end ? 2 : 1);
                if (nameStart < line_.size() && is(line_[nameStart], Letter)) {
                    const std::size_t nameEnd = skipName(nameStart, Letter | Digit | NamePunct, line_.size());
                    emit(pos_, nameEnd, TokenKind::Tag);
                    raw_ = end ? NoRaw : rawElement(nameStart, nameEnd);
                    pos_ = nameEnd;
                    mode_ = Tag;
                    return;
                }
            } else if (c == '&') {
                std::size_t end = pos_ + 1;
                if (end < line_.size() && unit(line_[end]) == '#')
                    ++end;
                const std::size_t nameEnd = skipName(end, Letter | Digit, line_.size());
                if (nameEnd > end && nameEnd < line_.size() && unit(line_[nameEnd]) == ';') {
                    emit(pos_, nameEnd + 1, TokenKind::Entity);
                    pos_ = nameEnd + 1;
                    continue;
                }
            }
            ++pos_;
        }
    }

    RawElement rawElement(std::size_t nameStart, std::size_t nameEnd) const
    {
        static constexpr std::string_view kNames[] = {
            "",       "script",  "style",    "textarea", "title",     "xmp",
            "iframe", "noembed", "noframes", "noscript", "plaintext",
        };
        static_assert(std::size(kNames) == RawCount);
        for (LexState raw = RawScript; raw < RawCount; ++raw)
            if (kNames[raw].size() == nameEnd - nameStart && startsWith(nameStart, kNames[raw]))
                return static_cast<RawElement>(raw);
        return NoRaw;
    }

    void untilClose(TokenKind kind, std::string_view close)
    {
        const std::size_t at = find(pos_, close, line_.size());
        const std::size_t end = at == View::npos ? line_.size() : at + close.size();
        emit(std::min(openedAt_, pos_), end, kind);
        openedAt_ = View::npos;
        pos_ = end;
        if (at != View::npos)
            mode_ = Text;
    }

    void tag()
    {
        while (pos_ < line_.size()) {
            const auto c = unit(line_[pos_]);
            if (is(line_[pos_], Space)) {
                ++pos_;
            } else if (c == '>') {
                emit(pos_, pos_ + 1, TokenKind::Tag);
                ++pos_;
                openBody();
                return;
            } else if (c == '/' && pos_ + 1 < line_.size() && unit(line_[pos_ + 1]) == '>') {
                // Like browsers, "<script/>" still opens a script body.
                emit(pos_, pos_ + 2, TokenKind::Tag);
                pos_ += 2;
                openBody();
                return;
            } else if (c == '=') {
                ++pos_;
                mode_ = TagEquals;
                return;
            } else {
                std::size_t end = pos_ + 1;
                while (end < line_.size()) {
                    const auto u = unit(line_[end]);
                    if (is(line_[end], Space) || u == '=' || u == '>' || u == '/')
                        break;
                    ++end;
                }
                emit(pos_, end, c == '/' ? TokenKind::Tag : TokenKind::AttributeName);
                pos_ = end;
            }
        }
    }

    void openBody()
    {
        mode_ = raw_ == RawScript ? Script : raw_ == RawStyle ? Style : raw_ == NoRaw ? Text : RawText;
        if (mode_ != RawText)
            raw_ = NoRaw;
        depth_ = 0;
        expectProperty_ = false;
        bodyDone_ = false;
    }

    void tagEquals()
    {
        while (pos_ < line_.size() && is(line_[pos_], Space))
            ++pos_;
        if (pos_ >= line_.size())
            return;
        const auto c = unit(line_[pos_]);
        if (c == '"' || c == '\'') {
            mode_ = c == '"' ? TagValueDouble : TagValueSingle;
            const std::size_t quote = pos_++;
            quotedValue(static_cast<char>(c), quote);
            return;
        }
        if (c == '>') {
            mode_ = Tag;
            return;
        }
        std::size_t end = pos_;
        while (end < line_.size() && !is(line_[end], Space) && unit(line_[end]) != '>')
            ++end;
        emit(pos_, end, TokenKind::AttributeValue);
        pos_ = end;
        mode_ = Tag;
    }

    // The value's text on this line from `start` (its opening quote on the first line).
    void quotedValue(char quote, std::size_t start)
    {
        std::size_t end = pos_;
        while (end < line_.size() && unit(line_[end]) != static_cast<std::uint32_t>(quote))
            ++end;
        if (end < line_.size()) {
            emit(start, end + 1, TokenKind::AttributeValue);
            pos_ = end + 1;
            mode_ = Tag;
        } else {
            emit(start, end, TokenKind::AttributeValue);
            pos_ = end;
        }
    }

    // Text up to the element's own end tag: no tags, comments or entities inside.
    void rawText()
    {
        const std::string_view close = kRawEndTags[raw_];
        const std::size_t at = close.empty() ? View::npos : find(pos_, close, line_.size());
        if (at == View::npos) {
            pos_ = line_.size();
            return;
        }
        pos_ = at;
        mode_ = Text;
        raw_ = NoRaw;
    }

    // ---- Code: script and style bodies ----

    // A script or style body runs to its end tag, which ends it even inside a string or comment.
    void body()
    {
        const bool script = mode_ < Style;
        const std::size_t close = find(pos_, kRawEndTags[script ? RawScript : RawStyle], line_.size());
        const std::size_t limit = close == View::npos ? line_.size() : close;
        code(script ? scriptContext() : styleContext(), limit);
        if (close != View::npos) {
            pos_ = close;
            mode_ = Text;
            depth_ = 0;
            expectProperty_ = false;
        }
        bodyDone_ = true;
    }

    void code(const Context& context, std::size_t limit)
    {
        context_ = &context;
        if (!resume(limit))
            return;
        while (pos_ < limit) {
            const std::uint32_t c = unit(line_[pos_]);
            for (const Rule* rule = context.rules;; ++rule)
                if (rule->first(c) && (this->*rule->apply)(limit))
                    break;
        }
    }

    Mode stringMode(std::uint32_t quote) const
    {
        if (context_->code == Script)
            return quote == '`' ? ScriptTemplate : quote == '"' ? ScriptStringDouble : ScriptStringSingle;
        return quote == '"' ? StyleStringDouble : StyleStringSingle;
    }

    std::uint32_t quoteOf(Mode mode) const
    {
        return mode == ScriptTemplate                                      ? '`'
               : (mode == ScriptStringDouble || mode == StyleStringDouble) ? '"'
                                                                           : '\'';
    }

    // Continues what the previous line left open: a block comment or a string. False when it
    // is still open at `limit`.
    bool resume(std::size_t limit)
    {
        if (mode_ == context_->code)
            return true;
        if (mode_ == context_->blockComment)
            return commentTo(pos_, limit);
        const std::uint32_t quote = quoteOf(mode_);
        mode_ = context_->code;
        return stringFrom(pos_, quote, limit);
    }

    // A block comment from `start`, its body from pos_; false when it goes on to the next line.
    bool commentTo(std::size_t start, std::size_t limit)
    {
        const std::size_t close = find(pos_, "*/", limit);
        const std::size_t end = close == View::npos ? limit : close + 2;
        emit(start, end, context_->commentKind);
        pos_ = end;
        mode_ = close == View::npos ? context_->blockComment : context_->code;
        return close != View::npos;
    }

    // A string from `start`, its body from pos_; false when it goes on to the next line: a
    // template always does, other strings only after a backslash at the end of the line.
    bool stringFrom(std::size_t start, std::uint32_t quote, std::size_t limit)
    {
        std::size_t i = pos_;
        while (i < limit) {
            const auto u = unit(line_[i]);
            if (u == '\\') {
                i += 2;
                continue;
            }
            if (u == quote) {
                emit(start, i + 1, context_->stringKind);
                pos_ = i + 1;
                return true;
            }
            ++i;
        }
        i = std::min(i, limit);
        emit(start, i, context_->stringKind);
        pos_ = i;
        if (quote == '`' || (limit == line_.size() && endsInBackslash(limit)))
            mode_ = stringMode(quote);
        return false;
    }

    bool endsInBackslash(std::size_t limit) const
    {
        std::size_t run = 0;
        while (run < limit && unit(line_[limit - 1 - run]) == '\\')
            ++run;
        return run % 2 == 1;
    }

    // Rules both code modes have.

    bool space(std::size_t)
    {
        ++pos_;
        return true;
    }

    bool blockComment(std::size_t limit)
    {
        if (unitAt(pos_ + 1, limit) != '*')
            return false;
        const std::size_t start = pos_;
        pos_ += 2;
        commentTo(start, limit);
        return true;
    }

    bool string(std::size_t limit)
    {
        const std::size_t start = pos_++;
        stringFrom(start, unit(line_[start]), limit);
        regexAllowed_ = false;
        expectProperty_ = false;
        return true;
    }

    // Script rules.

    bool lineComment(std::size_t limit)
    {
        if (unitAt(pos_ + 1, limit) != '/')
            return false;
        emit(pos_, limit, TokenKind::ScriptComment);
        pos_ = limit;
        return true;
    }

    bool scriptNumber(std::size_t limit)
    {
        if (unit(line_[pos_]) == '.' && !is(static_cast<Char>(unitAt(pos_ + 1, limit)), Digit))
            return false;
        std::size_t end = pos_ + 1;
        while (end < limit) {
            const auto u = unit(line_[end]);
            const bool exponentSign =
                (u == '+' || u == '-') && lowerAscii(line_[end - 1]) == 'e' && !startsWith(pos_, "0x", end);
            if (!is(line_[end], Letter | Digit) && u != '.' && u != '_' && !exponentSign)
                break;
            ++end;
        }
        emit(pos_, end, TokenKind::ScriptNumber);
        pos_ = end;
        regexAllowed_ = false;
        return true;
    }

    bool scriptWord(std::size_t limit)
    {
        std::size_t end = pos_ + 1;
        while (end < limit
               && (is(line_[end], Letter | Digit) || unit(line_[end]) == '_' || unit(line_[end]) == '$'))
            ++end;
        const View word = line_.substr(pos_, end - pos_);
        if (inWordList(word, kScriptKeywords))
            emit(pos_, end, TokenKind::ScriptKeyword);
        regexAllowed_ = inWordList(word, kBeforeExpression);
        pos_ = end;
        return true;
    }

    // Finds the end of a regular expression starting at the "/" at `at`; npos when the line
    // holds no closing "/", in which case the "/" was a division after all.
    std::size_t regexEnd(std::size_t at, std::size_t limit) const
    {
        bool inClass = false;
        for (std::size_t i = at + 1; i < limit; ++i) {
            const auto u = unit(line_[i]);
            if (u == '\\') {
                ++i;
            } else if (u == '[') {
                inClass = true;
            } else if (u == ']') {
                inClass = false;
            } else if (u == '/' && !inClass) {
                return skipName(i + 1, Letter, limit);
            }
        }
        return View::npos;
    }

    bool regex(std::size_t limit)
    {
        if (!regexAllowed_ || noRegexOnLine_)
            return false;
        const std::size_t end = regexEnd(pos_, limit);
        if (end == View::npos) {
            // Stop trying on this line: rescanning from every "/" could take quadratic time.
            noRegexOnLine_ = true;
            return false;
        }
        emit(pos_, end, TokenKind::ScriptString);
        pos_ = end;
        regexAllowed_ = false;
        return true;
    }

    bool scriptPunctuation(std::size_t)
    {
        const auto c = unit(line_[pos_]);
        regexAllowed_ = !(c == ')' || c == ']' || c == '}');
        ++pos_;
        return true;
    }

    // Style rules.

    bool atRule(std::size_t limit)
    {
        if (!is(static_cast<Char>(unitAt(pos_ + 1, limit)), Letter))
            return false;
        const std::size_t end = skipName(pos_ + 1, Letter | Digit | NamePunct, limit);
        emit(pos_, end, TokenKind::StyleAtRule);
        pos_ = end;
        expectProperty_ = false;
        return true;
    }

    bool styleBrace(std::size_t)
    {
        const auto c = unit(line_[pos_]);
        if (c == '}') {
            if (depth_ > 0)
                --depth_;
            expectProperty_ = false;
        } else {
            if (c == '{' && depth_ < kMaxDepth)
                ++depth_;
            expectProperty_ = depth_ > 0;
        }
        ++pos_;
        return true;
    }

    bool colour(std::size_t limit)
    {
        if (depth_ == 0 || !is(static_cast<Char>(unitAt(pos_ + 1, limit)), Hex))
            return false;
        const std::size_t end = skipName(pos_ + 1, Letter | Digit, limit);
        emit(pos_, end, TokenKind::StyleNumber);
        pos_ = end;
        expectProperty_ = false;
        return true;
    }

    bool styleNumber(std::size_t limit)
    {
        if (!is(line_[pos_], Digit) && !is(static_cast<Char>(unitAt(pos_ + 1, limit)), Digit))
            return false;
        std::size_t end = pos_ + 1;
        while (end < limit && (is(line_[end], Digit) || unit(line_[end]) == '.'))
            ++end;
        end = skipName(end, Letter, limit);
        if (end < limit && unit(line_[end]) == '%')
            ++end;
        emit(pos_, end, TokenKind::StyleNumber);
        pos_ = end;
        expectProperty_ = false;
        return true;
    }

    bool styleWord(std::size_t limit)
    {
        std::size_t end = pos_ + 1;
        while (end < limit
               && (is(line_[end], Letter | Digit) || unit(line_[end]) == '-' || unit(line_[end]) == '_'))
            ++end;
        if (end - pos_ == 3 && startsWith(pos_, "url(", limit)) {
            pos_ = end + 1;
            url(limit);
            return true;
        }
        std::size_t after = end;
        while (after < limit && is(line_[after], Space))
            ++after;
        if (expectProperty_ && after < limit && unit(line_[after]) == ':')
            emit(pos_, end, TokenKind::StyleProperty);
        pos_ = end;
        expectProperty_ = false;
        return true;
    }

    // The address of url( ... ) from pos_, quoted or bare; the ")" is left to the next rule.
    void url(std::size_t limit)
    {
        while (pos_ < limit && is(line_[pos_], Space))
            ++pos_;
        const std::uint32_t quote = unitAt(pos_, limit);
        std::size_t end = pos_;
        if (quote == '"' || quote == '\'') {
            ++end;
            while (end < limit && unit(line_[end]) != quote)
                ++end;
            end = std::min(end + 1, limit);
        } else {
            while (end < limit && unit(line_[end]) != ')')
                ++end;
            while (end > pos_ && is(line_[end - 1], Space))
                --end;
        }
        emit(pos_, end, TokenKind::StyleUrl);
        pos_ = end;
        expectProperty_ = false;
    }

    bool stylePunctuation(std::size_t)
    {
        expectProperty_ = false;
        ++pos_;
        return true;
    }

    View line_;
    std::vector<Token>& tokens_;
    std::size_t pos_ = 0;
    Mode mode_ = Text;
    RawElement raw_ = NoRaw;
    LexState depth_ = 0;
    bool expectProperty_ = false;
    const Context* context_ = nullptr;
    // After these a "/" starts a regular expression, not a division; a line starts with one.
    bool regexAllowed_ = true;
    // A body mode lexes its whole line in one step; this ends the loop for an empty rest.
    bool bodyDone_ = false;
    bool noRegexOnLine_ = false;
    // Where a comment or declaration opened on this line, so that it is one run with its body.
    std::size_t openedAt_ = View::npos;
};

template <typename Char>
LexState lex(std::basic_string_view<Char> line, LexState state, std::vector<Token>& tokens)
{
    return LineLexer<Char>(line, tokens).run(state);
}

} // namespace

LexState lexLine(std::u16string_view line, LexState state, std::vector<Token>& tokens)
{
    return lex(line, state, tokens);
}

LexState lexLine(std::string_view line, LexState state, std::vector<Token>& tokens)
{
    return lex(line, state, tokens);
}

LexState styleSheetState()
{
    return Style;
}

LexState scriptFileState()
{
    return Script;
}

std::vector<Token> lexText(std::string_view text, LexState state)
{
    std::vector<Token> tokens;
    tokens.reserve(text.size() / 16); // pages run at about one token in ten bytes
    for (std::size_t start = 0;;) {
        const LineView line = lineAt(text, start);
        const std::size_t first = tokens.size();
        state = lexLine(line.text, state, tokens);
        for (std::size_t i = first; i < tokens.size(); ++i)
            tokens[i].start += start;
        // A break at the very end leaves an empty last line, as the code box has one.
        if (!line.broken)
            break;
        start = line.next;
    }
    return tokens;
}

const char* tokenKindName(TokenKind kind)
{
    const auto index = static_cast<std::size_t>(kind);
    return index < std::size(kKindNames) ? kKindNames[index] : "text";
}

} // namespace corvane::syntax
