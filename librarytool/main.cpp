#include "librarytool/cli.h"
#ifdef CORVANE_LIBRARY_RUN
#include "librarytool/run.h"
#endif
#include "platform/programdir.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    corvane::librarytool::Invocation invocation;
    invocation.arguments.assign(argv + 1, argv + argc);
    invocation.defaultDirectory = corvane::programDirectory();
    invocation.progressOnTerminal = ::isatty(STDERR_FILENO) == 1;
#ifdef CORVANE_LIBRARY_RUN
    invocation.runPages = corvane::librarytool::runLibraryPages;
#endif
    return corvane::librarytool::runLibraryTool(invocation, stdout, stderr);
}
