#include "browser/downloads.h"

#include "browser/pagedialogs.h"
#include "browser/webpage.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWidget>

#include <algorithm>

namespace corvane {
namespace {

const char* const kHandledProperty = "corvaneDownloadsAsk";
// Longer names are cut, the extension kept; systems allow 255 bytes and less on the way.
constexpr qsizetype kMaxNameLength = 120;

QString downloadFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
}

void saveDownload(QWebEngineDownloadRequest* download)
{
    auto* page = qobject_cast<WebPage*>(download->page());
    PageDialogs* dialogs = page ? page->dialogs() : nullptr;
    if (!dialogs) {
        download->cancel();
        return;
    }
    const QPointer<QWidget> parent = page->dialogParent();
    const QString suggested =
        QDir(downloadFolder()).filePath(downloadFileName(download->suggestedFileName()));
    const QString path = dialogs->saveFileName(parent, suggested);
    if (path.isEmpty()) {
        download->cancel();
        return;
    }
    const QFileInfo target(path);
    download->setDownloadDirectory(target.absolutePath());
    download->setDownloadFileName(target.fileName());
    QObject::connect(download, &QWebEngineDownloadRequest::stateChanged, download,
                     [download, dialogs, parent](QWebEngineDownloadRequest::DownloadState state) {
                         if (state != QWebEngineDownloadRequest::DownloadInterrupted)
                             return;
                         dialogs->downloadFailed(parent, QStringLiteral("Файлът „%1“ не беше изтеглен: %2")
                                                             .arg(download->downloadFileName(),
                                                                  download->interruptReasonString()));
                     });
    download->accept();
}

} // namespace

QString downloadFileName(const QString& suggested)
{
    QString name = suggested.mid(
        std::max(suggested.lastIndexOf(QLatin1Char('/')), suggested.lastIndexOf(QLatin1Char('\\'))) + 1);
    name.removeIf([](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7F || (c.unicode() >= 0x80 && c.unicode() < 0xA0)
               || QStringView(u"<>:\"/\\|?*").contains(c);
    });
    // Leading dots hide a file; trailing dots and spaces Windows drops.
    while (!name.isEmpty() && (name.front() == QLatin1Char('.') || name.front().isSpace()))
        name.remove(0, 1);
    while (!name.isEmpty() && (name.back() == QLatin1Char('.') || name.back().isSpace()))
        name.chop(1);
    if (name.size() > kMaxNameLength) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString extension = dot > 0 && name.size() - dot <= 16 ? name.mid(dot) : QString();
        name = name.left(kMaxNameLength - extension.size()) + extension;
    }
    return name.isEmpty() ? QStringLiteral("изтеглен-файл") : name;
}

void askWhereToSaveDownloads(QWebEngineProfile& profile)
{
    if (profile.property(kHandledProperty).toBool())
        return;
    profile.setProperty(kHandledProperty, true);
    QObject::connect(&profile, &QWebEngineProfile::downloadRequested, &profile, &saveDownload);
}

} // namespace corvane
