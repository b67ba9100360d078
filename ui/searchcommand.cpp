#include "ui/searchcommand.h"

#include "ui/searchdialog.h"

#include <QShortcut>

namespace corvane {

SearchCommand::SearchCommand(QWidget& window, std::string programDirectory, Dialogs& dialogs,
                             std::function<void(const SearchHit&)> chosen)
    : window_(window)
    , programDirectory_(std::move(programDirectory))
    , dialogs_(dialogs)
    , chosen_(std::move(chosen))
{
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), &window), &QShortcut::activated, this,
            &SearchCommand::present);
}

SearchCommand::~SearchCommand() = default;

void SearchCommand::present()
{
    if (!searchDialog_) {
        searchDialog_ = std::make_unique<SearchDialog>(programDirectory_, dialogs_, &window_);
        connect(searchDialog_.get(), &SearchDialog::chosen, this,
                [this](const SearchHit& hit) { chosen_(hit); });
    }
    searchDialog_->present();
}

} // namespace corvane
