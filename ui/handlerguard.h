#pragma once

#include "platform/errors.h"
#include "ui/dialogs.h"

#include <exception>

namespace corvane {

// The one place that catches: a handler (or the creation sequence) that raises ends there and
// its error goes to the default error display. Qt never sees an exception.
template <typename Handler>
void runGuarded(Dialogs& dialogs, Handler&& handler) noexcept
{
    try {
        handler();
    } catch (const std::exception& error) {
        dialogs.showError(QString::fromStdString(errorDisplayText(error.what())));
    }
}

} // namespace corvane
