#include "syntax/palette.h"

#include <iterator>

namespace corvane::syntax {
namespace {

// By kind, in the order of TokenKind.
constexpr std::uint32_t kColours[] = {
    0,        // Text
    0x003399, // Tag
    0x9c2b00, // AttributeName
    0x0b6e0b, // AttributeValue
    0x6a6a6a, // Comment
    0x6f3d8f, // Doctype
    0x8a4b00, // Entity
    0x6f1fa2, // ScriptKeyword
    0xa31515, // ScriptString
    0x006b6b, // ScriptNumber
    0x6a6a6a, // ScriptComment
    0xa00050, // StyleProperty
    0xa31515, // StyleString
    0x006b6b, // StyleNumber
    0x6a6a6a, // StyleComment
    0x6f1fa2, // StyleAtRule
    0x0b6e0b, // StyleUrl
};
static_assert(std::size(kColours) == kTokenKindCount);

} // namespace

bool tokenColour(TokenKind kind, std::uint32_t& rgb)
{
    const auto index = static_cast<std::size_t>(kind);
    if (kind == TokenKind::Text || index >= kTokenKindCount)
        return false;
    rgb = kColours[index];
    return true;
}

} // namespace corvane::syntax
