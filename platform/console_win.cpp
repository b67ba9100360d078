#include "platform/console.h"

#include "platform/widetext_win.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <fcntl.h>
#include <io.h>

namespace corvane {

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

void prepareConsole()
{
    for (std::FILE* stream : {stdout, stderr}) {
        const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
        DWORD mode = 0;
        if (handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode))
            continue;
        ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
        // The run-time library writes to a console a byte at a time, and the console cannot put
        // a letter together from the pieces: hand it the text whole at each flush (in binary
        // mode, as LF ends a line there too).
        ::_setmode(::_fileno(stream), _O_BINARY);
        std::setvbuf(stream, nullptr, _IOFBF, 1 << 16);
    }

    consoleCodePage = ::GetConsoleOutputCP();
    if (consoleCodePage == 0 || consoleCodePage == CP_UTF8 || !::SetConsoleOutputCP(CP_UTF8))
        return;
    std::atexit([] {
        std::fflush(nullptr); // what is still buffered is UTF-8 too
        ::SetConsoleOutputCP(consoleCodePage);
    });
}

bool isTerminal(std::FILE* stream)
{
    return ::_isatty(::_fileno(stream)) != 0;
}

} // namespace corvane
