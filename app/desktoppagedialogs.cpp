#include "app/desktoppagedialogs.h"

#include "app/messagebox.h"
#include "app/messages.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {
namespace {

// One box of a page: its text, an optional line to answer in, the offer to stop the page's
// boxes when asked for, and OK (with Cancel when the page wants an answer).
bool pageBox(QWidget* parent, const QString& text, QString* value, bool withCancel, bool* stopMore)
{
    QDialog box(parent);
    box.setWindowTitle(QLatin1String(kApplicationTitle));
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                       | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(&box);
    auto* label = new QLabel(text, &box);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);
    QLineEdit* edit = nullptr;
    if (value) {
        edit = new QLineEdit(*value, &box);
        edit->selectAll();
        layout->addWidget(edit);
    }
    QCheckBox* stop = nullptr;
    if (stopMore != nullptr) {
        stop = new QCheckBox(QStringLiteral("&Без повече прозорци от тази страница"), &box);
        layout->addWidget(stop);
    }
    auto* buttons = new QDialogButtonBox(&box);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    if (withCancel)
        buttons->addButton(QStringLiteral("Отказ"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons, 0, Qt::AlignHCenter);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    fitToText(box, *label);
    const bool accepted = box.exec() == QDialog::Accepted;
    if (stop)
        *stopMore = stop->isChecked();
    if (edit && accepted)
        *value = edit->text();
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
