#include "librarytool/cli.h"
#ifdef CORVANE_LIBRARY_RUN
#include "librarytool/run.h"
#endif
#include "librarytool/staging.h"
#include "platform/console.h"
#include "platform/programdir.h"

#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    corvane::prepareConsole();
    corvane::librarytool::Invocation invocation;
    invocation.arguments = corvane::commandLineArguments(argc, argv);
    invocation.defaultDirectory = corvane::programDirectory();
    invocation.progressOnTerminal = corvane::isTerminal(stderr);
#ifdef CORVANE_LIBRARY_RUN
    invocation.runPages = corvane::librarytool::runLibraryPages;
#endif
    const int status = corvane::librarytool::runLibraryTool(invocation, stdout, stderr);
    // Stopped by a signal and cleaned up: end as that signal would have, for the caller to see.
    if (const int signal = corvane::librarytool::interruptSignal(); signal != 0) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    return status;
}
