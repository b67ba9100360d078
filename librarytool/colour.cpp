// Colouring the gallery's source views with the lexer the program's code box uses.
#include "librarytool/gallery.h"

#include "syntax/htmllexer.h"
#include "syntax/palette.h"

#include <cstdio>

namespace corvane::librarytool {

using syntax::TokenKind;

std::string colourSource(std::string_view text)
{
    std::string html;
    html.reserve(text.size() * 2);
    std::size_t at = 0;
    for (const auto& token : syntax::lexText(text)) {
        // Runs the lexer leaves out are plain text.
        if (token.start > at)
            html += escapeHtml(text.substr(at, token.start - at));
        const std::string_view run = text.substr(token.start, token.length);
        if (token.kind == TokenKind::Text)
            html += escapeHtml(run);
        else
            html += std::string("<span class=\"tk-") + syntax::tokenKindName(token.kind) + "\">"
                    + escapeHtml(run) + "</span>";
        at = token.start + token.length;
    }
    if (at < text.size())
        html += escapeHtml(text.substr(at));
    return html;
}

// One rule a kind, named by the lexer and coloured from the palette the code box uses.
std::string tokenStyles()
{
    std::string css;
    for (std::size_t kind = 0; kind < syntax::kTokenKindCount; ++kind) {
        std::uint32_t rgb = 0;
        if (!syntax::tokenColour(static_cast<TokenKind>(kind), rgb))
            continue;
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%06x", static_cast<unsigned>(rgb));
        css += std::string(".tk-") + syntax::tokenKindName(static_cast<TokenKind>(kind))
               + " { color: " + colour + "; }\n";
    }
    return css;
}

} // namespace corvane::librarytool
