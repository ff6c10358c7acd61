// The console seam on Windows: arguments from the UTF-16 command line, UTF-8 output.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include <cstdio>

#include "platform/Console.h"
#include "platform/WindowsPath.h"

namespace platform {

namespace {

// Set up before main runs and undone when the program ends: the program writes UTF-8 with "\n"
// line ends, byte for byte what it writes on other systems, so output is sent untranslated and
// a console shows it in UTF-8. The console's code page is restored on exit, since the console
// outlives the program.
class ConsoleSetup {
public:
    ConsoleSetup() : outputPage_(GetConsoleOutputCP()) {
        _setmode(_fileno(stdout), _O_BINARY);
        _setmode(_fileno(stderr), _O_BINARY);
        if (outputPage_ != 0) SetConsoleOutputCP(CP_UTF8);
    }
    ~ConsoleSetup() {
        std::fflush(stdout);
        std::fflush(stderr);
        if (outputPage_ != 0) SetConsoleOutputCP(outputPage_);
    }
    ConsoleSetup(const ConsoleSetup&) = delete;
    ConsoleSetup& operator=(const ConsoleSetup&) = delete;

private:
    UINT outputPage_;  // 0 without a console
};

const ConsoleSetup setup;

}  // namespace

bool StderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

int TerminalWidth() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info) &&
        info.srWindow.Right > info.srWindow.Left)
        return info.srWindow.Right - info.srWindow.Left + 1;
    return 80;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    // argv holds the arguments in the ANSI code page, which loses every character outside it;
    // the UTF-16 command line has them all.
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    if (wide == nullptr) {
        for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
        return args;
    }
    for (int i = 1; i < count; ++i) args.push_back(windows::Narrow(wide[i]));
    LocalFree(wide);
    return args;
}

}  // namespace platform
