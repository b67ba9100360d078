#include "app/desktoppagedialogs.h"

#include "app/messagebox.h"
#include "app/messages.h"
#include "app/plainbox.h"

#include <QFileDialog>
#include <QPushButton>

namespace corvane {
namespace {

// One box of a page: its text, an optional line to answer in, the offer to stop the page's
// boxes when asked for, and OK (with Cancel when the page wants an answer).
bool pageBox(QWidget* parent, const QString& text, QString* value, bool withCancel, bool* stopMore)
{
    PlainBox box(text, parent);
    if (value)
        box.askLine(*value);
    if (stopMore != nullptr)
        box.offerToStopMore();
    if (withCancel)
        box.addCancel();
    const bool accepted = box.run();
    if (stopMore != nullptr)
        *stopMore = box.stopMoreChosen();
    if (value && accepted)
        *value = box.line();
    return accepted;
}

} // namespace

void DesktopPageDialogs::alert(QWidget* parent, const QString& text, bool* stopMore)
{
    pageBox(parent, text, nullptr, false, stopMore);
}

bool DesktopPageDialogs::confirm(QWidget* parent, const QString& text, bool* stopMore)
{
    return pageBox(parent, text, nullptr, true, stopMore);
}

bool DesktopPageDialogs::prompt(QWidget* parent, const QString& text, QString& value, bool* stopMore)
{
    return pageBox(parent, text, &value, true, stopMore);
}

bool DesktopPageDialogs::confirmLeave(QWidget* parent)
{
    MessageBox box(
        MessageBox::Question, QLatin1String(kApplicationTitle),
        QStringLiteral(
            "Да напусна ли страницата? Промените, които сте направили в нея, може да не бъдат запазени."),
        MessageBox::NoButton, parent);
    QPushButton* leave = box.addButton(QStringLiteral("Напусни"), MessageBox::AcceptRole);
    QPushButton* stay = box.addButton(QStringLiteral("Остани"), MessageBox::RejectRole);
    box.setDefaultButton(stay);
    box.setEscapeButton(stay);
    box.exec();
    return box.clickedButton() == leave;
}

QString DesktopPageDialogs::saveFileName(QWidget* parent, const QString& suggestedPath)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Запазване на изтегления файл"),
                                        suggestedPath);
}

void DesktopPageDialogs::downloadFailed(QWidget* parent, const QString& text)
{
    MessageBox box(MessageBox::Warning, QLatin1String(kApplicationTitle), text, MessageBox::NoButton, parent);
    box.setDefaultButton(box.addButton(QStringLiteral("OK"), MessageBox::AcceptRole));
    box.exec();
}

} // namespace corvane
