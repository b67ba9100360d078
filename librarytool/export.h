#pragma once

#include "librarytool/check.h"

#include <string>
#include <vector>

namespace corvane::librarytool {

struct ExportReport {
    std::size_t scripts = 0;          // pages written
    std::vector<std::string> skipped; // why each script or list left out was left out
};

// Writes an offline gallery of the library in `directory` (ending in the separator) to the new
// folder `out`: index.html, gallery.css, gallery.js, pages/ with a page a script, library/ with
// the scripts and the assets they use as UTF-8 copies. The gallery is built beside `out` and
// moved into place only when complete. An existing non-empty `out` is replaced only when
// `force`. Nothing in `directory` is written. Throws ToolError when nothing could be written.
ExportReport exportGallery(const std::string& directory, const std::string& out, bool force,
                           const ProgressFunction& progress = {});

} // namespace corvane::librarytool
