#pragma once

#include "library/textlist.h"

#include <cstdint>

namespace corvane::pages {

// How large a library file may be for Save, export and add. Pages, style sheets and scripts are
// recoded in memory and the program cannot show a page larger than its code box holds; every
// other file is copied as it is, piece by piece, up to a size far above any real picture or
// sound (a sparse file of any size costs nothing to make).
inline constexpr std::uintmax_t kMaxTextBytes = kCodeBoxCapacity;
inline constexpr std::uintmax_t kMaxAssetBytes = std::uintmax_t{256} * 1024 * 1024;

// The piece a copy reads and writes at a time.
inline constexpr std::size_t kCopyPieceBytes = std::size_t{1} << 20;

} // namespace corvane::pages
