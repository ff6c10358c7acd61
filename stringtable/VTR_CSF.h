// The CSF interpreter: which entries it edits, its registration, and the string table its editor
// works on. The table is a CsfTable (see CsfTable.h for the layout); beside each label the
// editor keeps a LabelRecord. Labels keep their slots: a deleted label stays in the table,
// unwritten, until a new label takes its slot.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "archive/VTR_STR.h"
#include "stringtable/CsfTable.h"

namespace VTR_CSF {

// What the editor keeps for one label of its table, beside the label itself.
struct LabelRecord {
    // False once the label is deleted: it is not written, and a new label takes its slot.
    bool InUse = true;
    // PendingValue holds an edit stored by "Save changes" that "Save" has not applied yet.
    bool Edited = false;
    std::u16string PendingValue;
};

struct SectionTypeInfo {
    std::string_view Code;
    std::string_view Description;
};

inline constexpr std::size_t kSectionTypeSlots = 8;
// The CSF signature, 20 46 53 43.
inline constexpr std::string_view CsfMagic = CsfSignature;
// The label markers' codes and what the editor calls them; the slots after the first are empty.
inline constexpr std::array<SectionTypeInfo, kSectionTypeSlots> SectionTypes{
    {{LabelMarker.substr(1), "Label"}}};

VTR_STR::InterpreterInfo CsfInitialise();

// True when `data` begins with CsfMagic.
bool IsCsfData(std::string_view data);

// The table in a CSF file's bytes. Never throws on malformed data (see CsfTable::Read).
CsfTable ReadStringTable(std::string_view data);
// The CSF file of the labels of `table` whose record is in use (one record per label).
std::string WriteStringTable(const CsfTable& table, const std::vector<LabelRecord>& records);

}  // namespace VTR_CSF
