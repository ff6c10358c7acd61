// The seam to the console a command-line program runs in.
#pragma once

#include <string>
#include <vector>

namespace platform {

// True when the standard error stream goes to a terminal (not a file or a pipe).
bool StderrIsTerminal();
// The width of that terminal in columns; 80 when it cannot be told.
int TerminalWidth();
// The program's arguments after its own name, as UTF-8 (on Windows read from the system's
// UTF-16 command line; elsewhere argv as given).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// True where file names follow Windows' rules: device names such as CON are reserved, a
// trailing dot or space is dropped, and < > : " | ? * and control characters are refused.
#ifdef _WIN32
inline constexpr bool WindowsFileNames = true;
#else
inline constexpr bool WindowsFileNames = false;
#endif

}  // namespace platform
