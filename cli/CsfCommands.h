// The string-table commands.
#pragma once

#include <vector>

#include "cli/Command.h"

namespace cli {

const std::vector<Command>& CsfCommands();

}  // namespace cli
