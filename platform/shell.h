#pragma once

#include <string>

namespace corvane {

// Show states of the shell's "open" action.
enum ShowState : int {
    kShowHidden = 0,
    kShowMaximized = 3,
};

// Which window a shell call names as its parent.
enum class ShellParent {
    Application,
    MainWindow,
};

// The shell's "open" action: hand a file, folder or address to its associated program.
// Nothing comes back; what happens when it cannot is the shell's business.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void execute(const std::string& verb, const std::string& target, ShellParent parent,
                         int showState) = 0;
};

} // namespace corvane
