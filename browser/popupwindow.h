#pragma once

#include "browser/webpage.h"

#include <QWidget>

namespace corvane {

class WebView;

// A window a page asked for (window.open, a link with a target): a plain top-level window
// holding a web view set up like the preview's, titled by its page, closed by the page's
// window.close() or its title bar. It goes with `owner` and never keeps the program running.
class PopupWindow : public QWidget {
    Q_OBJECT
public:
    explicit PopupWindow(QWidget* owner);

    WebView* view() const { return view_; }
    // IE's showModalDialog: shows the dialog's page here, sized by its features, modal unless the
    // page asked for a modeless one; `closed` gets what the dialog set as its returnValue.
    void showAsDialog(const ModalDialogRequest& request, const WebPage::DialogClosed& closed);

private:
    WebView* view_;
};

} // namespace corvane
