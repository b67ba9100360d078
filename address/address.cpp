#include "address/address.h"

#include <QDir>
#include <QSet>

namespace corvane {

QUrl addressToUrl(const QString& address)
{
    if (QDir::isAbsolutePath(address))
        return QUrl::fromLocalFile(address);
    QUrl url(address, QUrl::StrictMode);
    // A one-letter scheme is a Windows drive.
    if (url.isValid() && !url.scheme().isEmpty() && url.scheme().size() > 1)
        return url;
    return QUrl::fromUserInput(address);
}

bool isLocalScheme(const QString& scheme)
{
    static const QSet<QString> kLocal{QStringLiteral("file"), QStringLiteral("data"),
                                      QStringLiteral("blob"), QStringLiteral("about"),
                                      QStringLiteral("qrc"),  QStringLiteral("filesystem")};
    return kLocal.contains(scheme);
}

} // namespace corvane
