// Several archives read as one, in the order given: where more than one holds a name, the
// later archive provides it (or, by the other rule, the first). Names pair without regard to
// letter case (as CaseFold::SameName compares them); within one archive only the first entry
// of a repeated name counts, the one readers find.
#pragma once

#include <cstddef>
#include <vector>

#include "archive/EntryPieces.h"

namespace VTR_CORE {

enum class OverlayRule { LaterWins, FirstWins };

// One archive's entry of a name.
struct OverlayCopy {
    std::size_t Archive = 0;  // position in the list of archives
    std::size_t Entry = 0;    // index in that archive
    bool operator==(const OverlayCopy&) const = default;
};

struct OverlayName {
    std::vector<OverlayCopy> Copies;  // one per archive that holds the name, in archive order
    std::size_t Winner = 0;           // the copy that provides the name (index into Copies)
    const OverlayCopy& WinningCopy() const { return Copies[Winner]; }
};

// Every name of the archives once, in name order (by CaseFold::FoldedName).
std::vector<OverlayName> OverlayNames(const std::vector<EntryPieces>& archives, OverlayRule rule);

// The winner's entry: its spelling of the name, its size, where its data is.
const ArchiveEntry& WinningEntry(const OverlayName& name, const std::vector<EntryPieces>& archives);

// For each of `names` (as OverlayNames gives them for `archives`), whether its copies are not
// all byte-identical. Copies of different sizes differ without being read; the others are read
// in pieces, in step, until the first difference, small copies lying close together in one
// archive in one go. Throws when a copy cannot be read, naming its archive and entry.
std::vector<bool> FindConflicts(const std::vector<OverlayName>& names,
                                std::vector<EntryPieces>& archives,
                                const ProgressCallback& progress = {});

}  // namespace VTR_CORE
