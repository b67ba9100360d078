#pragma once

#include "ui/dialogs.h"

class QWidget;

namespace corvane {

// The application title: caption of the task-bar entry, the plain message boxes and the
// default error display.
inline constexpr const char* kApplicationTitle = "Corvane Scripts v.1.0.0";

// The real message boxes.
class AppDialogs : public Dialogs {
public:
    void showMessage(const QString& text) override;
    bool confirm(const QString& text) override;
    void showError(const QString& text) override;
};

// Turns the program's CR line breaks into the toolkit's.
QString displayLines(const QString& text);

// The last-resort box for an error that escaped the creation of a window.
void showApplicationError(const QString& text);

} // namespace corvane
