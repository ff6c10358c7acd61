#include "archive/ArchiveOverlay.h"

#include <algorithm>

#include "archive/NameGroups.h"

namespace VTR_CORE {

std::vector<OverlayName> OverlayNames(const std::vector<EntryPieces>& archives, OverlayRule rule) {
    NameGroups groups;
    std::vector<OverlayName> names;  // by group
    for (std::size_t a = 0; a < archives.size(); ++a) {
        const std::vector<ArchiveEntry>& entries = archives[a].Archive().Entries;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::size_t group = groups.Add(entries[i].Name);
            if (group == names.size()) names.emplace_back();
            std::vector<OverlayCopy>& copies = names[group].Copies;
            if (copies.empty() || copies.back().Archive != a) copies.push_back({a, i});
        }
    }
    std::vector<OverlayName> sorted;
    sorted.reserve(names.size());
    for (const std::size_t group : groups.InNameOrder()) {
        OverlayName& name = names[group];
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

namespace {

bool SameSizes(const OverlayName& name, const std::vector<EntryPieces>& archives) {
    for (const OverlayCopy& copy : name.Copies)
        if (archives[copy.Archive].Size(copy.Entry) !=
            archives[name.Copies[0].Archive].Size(name.Copies[0].Entry))
            return false;
    return true;
}

}  // namespace

std::vector<bool> FindConflicts(const std::vector<OverlayName>& names,
                                std::vector<EntryPieces>& archives,
                                const ProgressCallback& progress) {
    std::vector<std::vector<std::size_t>> toRead(archives.size());
    for (const OverlayName& name : names)
        if (name.Copies.size() > 1 && SameSizes(name, archives))
            for (const OverlayCopy& copy : name.Copies)
                toRead.at(copy.Archive).push_back(copy.Entry);
    for (std::size_t a = 0; a < archives.size(); ++a)
        archives[a].ReadTogether(std::move(toRead[a]));
    // Names are compared in the order of their first copies in the archive files, so that the
    // blocks are used up before the next is read.
    std::vector<std::pair<std::pair<std::size_t, std::int32_t>, std::size_t>> order;
    order.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const OverlayCopy& first = names[i].Copies[0];
        order.push_back(
            {{first.Archive, archives[first.Archive].Archive().Entries[first.Entry].Position}, i});
    }
    std::sort(order.begin(), order.end());
    PieceComparer comparer;
    std::vector<bool> conflicts(names.size());
    std::vector<EntryRef> copies;
    Progress done{0, std::int64_t(names.size()), 0, 0};
    for (const auto& [place, i] : order) {
        copies.clear();
        for (const OverlayCopy& copy : names[i].Copies)
            copies.push_back({&archives.at(copy.Archive), copy.Entry});
        conflicts[i] = !comparer.AllSame(copies);
        ++done.entriesDone;
        if (progress) progress(done);
    }
    return conflicts;
}

}  // namespace VTR_CORE
