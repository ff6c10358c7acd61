// mount: an archive as a read-only folder, served through FUSE (Linux only).
#pragma once

#include <string>
#include <vector>

#include "cli/Cli.h"

namespace cli {

extern const char* const MountSummary;
extern const char* const MountHelp;
int RunMount(const std::vector<std::string>& args, Io& io);

}  // namespace cli
