#pragma once

#include <QString>

class QWebEnginePage;

namespace corvane {

// What every page of the program's is given, the preview's and those `corvane-library run`
// loads alike: Windows-1251 for pages that declare no character set, the sans-serif face the
// widgets use, and the script that reports writes to window.status as console messages.
void applyPreviewSettings(QWebEnginePage& page);

// The console messages that carry a status text start with this.
const QString& statusTextMarker();

} // namespace corvane
