#include "platform/console.h"

#ifdef _WIN32
#include "platform/win/widetext.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace corvane {

#ifdef _WIN32

std::vector<std::string> commandLineArguments(int, char**)
{
    std::vector<std::string> arguments;
    int count = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            arguments.push_back(fromWide(wide[i]));
        ::LocalFree(wide);
    }
    return arguments;
}

namespace {
UINT consoleCodePage = 0;
}

void writeUtf8ToConsole()
{
    consoleCodePage = ::GetConsoleOutputCP();
    if (consoleCodePage == 0 || consoleCodePage == CP_UTF8 || !::SetConsoleOutputCP(CP_UTF8))
        return;
    std::atexit([] { ::SetConsoleOutputCP(consoleCodePage); });
}

bool isTerminal(std::FILE* stream)
{
    return ::_isatty(::_fileno(stream)) != 0;
}

#else

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void writeUtf8ToConsole()
{
}

bool isTerminal(std::FILE* stream)
{
    return ::isatty(::fileno(stream)) == 1;
}

#endif

} // namespace corvane
