#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// Windows-1251 <-> UTF-8. Every byte decodes (0x98, unassigned, maps to U+0098 as Windows does),
// and whatever decodes encodes back to the same bytes.
std::string cp1251ToUtf8(std::string_view bytes);

// Characters the code page lacks become "?".
std::string utf8ToCp1251(std::string_view text);

// UTF-16 bytes (without their byte-order mark) as UTF-8; a lone surrogate becomes U+FFFD and
// an odd last byte is ignored.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);

// Decodes the UTF-8 sequence at i and moves i past it; a malformed one gives U+FFFD and moves
// one byte on. i must be inside the text.
char32_t nextCodePoint(std::string_view text, std::size_t& i);

// True when every byte of the text is assigned in Windows-1251 (0x98 is the only gap).
bool isDefinedCp1251(std::string_view bytes);

// Well-formed UTF-8: no overlong forms, surrogates or code points beyond U+10FFFF.
bool isValidUtf8(std::string_view bytes);

} // namespace corvane
