#include "ui/desktopshell.h"

#ifdef _WIN32
#include "platform/widetext_win.h"

#include <QApplication>
#include <QWidget>

#include <windows.h>
#include <shellapi.h>
#else
#include "address/address.h"

#include <QDesktopServices>
#endif

namespace corvane {

#ifdef _WIN32

void DesktopShell::execute(const std::string& verb, const std::string& target, ShellParent parent,
                           int showState)
{
    // The application's own hidden window has no counterpart in Qt: no owner stands for it.
    HWND owner = nullptr;
    if (parent == ShellParent::MainWindow)
        if (const QWidget* window = QApplication::activeWindow())
            owner = reinterpret_cast<HWND>(window->winId());
    ::ShellExecuteW(owner, toWide(verb).c_str(), toWide(target).c_str(), nullptr, nullptr, showState);
}

#else

void DesktopShell::execute(const std::string&, const std::string& target, ShellParent, int)
{
    QDesktopServices::openUrl(addressToUrl(QString::fromStdString(target)));
}

#endif

} // namespace corvane
