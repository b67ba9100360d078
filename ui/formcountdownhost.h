#pragma once

#include "countdown/startcountdown.h"

namespace corvane {

class Dialogs;
class WebView;

// The countdown's view of the main window: the plain message box and the preview.
class FormCountdownHost : public CountdownHost {
public:
    FormCountdownHost(Dialogs& dialogs, WebView& preview);

    void showMessage(const std::string& text) override;
    void navigatePreview(const std::string& address) override;

private:
    Dialogs& dialogs_;
    WebView& preview_;
};

} // namespace corvane
