// The bash completion of vantor-cli, made from the commands' declarations: the commands, each
// command's options, and for an argument or an option's value the words its kind allows
// (archives, files, folders, entry names of the archive on the line, the choices).
#pragma once

#include <string>

#include "cli/Command.h"

namespace clidocs {

// A script to source: it defines the function _vantor_cli and registers it for vantor-cli.
std::string BashCompletion();

}  // namespace clidocs
