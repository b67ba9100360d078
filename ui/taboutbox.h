#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TAboutBox;
}

namespace corvane {

// The modal about box with its author card. Made once and kept: each showing finds the
// position and the card as the last one left them.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // language: the main window's language code; "en" gives the English texts.
    explicit TAboutBox(const QString& language, QWidget* parent = nullptr);
    ~TAboutBox() override;

    void Image1MouseMove();
    void Label1MouseLeave();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void FormCreate(const QString& language);

    std::unique_ptr<Ui::TAboutBox> ui;
};

} // namespace corvane
