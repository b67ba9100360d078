#include "browser/pagesettings.h"

#include <QFontDatabase>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

namespace corvane {
namespace {

// Chromium stores window.status but shows it nowhere; report every write instead.
const char* const kStatusScript = R"JS(
(function () {
  var texts = { status: '', defaultStatus: '' };
  ['status', 'defaultStatus'].forEach(function (name) {
    try {
      Object.defineProperty(window, name, {
        configurable: true,
        get: function () { return texts[name]; },
        set: function (value) {
          texts[name] = String(value);
          console.debug('\u0001corvane-status\u0001' + texts[name]);
        }
      });
    } catch (e) {}
  });
})();
)JS";

// The face that stands in for Verdana, as it does in the widgets.
const QString kSansFace = QStringLiteral("DejaVu Sans");

// Chromium takes no look-alike for a face that is missing: a page asking for Verdana falls back
// to the standard face, a serif one unless told otherwise.
void useSansSerifFaces(QWebEngineSettings& settings)
{
    if (QFontDatabase::hasFamily(kSansFace))
        settings.setFontFamily(QWebEngineSettings::SansSerifFont, kSansFace);
    settings.setFontFamily(QWebEngineSettings::StandardFont,
                           settings.fontFamily(QWebEngineSettings::SansSerifFont));
}

} // namespace

const QString& statusTextMarker()
{
    static const QString marker = QStringLiteral("\x01" "corvane-status" "\x01");
    return marker;
}

void applyPreviewSettings(QWebEnginePage& page)
{
    // The library's pages carry no character-set declaration and are Windows-1251.
    page.settings()->setDefaultTextEncoding(QStringLiteral("windows-1251"));
    useSansSerifFaces(*page.settings());

    QWebEngineScript status;
    status.setName(QStringLiteral("corvane-status"));
    status.setSourceCode(QString::fromLatin1(kStatusScript));
    status.setInjectionPoint(QWebEngineScript::DocumentCreation);
    status.setWorldId(QWebEngineScript::MainWorld);
    status.setRunsOnSubFrames(true);
    page.scripts().insert(status);
}

} // namespace corvane
