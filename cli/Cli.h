// vantor-cli: the command-line tool over the archive and string-table engines.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// Exit statuses of every command.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

// Where a command writes. Tests run commands in-process with string streams.
struct Io {
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;  // a progress bar is drawn only on a terminal
    bool quiet = false;          // -q: no warnings
    bool barShown = false;       // a progress bar is on the last line, to be erased first
};

// Runs the tool on `args` (without the program's name); returns the exit status.
// "-q" and "-h"/"--help" before "--" are handled here for every command.
int Run(const std::vector<std::string>& args, Io& io);
// The program's entry: reads the arguments as UTF-8 and runs on the standard streams.
int Main(int argc, char** argv);

// Prints "vantor-cli: warning: <message>" unless -q was given.
void Warn(Io& io, const std::string& message);
// Prints "vantor-cli: <message>".
void Complain(Io& io, const std::string& message);

}  // namespace cli
