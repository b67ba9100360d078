#pragma once

class QMainWindow;

namespace Ui {
class TForm1;
}

namespace corvane {

// Keyboard access and screen-reader names for the main window, beyond what its form holds:
// F5, Esc in the preview and Alt+Home press the three browser buttons; Tab leaves the code
// box; the web views and the text fields of the two boxes get names.
void addKeyboardAccess(QMainWindow& window, Ui::TForm1& form);

} // namespace corvane
