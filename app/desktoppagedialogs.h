#pragma once

#include "browser/pagedialogs.h"

namespace corvane {

// The real boxes of a page, captioned with the application title like the program's own, in
// Bulgarian; and the save dialog of a download.
class DesktopPageDialogs : public PageDialogs {
public:
    void alert(QWidget* parent, const QString& text, bool* stopMore) override;
    bool confirm(QWidget* parent, const QString& text, bool* stopMore) override;
    bool prompt(QWidget* parent, const QString& text, QString& value, bool* stopMore) override;
    bool confirmLeave(QWidget* parent) override;
    QString saveFileName(QWidget* parent, const QString& suggestedPath) override;
    void downloadFailed(QWidget* parent, const QString& text) override;
};

} // namespace corvane
