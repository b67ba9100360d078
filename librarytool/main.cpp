#include "librarytool/cli.h"
#include "platform/console.h"
#include "platform/programdir.h"

#include <cstdio>

int main(int argc, char** argv)
{
    corvane::prepareConsole();
    corvane::librarytool::Invocation invocation;
    invocation.arguments = corvane::commandLineArguments(argc, argv);
    invocation.defaultDirectory = corvane::programDirectory();
    invocation.progressOnTerminal = corvane::isTerminal(stderr);
    return corvane::librarytool::runLibraryTool(invocation, stdout, stderr);
}
