#pragma once

#include <QString>

class QWidget;

namespace corvane {

// The boxes a page opens, and the save dialog of a download. The application supplies the real
// ones; tests supply doubles that answer at once. `stopMore` is null unless the box is to offer
// to stop this page's boxes; the box sets it when the user takes that offer.
class PageDialogs {
public:
    virtual ~PageDialogs() = default;
    virtual void alert(QWidget* parent, const QString& text, bool* stopMore) = 0;
    virtual bool confirm(QWidget* parent, const QString& text, bool* stopMore) = 0;
    // True when the user accepted; `value` holds the default text on entry and the answer on exit.
    virtual bool prompt(QWidget* parent, const QString& text, QString& value, bool* stopMore) = 0;
    // The page asks before it is left; true lets the navigation go on.
    virtual bool confirmLeave(QWidget* parent) = 0;
    // Where to save a download, starting from `suggestedPath`; empty when the user cancelled.
    virtual QString saveFileName(QWidget* parent, const QString& suggestedPath) = 0;
    virtual void downloadFailed(QWidget* parent, const QString& text) = 0;
};

} // namespace corvane
