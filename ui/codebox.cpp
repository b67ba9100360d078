#include "ui/codebox.h"

#include "platform/codepage.h"

namespace corvane {

QByteArray codeBoxBytes(const QString& rawText)
{
    QString text = rawText;
    // The document separates lines with these; a plain-text export would also turn no-break
    // spaces into spaces, which the page must keep.
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return QByteArray::fromStdString(utf8ToCp1251(text.toStdString()));
}

} // namespace corvane
