// Writes a BIG archive of named entries through the engine's own writer; the example and the
// fuzz seeds are made this way.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "archive/VTR_CORE.h"

namespace examples {

using NamedData = std::vector<std::pair<std::string, std::string>>;

inline void PackArchive(const NamedData& entries, const std::string& path) {
    if (entries.size() > static_cast<std::size_t>(VTR_CORE::MaxEntries))
        throw std::runtime_error("too many files for one archive");
    VTR_CORE::BlankEntries();
    auto& archive = VTR_CORE::Archive();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        auto& entry = archive.Entries[i];
        entry.Name = entries[i].first;
        entry.Data = entries[i].second;
        entry.Size = static_cast<std::int32_t>(entry.Data.size());
        entry.Loaded = true;
    }
    archive.EntryCount = static_cast<std::int32_t>(entries.size());
    VTR_CORE::WriteArchive(path);
}

}  // namespace examples
