#pragma once

#include "syntax/htmllexer.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace corvane::syntax {

// What the page scan reads of a whole text: the lexer's tokens, and its tags grouped from them,
// so that the scan sees exactly the tags the code box colours. Offsets are into the text.

struct TagAttribute {
    std::size_t nameStart = 0;
    std::size_t nameLength = 0;
    bool hasValue = false;
    std::size_t valueStart = 0; // without the quotes, across lines if it goes on over them
    std::size_t valueLength = 0;
};

struct TagSpan {
    std::size_t start = 0; // of its "<"
    std::size_t nameStart = 0;
    std::size_t nameLength = 0;
    bool endTag = false;
    std::size_t end = 0; // after its ">"; the end of the text for a tag never closed
    std::vector<TagAttribute> attributes;
};

struct LexedDocument {
    std::vector<Token> tokens;
    std::vector<TagSpan> tags;
};

LexedDocument lexDocument(std::string_view text);

// The offset just after a doctype that opens the text (after white space only), else 0: where
// something must go that comes first in a page without ending its standards mode.
std::size_t leadingDoctypeEnd(std::string_view text);

// True when the page names its own character set: a byte-order mark, <meta charset> or a
// <meta http-equiv="Content-Type"> whose content names one.
bool declaresCharset(std::string_view text);

} // namespace corvane::syntax
