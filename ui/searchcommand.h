#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace corvane {

class Dialogs;
class SearchDialog;
struct SearchHit;

// The library search as the main window offers it: Ctrl+F opens the search dialog, a window of
// its own made at the first use; a result the user chooses goes to `chosen`.
class SearchCommand : public QObject {
    Q_OBJECT
public:
    SearchCommand(QWidget& window, std::string programDirectory, Dialogs& dialogs,
                  std::function<void(const SearchHit&)> chosen);
    ~SearchCommand() override;

    void present();

private:
    QWidget& window_;
    std::string programDirectory_;
    Dialogs& dialogs_;
    std::function<void(const SearchHit&)> chosen_;
    std::unique_ptr<SearchDialog> searchDialog_; // made at the first Ctrl+F
};

} // namespace corvane
