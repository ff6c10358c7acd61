// The CSF editor's string table: one table of label records for the run, as the editor window
// works on it, read from and written to CSF bytes through CsfTable (see CsfTable.h for the layout).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/VTR_STR.h"
#include "stringtable/CsfTable.h"

namespace VTR_CSF {

struct LabelRecord {
    // The label name, one byte per character; a deleted label holds "null". An empty name is an
    // ordinary label.
    std::string Label;
    // The string value, every UTF-16 code unit of it; line breaks are CR LF.
    std::u16string Value;
    // The value's code units as read. While Value still shows them, they are written back
    // unchanged (a stored CR LF stays CR LF).
    std::u16string StoredValue;
    // An edit stored by the editor's "Save changes", not yet applied to Value.
    std::u16string PendingValue;
    // The three bytes after the first byte of the string marker ("RTS"); empty without a string.
    std::string StringTag;
    // Index into SectionTypes() of the label's marker code.
    std::int16_t SectionType = 0;
    bool Edited = false;
    // Written with a string count of 0 and no string.
    bool NoString = false;
    bool InUse = false;
    // The string was stored with the marker "WRTS" and carries ExtraValue (a sound name).
    bool HasExtraValue = false;
    std::string ExtraValue;
};

struct SectionTypeInfo {
    std::string Code;
    std::string Description;
};

inline constexpr std::size_t kSectionTypeSlots = 8;
inline constexpr char kDeletedLabel[] = "null";

// The table of label records: one slot per label read or added, deleted slots included.
std::vector<LabelRecord>& StringTable();
// The archive entry whose contents StringTable() holds.
std::int16_t& CsfFileEntry();
// The four bytes 20 46 53 43, set by CsfInitialise().
std::string& CsfMagic();
// kSectionTypeSlots slots; CsfInitialise() fills slot 0 with "LBL" / "Label".
std::vector<SectionTypeInfo>& SectionTypes();
// The last eight header bytes of the file last read: the language code and an unused field,
// four bytes each, written back unchanged. Zeros for a table not read from a file.
std::string& HeaderLanguage();
std::string& HeaderUnused();

// The interpreter's registration record; also sets CsfMagic() and slot 0 of SectionTypes().
VTR_STR::InterpreterInfo CsfInitialise();

// The number of used slots: a new label goes into a deleted slot below it, or at it.
std::size_t EndMark();
// Empties the table and zeroes the kept header fields.
void ClearStringTable();

// True when `data` begins with CsfMagic().
bool IsCsfData(std::string_view data);

// Clears the table and fills it from a CSF file's bytes. Never throws on malformed data (see
// CsfTable::Read).
void ReadStringTable(std::string_view data);

// Builds a complete CSF file from the live labels of the table; the table is not changed.
std::string WriteStringTable();

// The table as an object, and back (the editor's conversions between the two).
CsfTable ToCsfTable();
void FromCsfTable(const CsfTable& table);

}  // namespace VTR_CSF
