// The command table: every command of the tool, with its help texts.
#pragma once

#include <string>
#include <vector>

#include "cli/Cli.h"

namespace cli {

struct Command {
    std::string name;
    std::string summary;  // one line for the tool's --help
    std::string help;     // the whole text of "vantor-cli NAME --help"
    // Runs with the arguments after the command's name. Throws UsageError (exit 2) or any
    // other exception (exit 1); Run prints the message.
    int (*run)(const std::vector<std::string>& args, Io& io);
};

// list, info, extract, pack, add, replace, remove, rename, verify.
const std::vector<Command>& ArchiveCommands();

}  // namespace cli
