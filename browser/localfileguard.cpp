#include "browser/localfileguard.h"

#include "address/address.h"
#include "browser/lettercase.h"
#include "platform/insidepath.h"
#include "platform/pathtext.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace corvane {
namespace {

bool isWebScheme(const QString& scheme)
{
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

fs::path pathOf(const QString& path)
{
    return toPath(path.toStdString());
}

// Where the system would open `path`: every link followed. A name that does not exist (yet) is
// judged by the folder it would be in, links in that resolved too.
fs::path realPath(const fs::path& path)
{
    std::error_code error;
    fs::path real = fs::canonical(path, error);
    if (!error)
        return real;
    real = fs::weakly_canonical(path, error);
    return error ? fs::path() : real;
}

} // namespace

LocalFileGuard::LocalFileGuard(QObject* parent)
    : QWebEngineUrlRequestInterceptor(parent)
{
}

void LocalFileGuard::setLibraryFolders(const QStringList& folders)
{
    roots_.clear();
    for (const QString& folder : folders) {
        std::error_code error;
        const fs::path root = fs::canonical(pathOf(folder), error);
        if (!error && std::find(roots_.begin(), roots_.end(), root) == roots_.end())
            roots_.push_back(root);
    }
}

void LocalFileGuard::allowFile(const QString& path)
{
    ownFiles_.insert(path);
    ownFiles_.insert(QString::fromStdString(pathText(realPath(pathOf(path)))));
}

void LocalFileGuard::forgetFile(const QString& path)
{
    ownFiles_.remove(path);
    ownFiles_.remove(QString::fromStdString(pathText(realPath(pathOf(path)))));
}

void LocalFileGuard::programNavigation(const QUrl& url)
{
    remoteAllowed_ = isWebScheme(url.scheme());
}

bool LocalFileGuard::mayReadFile(const QString& path) const
{
    if (ownFiles_.contains(path))
        return true;
    const fs::path asked = pathOf(path);
    for (const fs::path& root : roots_) {
        const ResolvedPath resolved = resolveInside(root, asked);
        if (!resolved.real.empty())
            return true;
        // A missing file inside the library is no secret; the engine says it did not load.
        if (resolved.error == std::errc::no_such_file_or_directory) {
            const fs::path real = realPath(asked);
            if (!real.empty() && isWithin(real, root))
                return true;
        }
    }
    return ownFiles_.contains(QString::fromStdString(pathText(realPath(asked))));
}

bool LocalFileGuard::mayLoad(const QUrl& url, const QUrl& page, const QUrl& initiator) const
{
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("file"))
        return mayReadFile(url.toLocalFile());
    if (isLocalScheme(scheme))
        return true;
    // Off the machine only from a web page the program showed; never for a local page, whatever
    // the page claims to be at that moment.
    return remoteAllowed_ && isWebScheme(page.scheme()) && initiator.scheme() != QLatin1String("file");
}

void LocalFileGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    const QUrl url = info.requestUrl();
    if (!admit(url, info.firstPartyUrl(), info.initiator())) {
        info.block(true);
        return;
    }
    // A name in another letter case finds its file, as it did on Windows; where that file lies is
    // judged again.
    const QUrl found = withFoundLetterCase(url);
    if (found == url)
        return;
    if (admit(found, info.firstPartyUrl(), info.initiator()))
        info.redirect(found);
    else
        info.block(true);
}

bool LocalFileGuard::admit(const QUrl& url, const QUrl& page, const QUrl& initiator)
{
    if (mayLoad(url, page, initiator))
        return true;
    emit refused(url, page);
    return false;
}

} // namespace corvane
