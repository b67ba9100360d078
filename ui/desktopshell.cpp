#include "ui/desktopshell.h"

#include "browser/webview.h"

#include <QDesktopServices>

namespace corvane {

void DesktopShell::execute(const std::string&, const std::string& target, ShellParent, int)
{
    // Like the original shell: a plain path opens the file, a bare host name is a web address.
    QDesktopServices::openUrl(WebView::addressToUrl(QString::fromStdString(target)));
}

} // namespace corvane
