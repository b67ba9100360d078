#pragma once

#include <QString>
#include <QUrl>

namespace corvane {

// Like the original shell: a plain local path is that file, an address with a scheme is taken as
// it is, and anything else (a bare host name) is a web address.
QUrl addressToUrl(const QString& address);

// Schemes whose content never comes from off the machine: a file, or what the engine holds itself.
bool isLocalScheme(const QString& scheme);

} // namespace corvane
