#pragma once

#include "platform/shell.h"

namespace corvane {

// The shell's "open" here: the desktop's handler for the file or address. The verb, the parent
// and the show state have no meaning on this desktop and are only passed along.
class DesktopShell : public Shell {
public:
    void execute(const std::string& verb, const std::string& target, ShellParent parent,
                 int showState) override;
};

} // namespace corvane
