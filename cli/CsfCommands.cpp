#include "cli/CsfCommands.h"

namespace cli {

const std::vector<Command>& CsfCommands() {
    static const std::vector<Command> commands;
    return commands;
}

}  // namespace cli
