#include "app/messages.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace corvane {

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
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        label->setMaximumWidth(screen->geometry().width() / 2);
    layout->addWidget(label);
    auto* buttons = new QDialogButtonBox(&box);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    layout->addWidget(buttons, 0, Qt::AlignHCenter);
    QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
    // Esc rejects, which here means the same as OK.
    box.exec();
}

bool AppDialogs::confirm(const QString& text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), displayLines(text),
                    QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

void AppDialogs::showError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QLatin1String(kApplicationTitle), displayLines(text),
                    QMessageBox::Ok);
    box.exec();
}

void showApplicationError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"), displayLines(text),
                    QMessageBox::Ok);
    box.exec();
}

} // namespace corvane
