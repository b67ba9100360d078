#include "syntax/document.h"

#include "platform/ascii.h"
#include "platform/lines.h"

namespace corvane::syntax {
namespace {

bool isQuote(char c)
{
    return c == '"' || c == '\'';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The tags of tokens lexText gave for `text`.
std::vector<TagSpan> groupTags(std::string_view text, const std::vector<Token>& tokens)
{
    std::vector<TagSpan> tags;
    bool open = false;
    char valueQuote = 0; // the quote of a value that goes on in the next token
    for (const Token& token : tokens) {
        const std::string_view run = text.substr(token.start, token.length);
        if (token.kind == TokenKind::Tag && run.front() == '<') {
            TagSpan tag;
            tag.start = token.start;
            tag.endTag = run.size() > 1 && run[1] == '/';
            tag.nameStart = token.start + (tag.endTag ? 2 : 1);
            tag.nameLength = token.start + token.length - tag.nameStart;
            tag.end = text.size();
            tags.push_back(std::move(tag));
            open = true;
            valueQuote = 0;
        } else if (!open) {
            continue;
        } else if (token.kind == TokenKind::Tag && (run == ">" || run == "/>")) {
            tags.back().end = token.start + token.length;
            open = false;
        } else if (token.kind == TokenKind::AttributeName) {
            tags.back().attributes.push_back({token.start, token.length, false, 0, 0});
            valueQuote = 0;
        } else if (token.kind == TokenKind::AttributeValue && !tags.back().attributes.empty()) {
            TagAttribute& attribute = tags.back().attributes.back();
            const std::size_t end = token.start + token.length;
            if (valueQuote != 0) {
                // The rest of a quoted value on a later line.
                const bool closes = run.back() == valueQuote;
                attribute.valueLength = (closes ? end - 1 : end) - attribute.valueStart;
                if (closes)
                    valueQuote = 0;
            } else if (!attribute.hasValue) {
                attribute.hasValue = true;
                if (isQuote(run.front())) {
                    const bool closes = run.size() > 1 && run.back() == run.front();
                    attribute.valueStart = token.start + 1;
                    attribute.valueLength = token.length - (closes ? 2 : 1);
                    valueQuote = closes ? '\0' : run.front();
                } else {
                    attribute.valueStart = token.start;
                    attribute.valueLength = token.length;
                }
            }
        }
    }
    return tags;
}

} // namespace

LexedDocument lexDocument(std::string_view text)
{
    LexedDocument document;
    document.tokens = lexText(text);
    document.tags = groupTags(text, document.tokens);
    return document;
}

std::size_t leadingDoctypeEnd(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at]))
        ++at;
    // Only the first line that has anything is lexed; a doctype is short.
    const std::string_view line = lineAt(text, at).text;
    std::vector<Token> tokens;
    lexLine(line, kDocumentStart, tokens);
    if (tokens.empty() || tokens.front().start != 0 || tokens.front().kind != TokenKind::Doctype)
        return 0;
    const std::string_view run = line.substr(0, tokens.front().length);
    static constexpr std::string_view kDoctype = "<!doctype";
    if (run.size() < kDoctype.size())
        return 0;
    for (std::size_t i = 0; i < kDoctype.size(); ++i)
        if ((run[i] >= 'A' && run[i] <= 'Z' ? run[i] - 'A' + 'a' : run[i]) != kDoctype[i])
            return 0;
    // A doctype that goes on over lines ends at its first ">".
    if (run.back() == '>')
        return at + run.size();
    const std::size_t close = text.find('>', at + line.size());
    return close == std::string_view::npos ? text.size() : close + 1;
}

bool declaresCharset(std::string_view text)
{
    for (const std::string_view mark :
         {std::string_view("\xEF\xBB\xBF"), std::string_view("\xFF\xFE"), std::string_view("\xFE\xFF")})
        if (text.substr(0, mark.size()) == mark)
            return true;
    for (const TagSpan& tag : lexDocument(text).tags) {
        if (tag.endTag || asciiLowered(text.substr(tag.nameStart, tag.nameLength)) != "meta")
            continue;
        bool contentType = false;
        bool namesCharset = false;
        for (const TagAttribute& attribute : tag.attributes) {
            const std::string name = asciiLowered(text.substr(attribute.nameStart, attribute.nameLength));
            const std::string value = asciiLowered(text.substr(attribute.valueStart, attribute.valueLength));
            if (name == "charset" && attribute.hasValue)
                return true;
            if (name == "http-equiv" && value == "content-type")
                contentType = true;
            else if (name == "content" && value.find("charset=") != std::string::npos)
                namesCharset = true;
        }
        if (contentType && namesCharset)
            return true;
    }
    return false;
}

} // namespace corvane::syntax
