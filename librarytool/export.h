#pragma once

#include "librarytool/check.h"
#include "pages/filelimits.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::librarytool {

// An asset larger than this is left out of a gallery.
using pages::kMaxAssetBytes;

struct ExportReport {
    std::size_t scripts = 0;          // pages written
    std::vector<std::string> skipped; // why each script, list or asset left out was left out
};

// Writes an offline gallery of the library in `directory` (ending in the separator) to the new
// folder `out`: index.html, gallery.css, gallery.js, pages/ with a page a script, library/ with
// the scripts and the assets they use as UTF-8 copies. Only files that really lie in the library
// are read, links followed. The gallery is built in a stamped staging folder beside `out` and
// moved into place only when complete; what stopped runs left there goes first. An existing
// non-empty `out` is replaced only when it is a gallery this tool wrote, and only when `force`.
// Nothing in `directory` is written. Throws ToolError when nothing could be written, Interrupted
// when a signal stopped it (see InterruptGuard); either way nothing is left behind.
ExportReport exportGallery(const std::string& directory, const std::string& out, bool force,
                           const ProgressFunction& progress = {});

} // namespace corvane::librarytool
