#include "browser/pagescript.h"

#include "syntax/compatscript.h"

#include <QFile>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace corvane {

QString pageScriptSource(const QString& resource)
{
    QFile file(QStringLiteral(":/browser/") + resource);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

void installPageScript(QWebEnginePage& page, const QString& name, const QString& body, bool subFrames)
{
    static const QString channel = QString::fromUtf8(
        syntax::programChannelScript().data(), static_cast<qsizetype>(syntax::programChannelScript().size()));
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(QStringLiteral("(function () {\nvar channel = (function () {\n") + channel
                         + QStringLiteral("\n})();\n") + body + QStringLiteral("\n})();\n"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(subFrames);
    page.scripts().insert(script);
}

} // namespace corvane
