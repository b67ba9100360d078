#include "syntax/htmllexer.h"

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

// Which body a start tag opens once its ">" is reached.
enum RawElement : LexState { NoRaw = 0, RawScript = 1, RawStyle = 2 };

constexpr LexState kModeMask = 0x1f;
constexpr int kRawShift = 5;
constexpr LexState kRawMask = 0x3 << kRawShift;
constexpr int kDepthShift = 7;
constexpr LexState kMaxDepth = 7;
constexpr LexState kDepthMask = kMaxDepth << kDepthShift;
constexpr LexState kExpectPropertyBit = 1 << 10;

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

template <typename Char>
bool is(Char c, std::uint8_t classes)
{
    const std::uint32_t u = unit(c);
    if (u >= 0x80)
        return (classes & Letter) != 0;
    return (kClasses[u] & classes) != 0;
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
    "async", "await", "break", "case", "catch", "class", "const", "continue", "debugger",
    "default", "delete", "do", "else", "export", "extends", "false", "finally", "for",
    "function", "if", "import", "in", "instanceof", "let", "new", "null", "of", "return",
    "static", "super", "switch", "this", "throw", "true", "try", "typeof", "undefined", "var",
    "void", "while", "with", "yield",
};

// After these words a "/" starts a regular expression, not a division.
constexpr std::string_view kBeforeExpression[] = {
    "case", "delete", "do", "else", "in", "instanceof", "new", "of", "return", "throw", "typeof",
    "void", "yield",
};

constexpr const char* kKindNames[] = {
    "text", "tag", "attribute-name", "attribute-value", "comment", "doctype", "entity",
    "script-keyword", "script-string", "script-number", "script-comment",
    "style-property", "style-string", "style-number", "style-comment", "style-at-rule",
};
static_assert(std::size(kKindNames) == static_cast<std::size_t>(TokenKind::StyleAtRule) + 1);

template <typename Char, std::size_t N>
bool inWordList(std::basic_string_view<Char> word, const std::string_view (&list)[N])
{
    if (word.size() > 16)
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
        if (mode < 0 || mode >= ModeCount)
            state = mode = Text;
        raw_ = static_cast<RawElement>((state & kRawMask) >> kRawShift);
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
            default: body(); break;
            }
        }
        return pack();
    }

private:
    LexState pack() const
    {
        LexState state = mode_;
        if (mode_ >= Tag && mode_ <= TagValueSingle)
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

    bool startsWith(std::size_t at, std::string_view ascii, std::size_t limit) const
    {
        if (limit - at < ascii.size())
            return false;
        for (std::size_t i = 0; i < ascii.size(); ++i)
            if (lowerAscii(line_[at + i]) != ascii[i])
                return false;
        return true;
    }
    bool startsWith(std::size_t at, std::string_view ascii) const { return startsWith(at, ascii, line_.size()); }

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
                    raw_ = NoRaw;
                    if (!end) {
                        const View name = line_.substr(nameStart, nameEnd - nameStart);
                        if (name.size() == 6 && startsWith(nameStart, "script"))
                            raw_ = RawScript;
                        else if (name.size() == 5 && startsWith(nameStart, "style"))
                            raw_ = RawStyle;
                    }
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
        mode_ = raw_ == RawScript ? Script : raw_ == RawStyle ? Style : Text;
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

    // A script or style body runs to its end tag, which ends it even inside a string or comment.
    void body()
    {
        const bool script = mode_ < Style;
        const std::size_t close = find(pos_, script ? "</script" : "</style", line_.size());
        const std::size_t limit = close == View::npos ? line_.size() : close;
        if (script)
            scriptCode(limit);
        else
            styleCode(limit);
        if (close != View::npos) {
            pos_ = close;
            mode_ = Text;
            depth_ = 0;
            expectProperty_ = false;
        }
        bodyDone_ = true;
    }

    // Lexes a string body from pos_; returns true when it closed before `limit`.
    bool stringTo(Char quote, std::size_t limit, TokenKind kind, std::size_t start)
    {
        std::size_t i = pos_;
        while (i < limit) {
            const auto u = unit(line_[i]);
            if (u == '\\') {
                i += 2;
                continue;
            }
            if (u == unit(quote)) {
                emit(start, i + 1, kind);
                pos_ = i + 1;
                return true;
            }
            ++i;
        }
        i = std::min(i, limit);
        emit(start, i, kind);
        pos_ = i;
        return false;
    }

    bool endsInBackslash(std::size_t limit) const
    {
        std::size_t run = 0;
        while (run < limit && unit(line_[limit - 1 - run]) == '\\')
            ++run;
        return run % 2 == 1;
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

    void scriptCode(std::size_t limit)
    {
        // Continue what the previous line left open.
        if (mode_ == ScriptBlockComment) {
            const std::size_t close = find(pos_, "*/", limit);
            const std::size_t end = close == View::npos ? limit : close + 2;
            emit(pos_, end, TokenKind::ScriptComment);
            pos_ = end;
            if (close == View::npos)
                return;
            mode_ = Script;
        } else if (mode_ != Script) {
            const Char quote = static_cast<Char>(mode_ == ScriptStringDouble ? '"' : mode_ == ScriptStringSingle ? '\'' : '`');
            if (!stringTo(quote, limit, TokenKind::ScriptString, pos_)) {
                if (!(mode_ == ScriptTemplate || (pos_ == line_.size() && endsInBackslash(limit))))
                    mode_ = Script;
                return;
            }
            mode_ = Script;
        }

        bool regexAllowed = true;
        while (pos_ < limit) {
            const Char ch = line_[pos_];
            const auto c = unit(ch);
            if (is(ch, Space)) {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < limit && unit(line_[pos_ + 1]) == '/') {
                emit(pos_, limit, TokenKind::ScriptComment);
                pos_ = limit;
            } else if (c == '/' && pos_ + 1 < limit && unit(line_[pos_ + 1]) == '*') {
                const std::size_t close = find(pos_ + 2, "*/", limit);
                const std::size_t end = close == View::npos ? limit : close + 2;
                emit(pos_, end, TokenKind::ScriptComment);
                pos_ = end;
                if (close == View::npos)
                    mode_ = ScriptBlockComment;
            } else if (c == '"' || c == '\'' || c == '`') {
                const std::size_t start = pos_++;
                if (!stringTo(ch, limit, TokenKind::ScriptString, start)) {
                    if (c == '`' || (limit == line_.size() && endsInBackslash(limit)))
                        mode_ = c == '`' ? ScriptTemplate : c == '"' ? ScriptStringDouble : ScriptStringSingle;
                }
                regexAllowed = false;
            } else if (is(ch, Digit) || (c == '.' && pos_ + 1 < limit && is(line_[pos_ + 1], Digit))) {
                std::size_t end = pos_ + 1;
                while (end < limit) {
                    const auto u = unit(line_[end]);
                    if (is(line_[end], Letter | Digit) || u == '.' || u == '_')
                        ++end;
                    else if ((u == '+' || u == '-') && (lowerAscii(line_[end - 1]) == 'e') && !startsWith(pos_, "0x", end))
                        ++end;
                    else
                        break;
                }
                emit(pos_, end, TokenKind::ScriptNumber);
                pos_ = end;
                regexAllowed = false;
            } else if (is(ch, Letter) || c == '_' || c == '$') {
                std::size_t end = pos_ + 1;
                while (end < limit && (is(line_[end], Letter | Digit) || unit(line_[end]) == '_' || unit(line_[end]) == '$'))
                    ++end;
                const View word = line_.substr(pos_, end - pos_);
                if (inWordList(word, kScriptKeywords))
                    emit(pos_, end, TokenKind::ScriptKeyword);
                regexAllowed = inWordList(word, kBeforeExpression);
                pos_ = end;
            } else if (c == '/' && regexAllowed && !noRegexOnLine_) {
                const std::size_t end = regexEnd(pos_, limit);
                if (end == View::npos) {
                    // Stop trying on this line: rescanning from every "/" could take quadratic time.
                    noRegexOnLine_ = true;
                    continue;
                }
                emit(pos_, end, TokenKind::ScriptString);
                pos_ = end;
                regexAllowed = false;
            } else {
                regexAllowed = !(c == ')' || c == ']' || c == '}');
                ++pos_;
            }
        }
    }

    void styleCode(std::size_t limit)
    {
        if (mode_ == StyleComment) {
            const std::size_t close = find(pos_, "*/", limit);
            const std::size_t end = close == View::npos ? limit : close + 2;
            emit(pos_, end, TokenKind::StyleComment);
            pos_ = end;
            if (close == View::npos)
                return;
            mode_ = Style;
        } else if (mode_ != Style) {
            const Char quote = static_cast<Char>(mode_ == StyleStringDouble ? '"' : '\'');
            if (!stringTo(quote, limit, TokenKind::StyleString, pos_)) {
                if (!(pos_ == line_.size() && endsInBackslash(limit)))
                    mode_ = Style;
                return;
            }
            mode_ = Style;
        }

        while (pos_ < limit) {
            const Char ch = line_[pos_];
            const auto c = unit(ch);
            if (is(ch, Space)) {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < limit && unit(line_[pos_ + 1]) == '*') {
                const std::size_t close = find(pos_ + 2, "*/", limit);
                const std::size_t end = close == View::npos ? limit : close + 2;
                emit(pos_, end, TokenKind::StyleComment);
                pos_ = end;
                if (close == View::npos)
                    mode_ = StyleComment;
            } else if (c == '"' || c == '\'') {
                const std::size_t start = pos_++;
                if (!stringTo(ch, limit, TokenKind::StyleString, start) && limit == line_.size() && endsInBackslash(limit))
                    mode_ = c == '"' ? StyleStringDouble : StyleStringSingle;
                expectProperty_ = false;
            } else if (c == '@' && pos_ + 1 < limit && is(line_[pos_ + 1], Letter)) {
                const std::size_t end = skipName(pos_ + 1, Letter | Digit | NamePunct, limit);
                emit(pos_, end, TokenKind::StyleAtRule);
                pos_ = end;
                expectProperty_ = false;
            } else if (c == '{' || c == ';') {
                if (c == '{' && depth_ < kMaxDepth)
                    ++depth_;
                expectProperty_ = depth_ > 0;
                ++pos_;
            } else if (c == '}') {
                if (depth_ > 0)
                    --depth_;
                expectProperty_ = false;
                ++pos_;
            } else if (c == '#' && depth_ > 0 && pos_ + 1 < limit && is(line_[pos_ + 1], Hex)) {
                const std::size_t end = skipName(pos_ + 1, Letter | Digit, limit);
                emit(pos_, end, TokenKind::StyleNumber);
                pos_ = end;
                expectProperty_ = false;
            } else if (is(ch, Digit)
                       || ((c == '.' || c == '-' || c == '+') && pos_ + 1 < limit && is(line_[pos_ + 1], Digit))) {
                std::size_t end = pos_ + 1;
                while (end < limit && (is(line_[end], Digit) || unit(line_[end]) == '.'))
                    ++end;
                end = skipName(end, Letter, limit);
                if (end < limit && unit(line_[end]) == '%')
                    ++end;
                emit(pos_, end, TokenKind::StyleNumber);
                pos_ = end;
                expectProperty_ = false;
            } else if (is(ch, Letter) || c == '-' || c == '_') {
                std::size_t end = pos_ + 1;
                while (end < limit && (is(line_[end], Letter | Digit) || unit(line_[end]) == '-' || unit(line_[end]) == '_'))
                    ++end;
                std::size_t after = end;
                while (after < limit && is(line_[after], Space))
                    ++after;
                if (expectProperty_ && after < limit && unit(line_[after]) == ':')
                    emit(pos_, end, TokenKind::StyleProperty);
                pos_ = end;
                expectProperty_ = false;
            } else {
                expectProperty_ = false;
                ++pos_;
            }
        }
    }

    View line_;
    std::vector<Token>& tokens_;
    std::size_t pos_ = 0;
    Mode mode_ = Text;
    RawElement raw_ = NoRaw;
    LexState depth_ = 0;
    bool expectProperty_ = false;
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

std::vector<Token> lexText(std::string_view text)
{
    std::vector<Token> tokens;
    LexState state = kDocumentStart;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        const std::size_t first = tokens.size();
        state = lexLine(text.substr(start, end - start), state, tokens);
        for (std::size_t i = first; i < tokens.size(); ++i)
            tokens[i].start += start;
        if (end == text.size())
            break;
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return tokens;
}

const char* tokenKindName(TokenKind kind)
{
    const auto index = static_cast<std::size_t>(kind);
    return index < std::size(kKindNames) ? kKindNames[index] : "text";
}

} // namespace corvane::syntax
