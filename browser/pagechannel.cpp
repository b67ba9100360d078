#include "browser/pagechannel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace corvane {
namespace {

// Begins every message and parts its fields; nothing a page writes begins with it by chance.
const QString kMark = QStringLiteral("\x01"
                                     "corvane"
                                     "\x01");

} // namespace

std::optional<PageMessage> readPageMessage(const QString& text)
{
    if (!text.startsWith(kMark))
        return std::nullopt;
    const qsizetype kindEnd = text.indexOf(kMark, kMark.size());
    const qsizetype addressEnd = kindEnd < 0 ? -1 : text.indexOf(kMark, kindEnd + kMark.size());
    if (addressEnd < 0)
        return std::nullopt;
    PageMessage message;
    message.kind = text.mid(kMark.size(), kindEnd - kMark.size());
    message.address = text.mid(kindEnd + kMark.size(), addressEnd - kindEnd - kMark.size());
    // A document holds an array or an object: the data goes inside one.
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(
        '[' + QStringView(text).mid(addressEnd + kMark.size()).toUtf8() + ']', &error);
    if (error.error != QJsonParseError::NoError || !json.isArray() || json.array().size() != 1)
        return std::nullopt;
    message.data = json.array().first();
    return message;
}

} // namespace corvane
