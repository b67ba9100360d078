#pragma once

#include "search/librarysearch.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QPlainTextEdit;

namespace Ui {
class SearchDialog;
}

namespace corvane {

class Dialogs;
class SearchRunner;

// The modeless library search: searches as the user types, on a thread of its own, and hands a
// chosen result to the main window. Reads the library only.
class SearchDialog : public QDialog {
    Q_OBJECT
public:
    // dialogs: where an error of the search goes, as every error does.
    SearchDialog(const std::string& programDirectory, Dialogs& dialogs, QWidget* parent = nullptr);
    ~SearchDialog() override;

    // Shows the dialog, raised, with the query selected for typing over.
    void present();

signals:
    // Enter or a double click on a result.
    void chosen(const corvane::SearchHit& hit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void startSearch();
    void addHits(std::uint64_t ticket, std::vector<SearchHit>&& hits);
    void finish(std::uint64_t ticket, const SearchReport& report, const std::exception_ptr& failure);
    void chooseCurrent();

    std::unique_ptr<Ui::SearchDialog> ui;
    Dialogs& dialogs_;
    std::vector<SearchHit> hits_; // the rows of the list, in order
    std::uint64_t ticket_ = 0;    // the search whose results the list shows
    bool placed_ = false;
    std::unique_ptr<SearchRunner> runner_; // last: its thread goes first
};

// Scrolls the code box to a text hit's line and selects the match, if the box still holds it.
void selectSearchHit(QPlainTextEdit& codeBox, const SearchHit& hit);

} // namespace corvane
