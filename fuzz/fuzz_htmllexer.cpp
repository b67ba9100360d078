// Lexes arbitrary bytes as the code box does, line by line, both as 8-bit text and as UTF-16,
// and as the page scan does, whole, with its tags grouped from the tokens.
#include "syntax/document.h"
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

// Every tag and attribute span lies inside the text, in order; values inside their tag.
void checkDocument(std::string_view text)
{
    const corvane::syntax::LexedDocument document = corvane::syntax::lexDocument(text);
    checkTokens(document.tokens, 0, text.size());
    std::size_t end = 0;
    for (const auto& tag : document.tags) {
        if (tag.start < end || tag.nameStart + tag.nameLength > tag.end || tag.end > text.size())
            std::abort();
        for (const auto& a : tag.attributes)
            if (a.nameStart < tag.nameStart || a.nameStart + a.nameLength > tag.end
                || (a.hasValue && (a.valueStart < a.nameStart || a.valueStart + a.valueLength > tag.end)))
                std::abort();
        end = tag.end;
    }
    if (corvane::syntax::leadingDoctypeEnd(text) > text.size())
        std::abort();
    checkTokens(corvane::syntax::lexText(text, corvane::syntax::styleSheetState()), 0, text.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkDocument(text);

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
