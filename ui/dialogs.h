#pragma once

#include <QString>

namespace corvane {

// The ways the program speaks to the user outside its windows. The application supplies the
// real boxes; tests supply doubles that answer at once.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Plain message box: application title, no icon, one "OK". A CR starts a new line.
    virtual void showMessage(const QString& text) = 0;
    // "Confirm" box with the question icon, "OK" and "Cancel"; true for OK.
    virtual bool confirm(const QString& text) = 0;
    // Default error display: stop icon, application title, one "OK"; the text is final.
    virtual void showError(const QString& text) = 0;
};

} // namespace corvane
