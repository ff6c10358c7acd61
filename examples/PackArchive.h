// Writes a BIG archive of named entries through the engine's own writer; the example and the
// fuzz seeds are made this way.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "archive/BigArchive.h"

namespace examples {

using NamedData = std::vector<std::pair<std::string, std::string>>;

inline void PackArchive(const NamedData& entries, const std::string& path) {
    VTR_CORE::BigArchive archive;
    for (const auto& [name, data] : entries) archive.Add(name, data);
    archive.Write(path);
}

}  // namespace examples
