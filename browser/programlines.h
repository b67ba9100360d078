#pragma once

#include "browser/consolemessages.h"
#include "syntax/oldpages.h"

#include <QUrl>

namespace corvane::programlines {

// The console's lines of the program's own, about what it did to the page at `url`.
ConsoleMessage runawayStopped(const QUrl& url);
ConsoleMessage memoryStopped(const QUrl& url);
ConsoleMessage popupOpened(const QUrl& url);
// The layer is switched off for a page that needs `needed` of it.
ConsoleMessage compatOff(const QUrl& url, const syntax::CompatNeeds& needed);
ConsoleMessage refused(const QUrl& url);

} // namespace corvane::programlines
