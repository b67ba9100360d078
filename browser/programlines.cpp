#include "browser/programlines.h"

namespace corvane::programlines {
namespace {

ConsoleMessage line(ConsoleMessage::Kind kind, ConsoleMessage::Level level, const QString& text,
                    const QUrl& url)
{
    ConsoleMessage message;
    message.kind = kind;
    message.level = level;
    message.text = text;
    message.source = url.toString();
    return message;
}

} // namespace

ConsoleMessage runawayStopped(const QUrl& url)
{
    return line(ConsoleMessage::Kind::RunawayStop, ConsoleMessage::Level::Error,
                QStringLiteral("Скриптът не отговаряше и беше спрян"), url);
}

ConsoleMessage memoryStopped(const QUrl& url)
{
    return line(ConsoleMessage::Kind::MemoryStop, ConsoleMessage::Level::Error,
                QStringLiteral("Страницата използва твърде много памет и беше спряна"), url);
}

ConsoleMessage popupOpened(const QUrl& url)
{
    return line(ConsoleMessage::Kind::Popup, ConsoleMessage::Level::Info,
                QStringLiteral("Отворен е нов прозорец"), url);
}

ConsoleMessage compatOff(const QUrl& url, const syntax::CompatNeeds& needed)
{
    return line(
        ConsoleMessage::Kind::Compat, ConsoleMessage::Level::Info,
        QStringLiteral("Съвместимост: изключена, страницата е както в днешните браузъри (би получила: %1)")
            .arg(QString::fromStdString(needed.partNames())),
        url);
}

ConsoleMessage refused(const QUrl& url)
{
    return line(ConsoleMessage::Kind::Refused, ConsoleMessage::Level::Error,
                url.isLocalFile() ? QStringLiteral("Отказан е достъп до файл извън библиотеката")
                                  : QStringLiteral("Отказана е връзка извън компютъра"),
                url);
}

} // namespace corvane::programlines
