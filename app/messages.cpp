#include "app/messages.h"

#include "app/messagebox.h"
#include "app/plainbox.h"

#include <QPushButton>

namespace corvane {
namespace {

// The toolkit's standard buttons take Qt's translation; these captions are the program's own.
void keepCaption(QMessageBox& box, QMessageBox::StandardButton which, const char* caption)
{
    box.button(which)->setText(QLatin1String(caption));
}

} // namespace

QString displayLines(const QString& text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

void AppDialogs::showMessage(const QString& text)
{
    PlainBox box(displayLines(text));
    // Esc rejects, which here means the same as OK.
    box.run();
}

bool AppDialogs::confirm(const QString& text)
{
    MessageBox box(MessageBox::Question, QStringLiteral("Confirm"), displayLines(text),
                   MessageBox::Ok | MessageBox::Cancel);
    box.setDefaultButton(MessageBox::Ok);
    box.setEscapeButton(MessageBox::Cancel);
    keepCaption(box, MessageBox::Ok, "OK");
    keepCaption(box, MessageBox::Cancel, "Cancel");
    return box.exec() == MessageBox::Ok;
}

void AppDialogs::showError(const QString& text)
{
    MessageBox box(MessageBox::Critical, QLatin1String(kApplicationTitle), displayLines(text),
                   MessageBox::Ok);
    keepCaption(box, MessageBox::Ok, "OK");
    box.exec();
}

void showApplicationError(const QString& text)
{
    MessageBox box(MessageBox::Critical, QStringLiteral("Application Error"), displayLines(text),
                   MessageBox::Ok);
    keepCaption(box, MessageBox::Ok, "OK");
    box.exec();
}

} // namespace corvane
