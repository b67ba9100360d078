#pragma once

#include "platform/shell.h"

namespace corvane {

// The shell's "open": ShellExecuteW on Windows; elsewhere the desktop's handler for the file or
// address, where the verb, the parent and the show state have no meaning and are only passed along.
class DesktopShell : public Shell {
public:
    void execute(const std::string& verb, const std::string& target, ShellParent parent,
                 int showState) override;
};

} // namespace corvane
