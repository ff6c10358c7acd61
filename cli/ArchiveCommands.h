// The archive commands; ArchiveCommands() lists them with their help texts.
#pragma once

#include <string>
#include <vector>

#include "cli/Cli.h"

namespace cli {

int RunList(const std::vector<std::string>& args, Io& io);
int RunInfo(const std::vector<std::string>& args, Io& io);
int RunExtract(const std::vector<std::string>& args, Io& io);
int RunPack(const std::vector<std::string>& args, Io& io);
int RunAdd(const std::vector<std::string>& args, Io& io);
int RunReplace(const std::vector<std::string>& args, Io& io);
int RunRemove(const std::vector<std::string>& args, Io& io);
int RunRename(const std::vector<std::string>& args, Io& io);
int RunVerify(const std::vector<std::string>& args, Io& io);

}  // namespace cli
