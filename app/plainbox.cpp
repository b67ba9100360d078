#include "app/plainbox.h"

#include "app/messagebox.h"
#include "app/messages.h"
#include "ui_plainbox.h"

#include <QPushButton>

namespace corvane {

PlainBox::PlainBox(const QString& text, QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::PlainBox>())
{
    ui->setupUi(this);
    setWindowTitle(QLatin1String(kApplicationTitle));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ui->text->setText(text);
    // The toolkit's standard buttons take Qt's translation; these captions are the program's own.
    QPushButton* ok = ui->buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("OK"));
    ok->setDefault(true);
    ui->buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отказ"));
    ui->buttons->button(QDialogButtonBox::Cancel)->hide();
    connect(ui->buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

PlainBox::~PlainBox() = default;

void PlainBox::addCancel()
{
    ui->buttons->button(QDialogButtonBox::Cancel)->show();
}

void PlainBox::askLine(const QString& value)
{
    ui->answer->setText(value);
    ui->answer->selectAll();
    ui->answer->show();
    ui->answer->setFocus();
}

void PlainBox::offerToStopMore()
{
    ui->stopMore->show();
}

bool PlainBox::run()
{
    fitToText(*this, *ui->text);
    return exec() == QDialog::Accepted;
}

QString PlainBox::line() const
{
    return ui->answer->text();
}

bool PlainBox::stopMoreChosen() const
{
    return ui->stopMore->isChecked();
}

} // namespace corvane
