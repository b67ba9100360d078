// Lexes arbitrary bytes as the code box does, line by line, both as 8-bit text and as UTF-16.
#include "syntax/htmllexer.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using corvane::syntax::LexState;
using corvane::syntax::Token;

// Tokens must lie inside the line, in order and without overlap, or the highlighter paints
// outside its block.
void checkTokens(const std::vector<Token>& tokens, std::size_t first, std::size_t size)
{
    std::size_t end = 0;
    for (std::size_t i = first; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.length == 0 || t.start < end || t.start > size || t.length > size - t.start)
            std::abort();
        end = t.start + t.length;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkTokens(corvane::syntax::lexText(text), 0, size);

    LexState narrowState = corvane::syntax::kDocumentStart;
    LexState wideState = corvane::syntax::kDocumentStart;
    std::size_t start = 0;
    while (start <= size) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = size;
        const std::string_view line = text.substr(start, end - start);
        std::u16string wide;
        for (const char c : line)
            wide += static_cast<char16_t>(static_cast<unsigned char>(c));

        std::vector<Token> narrow, widened;
        narrowState = corvane::syntax::lexLine(line, narrowState, narrow);
        wideState = corvane::syntax::lexLine(wide, wideState, widened);
        // The block state must fit QSyntaxHighlighter, which keeps only non-negative ints.
        if (narrowState < 0 || wideState < 0)
            std::abort();
        checkTokens(narrow, 0, line.size());
        // Only ASCII carries syntax, so the same characters lex the same in either width.
        if (narrowState != wideState || narrow.size() != widened.size())
            std::abort();
        for (std::size_t i = 0; i < narrow.size(); ++i)
            if (narrow[i].start != widened[i].start || narrow[i].length != widened[i].length
                || narrow[i].kind != widened[i].kind)
                std::abort();
        start = end + 1;
    }
    return 0;
}
