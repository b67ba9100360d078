#include "browser/pagescript.h"

#include <QFile>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace corvane {

void installPageScript(QWebEnginePage& page, const QString& resource)
{
    QFile file(QStringLiteral(":/browser/") + resource);
    file.open(QIODevice::ReadOnly);
    QWebEngineScript script;
    script.setName(resource);
    script.setSourceCode(QString::fromUtf8(file.readAll()));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    page.scripts().insert(script);
}

} // namespace corvane
