// What the archive commands share: opening an archive, showing entry names, finding entries by
// the names a user types.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "archive/BigArchive.h"

namespace cli {

// Reads the directory of the archive at `path`; the data stays in the file until needed.
VTR_CORE::BigArchive OpenArchive(const std::string& path);

// An entry name as UTF-8 in quotes, for messages.
std::string ShownName(std::string_view name);
// "entry 3 "Data\x.ini"": entries are counted from 1, as a user counts them.
std::string EntryLabel(std::size_t index, std::string_view name);

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

// Frees the memory of an entry whose data was read from the archive file.
void ReleaseData(VTR_CORE::ArchiveEntry& entry);

std::string Quoted(const std::string& text);
// The text with its first letter made a capital, for a message that begins with it.
std::string Capitalized(std::string text);

}  // namespace cli
