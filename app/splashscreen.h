#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class Tsplashscreen;
}

namespace corvane {

// Borderless picture shown while the main window is being built.
class Tsplashscreen : public QWidget {
    Q_OBJECT
public:
    explicit Tsplashscreen(QWidget* parent = nullptr);
    ~Tsplashscreen() override;

private:
    std::unique_ptr<Ui::Tsplashscreen> ui;
};

} // namespace corvane
