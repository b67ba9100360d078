#pragma once

namespace corvane {

// Settles what Chromium needs before the QApplication exists: shared GL contexts, no sandbox
// when running as root (it refuses to start otherwise), no background fetches, a JavaScript heap
// limit for every page, page content on the accessibility bus, and a quiet start (no engine
// set-up report on stderr).
void prepareWebEngine();

// Throws BrowserError when the engine's helper process is not installed, before a view needs it.
void ensureWebEngineInstalled();

} // namespace corvane
