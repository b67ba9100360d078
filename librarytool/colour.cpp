// Colouring the gallery's source views with the lexer the program's code box uses.
#include "librarytool/gallery.h"

#include "syntax/htmllexer.h"

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
            html += std::string("<span class=\"tk-") + syntax::tokenKindName(token.kind) + "\">" + escapeHtml(run) + "</span>";
        at = token.start + token.length;
    }
    if (at < text.size())
        html += escapeHtml(text.substr(at));
    return html;
}

// One rule a kind, named by the lexer so the classes cannot drift from it.
std::string tokenStyles()
{
    struct Colour {
        TokenKind kind;
        const char* style;
    };
    static const Colour kColours[] = {
        {TokenKind::Tag, "color: #800000"},
        {TokenKind::AttributeName, "color: #c40000"},
        {TokenKind::AttributeValue, "color: #0000c8"},
        {TokenKind::Comment, "color: #008000; font-style: italic"},
        {TokenKind::Doctype, "color: #7a3e9d"},
        {TokenKind::Entity, "color: #b35900"},
        {TokenKind::ScriptKeyword, "color: #00008b; font-weight: bold"},
        {TokenKind::ScriptString, "color: #a31515"},
        {TokenKind::ScriptNumber, "color: #098658"},
        {TokenKind::ScriptComment, "color: #008000; font-style: italic"},
        {TokenKind::StyleProperty, "color: #7a3e9d"},
        {TokenKind::StyleString, "color: #a31515"},
        {TokenKind::StyleNumber, "color: #098658"},
        {TokenKind::StyleComment, "color: #008000; font-style: italic"},
        {TokenKind::StyleAtRule, "color: #af00db; font-weight: bold"},
    };
    std::string css;
    for (const auto& colour : kColours)
        css += std::string(".tk-") + syntax::tokenKindName(colour.kind) + " { " + colour.style + "; }\n";
    return css;
}

} // namespace corvane::librarytool
