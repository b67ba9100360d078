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

namespace corvane {
namespace {

const char* const kHandledProperty = "corvaneDownloadsAsk";

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
    const QString suggested = QDir(downloadFolder()).filePath(download->suggestedFileName());
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

void askWhereToSaveDownloads(QWebEngineProfile& profile)
{
    if (profile.property(kHandledProperty).toBool())
        return;
    profile.setProperty(kHandledProperty, true);
    QObject::connect(&profile, &QWebEngineProfile::downloadRequested, &profile, &saveDownload);
}

} // namespace corvane
