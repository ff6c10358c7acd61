// The console seam on POSIX systems.
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/Console.h"

namespace platform {

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

int TerminalWidth() {
    struct winsize size {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

}  // namespace platform
