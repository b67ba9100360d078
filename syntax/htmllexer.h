#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace corvane::syntax {

// What a run of source text is, for colouring. HTML with the CSS and JavaScript embedded in it.
enum class TokenKind : std::uint8_t {
    Text, // page text between tags
    Tag,  // "<", the tag name, "/>", ">"
    AttributeName,
    AttributeValue, // quoted or bare
    Comment,        // <!-- ... -->
    Doctype,        // <!DOCTYPE ...> and other <! ... > declarations
    Entity,         // &amp; &#1234;
    ScriptKeyword,  // inside <script> bodies only; on* attribute values stay attribute values
    ScriptString,   // '...', "...", `...` and /regular expressions/
    ScriptNumber,
    ScriptComment, // // ... and /* ... */
    StyleProperty, // inside <style>: property names
    StyleString,
    StyleNumber,  // numbers with their units, #colours
    StyleComment, // /* ... */
    StyleAtRule,  // @import, @media ...
    StyleUrl,     // the address in url(...), with its quotes if it has them
};
inline constexpr std::size_t kTokenKindCount = static_cast<std::size_t>(TokenKind::StyleUrl) + 1;

// A run of one kind: offsets and lengths in the code units of the text that was lexed.
struct Token {
    std::size_t start = 0;
    std::size_t length = 0;
    TokenKind kind = TokenKind::Text;
};

// Where the lexer stands at the end of a line: inside a comment, a tag, a script body, a string
// that goes on... 0 is the start of a document. The value is opaque to callers, small enough for
// QSyntaxHighlighter's block state (a non-negative int).
using LexState = std::int32_t;
inline constexpr LexState kDocumentStart = 0;

// Lexes one line (without its line break) starting in `state`; appends the line's tokens (runs
// of Text may be left out) and returns the state at its end. Text is ASCII-compatible: bytes in
// any 8-bit code page or UTF-8 (char), or UTF-16 (char16_t); only ASCII characters carry syntax.
LexState lexLine(std::u16string_view line, LexState state, std::vector<Token>& tokens);
LexState lexLine(std::string_view line, LexState state, std::vector<Token>& tokens);

// Where a style sheet on its own (a .css file, a style attribute) starts.
LexState styleSheetState();
// Where a script file on its own (a .js file) starts.
LexState scriptFileState();

// Lexes a whole text whose lines end in CR, LF or CR LF; token offsets are into `text`.
std::vector<Token> lexText(std::string_view text, LexState state = kDocumentStart);

// A stable lower-case name for a kind ("attribute-value"), for CSS classes and test tables.
const char* tokenKindName(TokenKind kind);

} // namespace corvane::syntax
