#pragma once

#include <QUrl>

namespace corvane {

// A local address as Windows resolved it, where letter case in names does not count: the address
// of the file found in another letter case (findIgnoringCase), its query and fragment kept; the
// address itself when it names no local file or the file is there as named, or none is found.
QUrl withFoundLetterCase(const QUrl& url);

} // namespace corvane
