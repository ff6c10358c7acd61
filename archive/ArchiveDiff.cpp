#include "archive/ArchiveDiff.h"

#include <algorithm>
#include <cstring>

#include "archive/NameGroups.h"
#include "stringtable/CsfCompare.h"

namespace VTR_CORE {

namespace {

// One place in name order: an entry of the old archive, of the new one, or a pair of both.
struct NameSlot {
    std::size_t oldIndex = NoEntry;
    std::size_t newIndex = NoEntry;
    bool Paired() const { return oldIndex != NoEntry && newIndex != NoEntry; }
};

// The entries of both archives in name order, the n-th copy of a name in one archive paired
// with the n-th copy in the other.
std::vector<NameSlot> PairEntries(const BigArchive& oldArchive, const BigArchive& newArchive) {
    NameGroups groups;
    // For each group, its entries in the old and in the new archive, in directory order.
    std::vector<std::vector<std::size_t>> olds, news;
    const auto addAll = [&](const BigArchive& archive,
                            std::vector<std::vector<std::size_t>>& copies) {
        for (std::size_t i = 0; i < archive.Entries.size(); ++i) {
            const std::size_t group = groups.Add(archive.Entries[i].Name);
            if (group == olds.size()) {
                olds.emplace_back();
                news.emplace_back();
            }
            copies[group].push_back(i);
        }
    };
    addAll(oldArchive, olds);
    addAll(newArchive, news);
    std::vector<NameSlot> slots;
    slots.reserve(std::max(oldArchive.Entries.size(), newArchive.Entries.size()));
    for (const std::size_t group : groups.InNameOrder()) {
        const std::vector<std::size_t>& oldCopies = olds[group];
        const std::vector<std::size_t>& newCopies = news[group];
        for (std::size_t n = 0; n < std::max(oldCopies.size(), newCopies.size()); ++n)
            slots.push_back({n < oldCopies.size() ? oldCopies[n] : NoEntry,
                             n < newCopies.size() ? newCopies[n] : NoEntry});
    }
    return slots;
}

EntryChange ChangeFor(const NameSlot& slot, const BigArchive& oldArchive,
                      const BigArchive& newArchive) {
    EntryChange change;
    change.Kind = !slot.Paired() ? (slot.newIndex == NoEntry ? EntryChangeKind::OnlyInOld
                                                             : EntryChangeKind::OnlyInNew)
                                 : EntryChangeKind::Changed;
    change.OldIndex = slot.oldIndex;
    change.NewIndex = slot.newIndex;
    if (slot.oldIndex != NoEntry) {
        change.Name = oldArchive.Entries[slot.oldIndex].Name.Str();
        change.OldSize = oldArchive.Entries[slot.oldIndex].Size;
    }
    if (slot.newIndex != NoEntry) {
        change.Name = newArchive.Entries[slot.newIndex].Name.Str();
        change.NewSize = newArchive.Entries[slot.newIndex].Size;
    }
    return change;
}

// Compares paired entries, each read at most once.
class PairComparison {
public:
    PairComparison(EntryPieces& oldArchive, EntryPieces& newArchive, const DiffOptions& options)
        : old_(oldArchive), new_(newArchive), options_(options) {}

    // True when the pair's bytes differ; fills in the label changes of string tables.
    bool Differ(EntryChange& change) {
        const EntryRef oldEntry{&old_, change.OldIndex}, newEntry{&new_, change.NewIndex};
        if (!options_.Strings) return !comparer_.AllSame({oldEntry, newEntry});
        std::string oldHead = Head(oldEntry), newHead = Head(newEntry);
        if (VTR_CSF::CsfTable::IsCsf(oldHead) && VTR_CSF::CsfTable::IsCsf(newHead))
            return CompareTables(Whole(oldEntry, oldHead), Whole(newEntry, newHead), change);
        if (change.OldSize != change.NewSize || oldHead != newHead) return true;
        return !comparer_.AllSame({oldEntry, newEntry}, std::int64_t(oldHead.size()));
    }

private:
    // As many bytes as it takes to tell a string table.
    static std::string Head(const EntryRef& entry) {
        std::string head(std::min<std::int64_t>(entry.archive->Size(entry.index),
                                                std::int64_t(VTR_CSF::CsfSignature.size())),
                         '\0');
        entry.archive->Read(entry.index, 0, head.data(), head.size());
        return head;
    }

    // The entry's bytes, of which `head` has been read already.
    static std::string Whole(const EntryRef& entry, const std::string& head) {
        const auto size = static_cast<std::size_t>(entry.archive->Size(entry.index));
        std::string bytes = platform::MakeByteBuffer(size);
        std::memcpy(bytes.data(), head.data(), head.size());
        entry.archive->Read(entry.index, std::int64_t(head.size()), bytes.data() + head.size(),
                            size - head.size());
        return bytes;
    }

    static bool CompareTables(const std::string& oldBytes, const std::string& newBytes,
                              EntryChange& change) {
        if (oldBytes == newBytes) return false;
        VTR_CSF::CsfTable before, after;
        before.Read(oldBytes);
        after.Read(newBytes);
        change.StringTables = true;
        for (const VTR_CSF::LabelChange& label : VTR_CSF::Diff(before, after))
            change.LabelChanges.push_back(VTR_CSF::DiffLine(label, before, after));
        return true;
    }

    EntryPieces& old_;
    EntryPieces& new_;
    const DiffOptions& options_;
    PieceComparer comparer_;
};

}  // namespace

std::vector<EntryChange> DiffArchives(EntryPieces& oldArchive, EntryPieces& newArchive,
                                      const DiffOptions& options) {
    const BigArchive& before = oldArchive.Archive();
    const BigArchive& after = newArchive.Archive();
    const std::vector<NameSlot> slots = PairEntries(before, after);
    std::vector<EntryChange> changes(slots.size());
    std::vector<bool> differs(slots.size(), true);
    // Pairs are read in the old archive's file order, so that the reads move forward.
    std::vector<std::size_t> pairs;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        changes[i] = ChangeFor(slots[i], before, after);
        if (slots[i].Paired()) pairs.push_back(i);
    }
    std::stable_sort(pairs.begin(), pairs.end(), [&](std::size_t a, std::size_t b) {
        return before.Entries[slots[a].oldIndex].Position <
               before.Entries[slots[b].oldIndex].Position;
    });
    Progress done{0, std::int64_t(pairs.size()), 0, 0};
    for (std::size_t i : pairs)
        if (changes[i].OldSize == changes[i].NewSize) done.bytesTotal += changes[i].OldSize;
    PairComparison comparison(oldArchive, newArchive, options);
    for (std::size_t i : pairs) {
        differs[i] = comparison.Differ(changes[i]);
        ++done.entriesDone;
        if (changes[i].OldSize == changes[i].NewSize) done.bytesDone += changes[i].OldSize;
        if (options.Progress) options.Progress(done);
    }
    std::vector<EntryChange> result;
    for (std::size_t i = 0; i < slots.size(); ++i)
        if (differs[i]) result.push_back(std::move(changes[i]));
    return result;
}

}  // namespace VTR_CORE
