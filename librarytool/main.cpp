#include "librarytool/cli.h"
#include "platform/programdir.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    corvane::librarytool::Invocation invocation;
    invocation.arguments.assign(argv + 1, argv + argc);
    invocation.defaultDirectory = corvane::programDirectory();
    invocation.progressOnTerminal = ::isatty(STDERR_FILENO) == 1;
    return corvane::librarytool::runLibraryTool(invocation, stdout, stderr);
}
