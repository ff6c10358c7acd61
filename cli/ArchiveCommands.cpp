#include "cli/Command.h"

namespace cli {

const std::vector<Command>& ArchiveCommands() {
    static const std::vector<Command> commands;
    return commands;
}

}  // namespace cli
