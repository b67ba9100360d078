#pragma once

#include "syntax/htmllexer.h"

#include <cstdint>

namespace corvane::syntax {

// The one table of colours for the token kinds, used by the code box and the gallery alike.
// Each is dark enough to read on white (contrast 4.5:1 or more); page text has none of its own.

// 0xRRGGBB; false for page text, which keeps the surrounding colour.
bool tokenColour(TokenKind kind, std::uint32_t& rgb);

} // namespace corvane::syntax
