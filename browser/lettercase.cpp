#include "browser/lettercase.h"

#include "platform/files.h"

#include <QFileInfo>

namespace corvane {

QUrl withFoundLetterCase(const QUrl& url)
{
    if (!url.isLocalFile())
        return url;
    const QString path = url.toLocalFile();
    if (path.isEmpty() || QFileInfo::exists(path))
        return url;
    const std::optional<std::string> found = findIgnoringCase(path.toStdString());
    if (!found)
        return url;
    QUrl file = QUrl::fromLocalFile(QString::fromStdString(*found));
    file.setQuery(url.query());
    file.setFragment(url.fragment());
    return file;
}

} // namespace corvane
