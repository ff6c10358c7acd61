// What the archive commands share: opening an archive, showing entry names, finding entries by
// the names a user types.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "archive/BigArchive.h"
#include "archive/EntryPath.h"
#include "cli/Cli.h"

namespace cli {

// Reads the directory of the archive at `path`; the data stays in the file until needed.
VTR_CORE::BigArchive OpenArchive(const std::string& path);

using EntryPath::EntryLabel;
using EntryPath::ShownName;

// The entry name a user typed (UTF-8, "/" for "\") as the archive's bytes.
std::string TypedName(const std::string& typed);
// A name for a new entry: throws when this system could not extract an entry of that name.
std::string NewEntryName(const std::string& typed);
// The entries whose names equal what the user typed, in directory order.
std::vector<std::size_t> FindTyped(const VTR_CORE::BigArchive& archive, const std::string& typed);
// The entries named `typed`; throws naming the archive when there is none.
std::vector<std::size_t> FindAll(const VTR_CORE::BigArchive& archive, const std::string& typed,
                                 const std::string& archivePath);
// The first entry named `typed`, the one readers find; throws like FindAll.
std::size_t FindExisting(const VTR_CORE::BigArchive& archive, const std::string& typed,
                         const std::string& archivePath);

// Refuses `name` for a new entry when the archive has an entry of that name.
void RefuseTakenName(const VTR_CORE::BigArchive& archive, const std::string& name,
                     const std::string& archivePath);
// Warns that only the first of several entries named `typed` was `done` ("replaced").
void WarnIfNamesakes(const VTR_CORE::BigArchive& archive, const std::string& typed,
                     const std::string& done, Io& io);

using platform::Quoted;

}  // namespace cli
