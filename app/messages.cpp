#include "app/messages.h"

#include "app/messagebox.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

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
    QDialog box;
    box.setWindowTitle(QLatin1String(kApplicationTitle));
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                       | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(&box);
    auto* label = new QLabel(displayLines(text), &box);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);
    auto* buttons = new QDialogButtonBox(&box);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    layout->addWidget(buttons, 0, Qt::AlignHCenter);
    QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
    fitToText(box, *label);
    // Esc rejects, which here means the same as OK.
    box.exec();
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
