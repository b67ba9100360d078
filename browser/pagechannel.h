#pragma once

#include <QJsonValue>
#include <QString>

#include <optional>

namespace corvane {

// A message of the program's page scripts (browser/scripts/channel.js), which all speak through
// that one channel: what it is about, the document it came from, and its data.
struct PageMessage {
    QString kind;
    QString address;
    QJsonValue data;
};

// The message `text` (a console message or a prompt's text) carries, when it is one of ours.
std::optional<PageMessage> readPageMessage(const QString& text);

} // namespace corvane
