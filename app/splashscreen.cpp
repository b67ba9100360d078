#include "app/splashscreen.h"

#include "ui/pictures.h"
#include "ui_splashscreen.h"

#include <QGuiApplication>
#include <QScreen>

namespace corvane {

Tsplashscreen::Tsplashscreen(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , ui(std::make_unique<Ui::Tsplashscreen>())
{
    ui->setupUi(this);
    // Unscaled from the top-left corner: the box is shorter than the picture, which is cut off.
    ui->Image1->setPixmap(pictures::splash());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

Tsplashscreen::~Tsplashscreen() = default;

} // namespace corvane
