#pragma once

#include "ui/taboutbox.h"
#include "ui/tform1.h"

#include <memory>

namespace corvane {

class Tsplashscreen;

// The program's windows once it has started: the main window and the about box it shows.
struct ProgramWindows {
    ProgramWindows() = default;
    ProgramWindows(ProgramWindows&&) noexcept = default;
    ProgramWindows& operator=(ProgramWindows&&) noexcept = default;
    ~ProgramWindows();

    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TAboutBox> aboutBox; // goes first: it is shown by the main window
};

// The start after the application object exists: the main window is created (its creation
// sequence runs now, with the splash screen up), then the about box; the splash screen goes and
// the main window is shown maximised. An error escaping the creation of a window ends the splash
// screen and is thrown on.
ProgramWindows startProgram(const MainWindowServices& services, std::unique_ptr<Tsplashscreen> splash);

// Shows a window maximised. Without a window manager nobody acts on that state, so the window
// then fills the screen's work area itself.
void showMaximizedOnScreen(QWidget& window);

} // namespace corvane
