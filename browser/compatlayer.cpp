#include "browser/compatlayer.h"

#include "platform/codepage.h"
#include "platform/files.h"
#include "syntax/compatscript.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

namespace corvane {
namespace {

using syntax::CompatNeeds;
using syntax::CompatPart;

// Far beyond any page of the library; a larger file is not looked into.
constexpr std::size_t kMaxPageBytes = std::size_t{8} * 1024 * 1024;
constexpr std::size_t kMaxLoadedBytes = std::size_t{4} * 1024 * 1024;
const QString kScriptName = QStringLiteral("corvane-compat");

// What the engine shows as a page, by the file's name: only those are read before a load.
bool isPageName(const QString& path)
{
    static const QStringList kSuffixes{
        QStringLiteral(".htm"),   QStringLiteral(".html"), QStringLiteral(".shtml"), QStringLiteral(".shtm"),
        QStringLiteral(".xhtml"), QStringLiteral(".xht"),  QStringLiteral(".hta")};
    for (const QString& suffix : kSuffixes)
        if (path.endsWith(suffix, Qt::CaseInsensitive))
            return true;
    return false;
}

std::optional<std::string> readLocal(const QUrl& url, std::size_t maxBytes)
{
    if (!url.isLocalFile())
        return std::nullopt;
    std::string bytes;
    if (!readRegularFileInto(url.toLocalFile().toStdString(), bytes, maxBytes))
        return std::nullopt;
    return bytes;
}

// An address as a page of the library writes it: Windows-1251 unless it is UTF-8, and with
// Windows' backslashes, which browsers read as slashes.
QUrl relativeAddress(std::string_view written)
{
    std::string text(written);
    const auto first = text.find_first_not_of(" \t\r\n");
    text.erase(0, first == std::string::npos ? text.size() : first);
    text.erase(text.find_last_not_of(" \t\r\n") + 1);
    QString address = QString::fromStdString(isValidUtf8(text) ? text : cp1251ToUtf8(text));
    address.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QUrl(address);
}

syntax::LoadedFileReader localFiles(const QUrl& pageBase, const CompatLayer::FileCheck& mayRead)
{
    const QDir folder = QFileInfo(pageBase.toLocalFile()).dir();
    return [pageBase, folder, mayRead](std::string_view address, const std::string& base,
                                       syntax::LoadedKind) -> std::optional<syntax::LoadedText> {
        const QUrl from = base.empty() ? pageBase : QUrl(QString::fromStdString(base));
        const QUrl url = from.resolved(relativeAddress(address));
        // What the page could not load itself is neither read nor given to it.
        if (mayRead && !mayRead(url))
            return std::nullopt;
        std::optional<std::string> bytes = readLocal(url, kMaxLoadedBytes);
        if (!bytes)
            return std::nullopt;
        // The page is given the text of a file only from its own folder and below.
        const QString key = QDir::cleanPath(folder.relativeFilePath(url.toLocalFile()));
        return syntax::LoadedText{std::move(*bytes), url.toString().toStdString(),
                                  key.startsWith(QLatin1String("..")) ? std::string() : key.toStdString()};
    };
}

// The layer's script for these needs; the same needs give the same script, put together once.
QString compatScript(const CompatNeeds& needs, const syntax::CompatSetup& setup)
{
    if (setup.dialog || !setup.files.empty())
        return QString::fromStdString(syntax::composeCompatScript(needs, setup));
    static QHash<quint64, QString> composed;
    const quint64 key = (quint64{needs.parts} << 8) | static_cast<quint64>(needs.identity);
    auto found = composed.find(key);
    if (found == composed.end())
        found = composed.insert(key, QString::fromStdString(syntax::composeCompatScript(needs, setup)));
    return *found;
}

} // namespace

syntax::CompatScan compatScanOf(const QByteArray& html, const QUrl& base,
                                const CompatLayer::FileCheck& mayRead)
{
    // Addresses resolve against the folder as they would against a page in it.
    QUrl page = base;
    if (!page.path().endsWith(QLatin1Char('/')))
        page.setPath(page.path() + QLatin1Char('/'));
    return syntax::scanCompatPage(std::string_view(html.constData(), static_cast<std::size_t>(html.size())),
                                  localFiles(page.resolved(QUrl(QStringLiteral("page.html"))), mayRead));
}

syntax::CompatScan compatScanOf(const QUrl& url, const CompatLayer::FileCheck& mayRead)
{
    if (!url.isLocalFile() || !isPageName(url.path()) || (mayRead && !mayRead(url)))
        return {};
    const std::optional<std::string> page = readLocal(url, kMaxPageBytes);
    return page ? syntax::scanCompatPage(*page, localFiles(url, mayRead)) : syntax::CompatScan{};
}

CompatLayer::CompatLayer(QWebEnginePage* page)
    : QObject(page)
    , page_(page)
{
}

void CompatLayer::expectContent(const QByteArray& html, const QUrl& base, const QUrl& address)
{
    decideMainFrame(compatScanOf(html, base, mayRead_), address.isEmpty() ? base : address);
    contentAddress_ = address;
    contentExpected_ = true;
}

void CompatLayer::decideBefore(const QUrl& url)
{
    decideMainFrame(compatScanOf(url, mayRead_), url);
    decidedAhead_ = url;
}

void CompatLayer::decideBefore(const QUrl& url, const QByteArray& html)
{
    decideMainFrame(compatScanOf(html, url.adjusted(QUrl::RemoveFilename), mayRead_), url);
    decidedAhead_ = url;
}

void CompatLayer::makeDialog(const QString& arguments)
{
    dialog_ = true;
    dialogArguments_ = arguments;
}

void CompatLayer::navigation(const QUrl& url, bool isMainFrame)
{
    if (isMainFrame) {
        // Decided already, before the program gave the engine the load.
        const bool content =
            contentExpected_
            && (contentAddress_.isEmpty() ? url.scheme() == QLatin1String("data") : url == contentAddress_);
        if (content || (!decidedAhead_.isEmpty() && url == decidedAhead_)) {
            contentExpected_ = false;
            decidedAhead_.clear();
            return;
        }
        decideMainFrame(compatScanOf(url, mayRead_), url);
        return;
    }
    // A frame page adds what it needs to what the page gives every new document.
    syntax::CompatScan frame = compatScanOf(url, mayRead_);
    CompatNeeds merged = needed_;
    merged.merge(frame.needs);
    if (merged == needed_)
        return;
    needed_ = merged;
    for (auto& file : frame.files)
        files_.push_back(std::move(file));
    install(enabled_ ? needed_ : CompatNeeds{});
    emit decided(url, needed_, enabled_);
}

void CompatLayer::decideMainFrame(syntax::CompatScan scan, const QUrl& url)
{
    contentExpected_ = false;
    decidedAhead_.clear();
    needed_ = scan.needs;
    files_ = std::move(scan.files);
    if (dialog_)
        needed_.add(CompatPart::ModalDialog);
    install(enabled_ ? needed_ : CompatNeeds{});
    emit decided(url, needed_, enabled_);
}

void CompatLayer::install(const CompatNeeds& needs)
{
    given_ = needs;
    syntax::CompatSetup setup;
    setup.dialog = dialog_ && enabled_;
    setup.dialogArguments = dialogArguments_.toStdString();
    setup.files = files_;
    const QString source = needs.empty() ? QString() : compatScript(needs, setup);
    // Only a page that needs <bgsound> plays sound before the user has clicked.
    page_->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture,
                                    !needs.has(CompatPart::Bgsound));
    if (source == installed_)
        return;
    QWebEngineScriptCollection& scripts = page_->scripts();
    for (const QWebEngineScript& old : scripts.find(kScriptName))
        scripts.remove(old);
    installed_ = source;
    if (source.isEmpty())
        return;
    QWebEngineScript script;
    script.setName(kScriptName);
    script.setSourceCode(source);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    scripts.insert(script);
    emit installed();
}

} // namespace corvane
