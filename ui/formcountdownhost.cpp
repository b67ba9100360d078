#include "ui/formcountdownhost.h"

#include "browser/webview.h"
#include "ui/dialogs.h"

namespace corvane {

FormCountdownHost::FormCountdownHost(Dialogs& dialogs, WebView& preview)
    : dialogs_(dialogs)
    , preview_(preview)
{
}

void FormCountdownHost::showMessage(const std::string& text)
{
    dialogs_.showMessage(QString::fromStdString(text));
}

void FormCountdownHost::navigatePreview(const std::string& address)
{
    preview_.navigate(QString::fromStdString(address));
}

} // namespace corvane
