#include "archive/ArchiveOverlay.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <unordered_map>

#include "archive/NamePattern.h"

namespace VTR_CORE {

std::vector<OverlayName> OverlayNames(const std::vector<EntryPieces>& archives, OverlayRule rule) {
    std::vector<OverlayName> names;
    std::vector<std::string> folded;  // the key of each of `names`, for the order
    std::unordered_map<std::string, std::size_t> byName;
    for (std::size_t a = 0; a < archives.size(); ++a) {
        const std::vector<ArchiveEntry>& entries = archives[a].Archive().Entries;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            std::string key = NamePattern::FoldedName(entries[i].Name);
            const auto [found, isNew] = byName.try_emplace(key, names.size());
            if (isNew) {
                names.emplace_back();
                folded.push_back(std::move(key));
            }
            std::vector<OverlayCopy>& copies = names[found->second].Copies;
            if (copies.empty() || copies.back().Archive != a) copies.push_back({a, i});
        }
    }
    std::vector<std::size_t> order(names.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t x, std::size_t y) { return folded[x] < folded[y]; });
    std::vector<OverlayName> sorted;
    sorted.reserve(names.size());
    for (std::size_t i : order) {
        OverlayName& name = names[i];
        name.Winner = rule == OverlayRule::FirstWins ? 0 : name.Copies.size() - 1;
        sorted.push_back(std::move(name));
    }
    return sorted;
}

const ArchiveEntry& WinningEntry(const OverlayName& name,
                                 const std::vector<EntryPieces>& archives) {
    const OverlayCopy& copy = name.WinningCopy();
    return archives.at(copy.Archive).Archive().Entries.at(copy.Entry);
}

bool CopiesDiffer(const OverlayName& name, std::vector<EntryPieces>& archives,
                  PieceComparer& comparer) {
    std::vector<EntryRef> copies;
    copies.reserve(name.Copies.size());
    for (const OverlayCopy& copy : name.Copies)
        copies.push_back({&archives.at(copy.Archive), copy.Entry});
    return !comparer.AllSame(copies);
}

}  // namespace VTR_CORE
