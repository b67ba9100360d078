#include "browser/contentloader.h"

#include "browser/exitcleanup.h"
#include "browser/localfileguard.h"
#include "browser/webpage.h"
#include "platform/errors.h"
#include "syntax/document.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QWebEngineLoadingInfo>

#include <string_view>
#include <utility>

namespace corvane {
namespace {

// The text is Windows-1251 by construction, so it says so even where a short page would make the
// engine guess otherwise.
const QByteArray kContentType = QByteArrayLiteral("text/html;charset=windows-1251");

// Puts the character set and a <base> first in the page (after its doctype, which must stay first
// for the page to keep its rendering mode), so that a page loaded from elsewhere still finds its
// pictures and scripts.
QByteArray withBase(const QByteArray& html, const QUrl& baseUrl)
{
    QByteArray href = baseUrl.toEncoded();
    href.replace('"', "%22");
    const QByteArray tag = "<meta charset=\"windows-1251\"><base href=\"" + href + "\">";
    const auto at = static_cast<qsizetype>(
        syntax::leadingDoctypeEnd(std::string_view(html.constData(), static_cast<std::size_t>(html.size()))));
    return html.left(at) + tag + html.mid(at);
}

QString contentFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

} // namespace

ContentLoader::ContentLoader(WebPage& page)
    : QObject(&page)
    , page_(page)
{
    connect(&page_, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        // The content's own load is over, whether it loaded, failed or was left.
        if (file_ && info.url() == fileUrl_ && info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
            drop();
    });
    // The content is read once it has loaded; its own references point at its base folder.
    connect(&page_, &QWebEnginePage::loadFinished, this, [this] {
        if (file_ && page_.url() == fileUrl_)
            drop();
    });
}

ContentLoader::~ContentLoader()
{
    drop();
}

QUrl ContentLoader::prepare(const QByteArray& html, const QUrl& baseUrl)
{
    drop();
    baseUrl_ = baseUrl;
    throughFile_ = !WebPage::fitsDataAddress(html);
    if (!throughFile_) {
        html_ = html;
        // The engine reports the base as the page's address.
        return baseUrl;
    }
    html_.clear();
    auto file =
        std::make_unique<QTemporaryFile>(contentFolder() + QStringLiteral("/corvane-edit-XXXXXX.html"));
    const QByteArray page = withBase(html, baseUrl);
    if (!file->open() || file->write(page) != page.size() || !file->flush()) {
        const std::string text = "Cannot create file \"" + file->fileName().toStdString() + "\". "
                                 + file->errorString().toStdString();
        file.reset();
        throw FileCreateError(text);
    }
    file->close();
    removeAtExit(file->fileName());
    if (fileGuard_)
        fileGuard_->allowFile(file->fileName());
    fileUrl_ = QUrl::fromLocalFile(file->fileName());
    file_ = std::move(file);
    return fileUrl_;
}

void ContentLoader::load()
{
    if (throughFile_)
        page_.load(fileUrl_);
    else
        page_.setContent(html_, QString::fromLatin1(kContentType), baseUrl_);
}

void ContentLoader::left()
{
    if (requested_)
        drop();
}

void ContentLoader::drop()
{
    if (file_) {
        letGoAtExit(file_->fileName());
        if (fileGuard_)
            fileGuard_->forgetFile(file_->fileName());
    }
    file_.reset();
    requested_ = false;
}

} // namespace corvane
