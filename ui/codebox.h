#pragma once

#include <QByteArray>
#include <QString>

namespace corvane {

// The code box's raw document text as the library keeps its files: Windows-1251 bytes with a
// CR LF after every line but the last. No-break spaces stay what they are.
QByteArray codeBoxBytes(const QString& rawText);

} // namespace corvane
