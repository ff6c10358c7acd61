#include "stringtable/CsfCompare.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "archive/CaseFold.h"
#include "stringtable/StrFormat.h"

namespace VTR_CSF {

namespace {

using CaseFold::FoldedHash;

// A table's labels grouped by name without a node per label: an open-addressing table of each
// name's first label, and a link from every label to the next label of its name.
class NameIndex {
public:
    explicit NameIndex(const CsfTable& table) : table_(table), next_(table.Labels.size(), NoLabel) {
        std::size_t size = 16;
        while (size < 2 * table.Labels.size()) size *= 2;
        slots_.assign(size, Slot{});
        std::vector<std::size_t> last(table.Labels.size());
        for (std::size_t i = 0; i < table.Labels.size(); ++i) {
            const std::uint64_t hash = FoldedHash(table.Labels[i].Name);
            Slot& slot = slots_[SlotOf(table.Labels[i].Name, hash)];
            if (slot.index == NoLabel)
                slot = {hash, i};
            else
                next_[last[slot.index]] = i;
            last[slot.index] = i;
        }
    }
    // The first label named `name`, or NoLabel.
    std::size_t Find(std::string_view name) const {
        return slots_[SlotOf(name, FoldedHash(name))].index;
    }
    std::size_t Next(std::size_t index) const { return next_[index]; }

private:
    // A name's first label with the name's hash, so that most probes need not read the name.
    struct Slot {
        std::uint64_t hash = 0;
        std::size_t index = NoLabel;
    };

    // Where `name` is in slots_, or the empty slot where it would go.
    std::size_t SlotOf(std::string_view name, std::uint64_t hash) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = static_cast<std::size_t>(hash) & mask;; at = (at + 1) & mask) {
            const Slot& slot = slots_[at];
            if (slot.index == NoLabel ||
                (slot.hash == hash && CaseFold::SameName(table_.Labels[slot.index].Name, name)))
                return at;
        }
    }

    const CsfTable& table_;
    std::vector<Slot> slots_;
    std::vector<std::size_t> next_;
};

}  // namespace

std::vector<std::size_t> PairLabels(const CsfTable& from, const CsfTable& to) {
    const NameIndex index(from);
    // For each name's first label in `from`, the next one not yet paired.
    std::vector<std::size_t> untaken(from.Labels.size());
    for (std::size_t i = 0; i < untaken.size(); ++i) untaken[i] = i;
    std::vector<std::size_t> partners(to.Labels.size(), NoLabel);
    for (std::size_t i = 0; i < to.Labels.size(); ++i) {
        const std::size_t first = index.Find(to.Labels[i].Name);
        if (first == NoLabel || untaken[first] == NoLabel) continue;
        partners[i] = untaken[first];
        untaken[first] = index.Next(partners[i]);
    }
    return partners;
}

std::vector<std::size_t> FirstOfName(const CsfTable& table) {
    return CaseFold::FirstOfSameName(
        table.Labels.size(), [&](std::size_t i) { return std::string_view(table.Labels[i].Name); });
}

bool SameString(const CsfLabel& a, const CsfLabel& b) {
    if (a.HasString != b.HasString) return false;
    if (!a.HasString) return true;
    return a.Value == b.Value && a.HasExtra == b.HasExtra && (!a.HasExtra || a.Extra == b.Extra);
}

std::vector<LabelChange> Diff(const CsfTable& oldTable, const CsfTable& newTable) {
    const std::vector<std::size_t> partners = PairLabels(oldTable, newTable);
    std::vector<bool> paired(oldTable.Labels.size(), false);
    for (std::size_t partner : partners)
        if (partner != NoLabel) paired[partner] = true;
    std::vector<LabelChange> changes;
    for (std::size_t i = 0; i < paired.size(); ++i)
        if (!paired[i]) changes.push_back({ChangeKind::OnlyInOld, i, NoLabel});
    for (std::size_t i = 0; i < partners.size(); ++i)
        if (partners[i] == NoLabel) changes.push_back({ChangeKind::OnlyInNew, NoLabel, i});
    for (std::size_t i = 0; i < partners.size(); ++i) {
        if (partners[i] == NoLabel) continue;
        if (!SameString(oldTable.Labels[partners[i]], newTable.Labels[i]))
            changes.push_back({ChangeKind::Changed, partners[i], i});
    }
    return changes;
}

std::string DescribeString(const CsfLabel& label) {
    if (!label.HasString) return "(no string)";
    std::string text = '"' + EscapeUnits(label.Value) + '"';
    if (label.HasExtra) text += " extra \"" + EscapeBytes(label.Extra) + '"';
    return text;
}

std::string DiffLine(const LabelChange& change, const CsfTable& oldTable,
                     const CsfTable& newTable) {
    const CsfLabel* oldLabel =
        change.OldIndex == NoLabel ? nullptr : &oldTable.Labels[change.OldIndex];
    const CsfLabel* newLabel =
        change.NewIndex == NoLabel ? nullptr : &newTable.Labels[change.NewIndex];
    switch (change.Kind) {
        case ChangeKind::OnlyInOld:
            return "- " + EscapeBytes(oldLabel->Name) + " = " + DescribeString(*oldLabel);
        case ChangeKind::OnlyInNew:
            return "+ " + EscapeBytes(newLabel->Name) + " = " + DescribeString(*newLabel);
        case ChangeKind::Changed:
            break;
    }
    return "~ " + EscapeBytes(newLabel->Name) + " = " + DescribeString(*oldLabel) + " -> " +
           DescribeString(*newLabel);
}

MergeResult Merge(const CsfTable& source, const CsfTable& translation) {
    MergeResult result;
    result.Table.Labels = source.Labels;
    result.Table.Language = translation.Language;
    const std::vector<std::size_t> partners = PairLabels(translation, source);
    std::vector<bool> used(translation.Labels.size(), false);
    for (std::size_t i = 0; i < partners.size(); ++i) {
        if (partners[i] == NoLabel) {
            result.Untranslated.push_back(i);
            continue;
        }
        CsfLabel& label = result.Table.Labels[i];
        label = translation.Labels[partners[i]];
        label.Name = source.Labels[i].Name;  // the source's spelling of the name
        used[partners[i]] = true;
        ++result.CarriedOver;
    }
    for (std::size_t i = 0; i < used.size(); ++i)
        if (!used[i]) result.Dropped.push_back(i);
    return result;
}

}  // namespace VTR_CSF
