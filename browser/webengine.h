#pragma once

namespace corvane {

// Settles what Chromium needs before the QApplication exists: shared GL contexts, no sandbox
// when running as root (it refuses to start otherwise), software rendering where there is no GPU.
void prepareWebEngine();

} // namespace corvane
