// Comparing and merging string tables for translators: labels pair by name without regard to
// letter case, and a name that occurs more than once pairs its n-th occurrence with the n-th.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "stringtable/CsfTable.h"

namespace VTR_CSF {

inline constexpr std::size_t NoLabel = static_cast<std::size_t>(-1);

// For each label of `to`, the index of its partner in `from`, or NoLabel.
std::vector<std::size_t> PairLabels(const CsfTable& from, const CsfTable& to);

// For each label, the index of the first label with the same name (its own index when first).
std::vector<std::size_t> FirstOfName(const CsfTable& table);

// Both hold the same string: both or neither have one, with equal units, extra flag and extra.
bool SameString(const CsfLabel& a, const CsfLabel& b);

enum class ChangeKind { OnlyInOld, OnlyInNew, Changed };

struct LabelChange {
    ChangeKind Kind = ChangeKind::Changed;
    std::size_t OldIndex = NoLabel;
    std::size_t NewIndex = NoLabel;
    bool operator==(const LabelChange&) const = default;
};

// Labels only in the old table (its order), then those only in the new one (its order), then
// paired labels whose string differs (the new table's order). Empty when the tables agree.
std::vector<LabelChange> Diff(const CsfTable& oldTable, const CsfTable& newTable);

// One line for a change, names and values escaped as in the text source:
//   - NAME = "old value"          + NAME = "new value"          ~ NAME = "old" -> "new"
// A string-less label shows as (no string); an extra follows its value as: extra "sound".
std::string DiffLine(const LabelChange& change, const CsfTable& oldTable, const CsfTable& newTable);
// The right-hand side of a diff line for one label.
std::string DescribeString(const CsfLabel& label);

struct MergeResult {
    // The source's labels in its order; a label the translation also has takes its string.
    CsfTable Table;
    std::size_t CarriedOver = 0;
    std::vector<std::size_t> Untranslated;  // indices into the source (and into Table)
    std::vector<std::size_t> Dropped;       // indices into the translation
};

// The table's language is the translation's.
MergeResult Merge(const CsfTable& source, const CsfTable& translation);

}  // namespace VTR_CSF
