// The manual page vantor-cli.1, made from the commands' declarations.
#pragma once

#include <string>

#include "cli/Command.h"

namespace clidocs {

// The page in roff with the man macros; `version` goes into its header.
std::string ManPage(const std::string& version);

}  // namespace clidocs
