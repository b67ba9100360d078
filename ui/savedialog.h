#pragma once

#include "pages/savepage.h"

#include <QString>

#include <optional>

class QWidget;

namespace corvane {

// Where and how the user wants a page saved.
struct PageSaveChoice {
    QString folder;   // an existing folder
    QString fileName; // the page's file name in it
    pages::PageEncoding encoding = pages::PageEncoding::Utf8;
    // So that it runs in today's browsers: the compatibility layer beside the page.
    bool forToday = false;
};

// The dialog that asks for it; the program uses the system's file dialog, tests a double that
// answers at once.
class PageSaveDialog {
public:
    virtual ~PageSaveDialog() = default;
    // Starts in `folder` with `name` filled in (empty: the user types one), offering to save the
    // page so that it runs in today's browsers, chosen at first when the page `needsLayer`;
    // nothing on Cancel.
    virtual std::optional<PageSaveChoice> choose(QWidget* parent, const QString& folder, const QString& name,
                                                 bool needsLayer) = 0;
};

// The file dialog with the two encodings as its file types, UTF-8 first, and the choice for
// today's browsers below them.
class FilePageSaveDialog : public PageSaveDialog {
public:
    std::optional<PageSaveChoice> choose(QWidget* parent, const QString& folder, const QString& name,
                                         bool needsLayer) override;
};

} // namespace corvane
