#pragma once

#include <QString>

class QWebEnginePage;

namespace corvane {

// Runs the script kept in `resource` (under :/browser/) in every document of `page` and its
// frames, as the document is created, in the page's own world.
void installPageScript(QWebEnginePage& page, const QString& resource);

} // namespace corvane
