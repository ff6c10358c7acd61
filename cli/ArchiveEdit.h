// What the commands that change an archive in place share: the archive is opened under its
// edit lock, changed, written back through a temporary file, and only then unlocked.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "archive/BigArchive.h"
#include "cli/Command.h"

namespace cli {

// The time to wait for another program's edit: --wait SECONDS, 10 s when not given.
std::chrono::milliseconds WaitTime(const ParsedArgs& args);

// Opens the archive at `path` under its lock, runs `change` on it and writes it back.
void EditArchive(const std::string& path, const ParsedArgs& args, Io& io,
                 const std::function<void(VTR_CORE::BigArchive&)>& change);

}  // namespace cli
