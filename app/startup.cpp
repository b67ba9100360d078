#include "app/startup.h"

#include "app/splashscreen.h"

#include <QGuiApplication>
#include <QScreen>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#endif

namespace corvane {
namespace {

#if QT_CONFIG(xcb)
xcb_atom_t internAtom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 1, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// The window a window manager names as its own on `window`, or none.
xcb_window_t supportingWindow(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t check)
{
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, window, check, XCB_ATOM_WINDOW, 0, 1);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    xcb_window_t found = XCB_WINDOW_NONE;
    if (reply && reply->type == XCB_ATOM_WINDOW && xcb_get_property_value_length(reply) >= 4)
        found = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
    std::free(reply);
    return found;
}
#endif

// A running window manager announces itself on the root window with a window of its own that
// names itself again (the desktop's window-manager convention).
bool windowManagerRunning()
{
#if QT_CONFIG(xcb)
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return true;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return true;
    xcb_connection_t* connection = x11->connection();
    const xcb_atom_t check = internAtom(connection, "_NET_SUPPORTING_WM_CHECK");
    if (check == XCB_ATOM_NONE)
        return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return false;
    const xcb_window_t own = supportingWindow(connection, screen->root, check);
    return own != XCB_WINDOW_NONE && supportingWindow(connection, own, check) == own;
#else
    // Elsewhere the platform keeps window states itself.
    return true;
#endif
}

} // namespace

ProgramWindows::~ProgramWindows()
{
    if (form1)
        form1->setAboutBox(nullptr);
}

ProgramWindows startProgram(const MainWindowServices& services, std::unique_ptr<Tsplashscreen> splash)
{
    ProgramWindows windows;
    try {
        windows.form1 = std::make_unique<TForm1>(services);
        windows.aboutBox = std::make_unique<TAboutBox>(windows.form1->language());
        windows.form1->setAboutBox(windows.aboutBox.get());
    } catch (...) {
        splash.reset();
        throw;
    }
    if (splash)
        splash->hide();
    splash.reset();
    showMaximizedOnScreen(*windows.form1);
    return windows;
}

void showMaximizedOnScreen(QWidget& window)
{
    window.showMaximized();
    if (windowManagerRunning())
        return;
    if (const QScreen* screen = window.screen())
        window.setGeometry(screen->availableGeometry());
}

} // namespace corvane
