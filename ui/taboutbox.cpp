#include "ui/taboutbox.h"

#include "ui/pictures.h"
#include "ui_aboutbox.h"

#include <QEvent>
#include <QKeyEvent>

namespace corvane {

TAboutBox::TAboutBox(const QString& language, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
    , ui(std::make_unique<Ui::TAboutBox>())
{
    ui->setupUi(this);
    ui->OKButton->raise();
    ui->ProgramIcon->setPixmap(pictures::programIcon().pixmap(48, 48));
    ui->Image1->setPixmap(pictures::portrait());
    ui->Image1->installEventFilter(this);
    ui->Label1->installEventFilter(this);
    connect(ui->OKButton, &QPushButton::clicked, this, &QDialog::accept);
    // Only the button takes the focus.
    for (QWidget* child : findChildren<QWidget*>())
        if (child != ui->OKButton)
            child->setFocusPolicy(Qt::NoFocus);
    FormCreate(language);
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::FormCreate(const QString& language)
{
    setWindowTitle(QStringLiteral("За програмата (") + language + QStringLiteral(")."));
    if (language != QLatin1String("en"))
        return;
    setWindowTitle(QStringLiteral("About the program"));
    ui->ProductName->setText(QStringLiteral("Product name : Corvane Scripts"));
    ui->Version->setText(QStringLiteral("Version : 1.0.0"));
    ui->Comments->setText(
        QStringLiteral("To use this program legal you need to read and agree to the terms and "
                       "conditions in the \"License User Agreement\" section."));
    ui->Label1->setText(QStringLiteral("<< More"));
    ui->Label3->setText(QStringLiteral("Miroslav Kovanov"));
    ui->Panel3->setText(QStringLiteral("Main Programmer"));
}

void TAboutBox::Image1MouseMove()
{
    if (ui->Panel2->isHidden())
        ui->Panel2->show();
}

void TAboutBox::Label1MouseLeave()
{
    ui->Panel2->hide();
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->Image1 && event->type() == QEvent::MouseMove)
        Image1MouseMove();
    else if (watched == ui->Label1 && event->type() == QEvent::Leave)
        Label1MouseLeave();
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::keyPressEvent(QKeyEvent* event)
{
    // There is no cancel button: Esc leaves the box open.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TAboutBox::hideEvent(QHideEvent* event)
{
    // Pin the position so the next showing opens where the user left it, not centred again.
    move(pos());
    QDialog::hideEvent(event);
}

} // namespace corvane
