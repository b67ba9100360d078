#pragma once

#include <QString>

class QWebEnginePage;

namespace corvane {

// The text of a page script kept under :/browser/.
QString pageScriptSource(const QString& resource);

// Runs `body` in every document of `page` (and its frames when `subFrames`), as the document is
// created, in the page's own world, with `channel` in reach: the one channel to the program
// (browser/scripts/channel.js). Scripts run in the order they were installed.
void installPageScript(QWebEnginePage& page, const QString& name, const QString& body, bool subFrames);

} // namespace corvane
