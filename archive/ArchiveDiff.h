// What changed between two versions of an archive, entry by entry. Names pair without regard to
// letter case (as CaseFold::SameName compares them), the n-th entry of a repeated name with the
// n-th entry of that name in the other archive; paired entries compare by their bytes. The
// archives' signatures and the order of their entries are not compared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/EntryPieces.h"

namespace VTR_CORE {

inline constexpr std::size_t NoEntry = static_cast<std::size_t>(-1);

enum class EntryChangeKind { OnlyInOld, OnlyInNew, Changed };

struct EntryChange {
    EntryChangeKind Kind = EntryChangeKind::Changed;
    // The entry's name as the new archive spells it (the old one's for OnlyInOld).
    std::string Name;
    std::size_t OldIndex = NoEntry;
    std::size_t NewIndex = NoEntry;
    std::int64_t OldSize = 0;  // 0 for OnlyInNew
    std::int64_t NewSize = 0;  // 0 for OnlyInOld
    // With DiffOptions::Strings, a changed entry that is a string table (CSF) on both sides:
    // the changes of its labels, one csf-diff line each (none when only their order or the
    // header differs).
    bool StringTables = false;
    std::vector<std::string> LabelChanges;
};

struct DiffOptions {
    // Look inside changed entries that are string tables on both sides.
    bool Strings = false;
    // Called after each pair of entries compared: pairs done of all pairs, and bytes of
    // equal-sized pairs (counted on one side) done of all such bytes.
    ProgressCallback Progress;
};

// The entries that differ, in name order: by CaseFold::FoldedName, the copies of a repeated
// name in turn. Empty when both archives hold the same entries. Each entry is read at most
// once, in pieces, and paired entries of different sizes not at all (with Strings, their first
// bytes are read to tell string tables, and string tables are read whole). Throws when an
// entry cannot be read, naming the archive and the entry.
std::vector<EntryChange> DiffArchives(EntryPieces& oldArchive, EntryPieces& newArchive,
                                      const DiffOptions& options = {});

}  // namespace VTR_CORE
