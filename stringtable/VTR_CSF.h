// The CSF string-table engine: recognises CSF files, reads one into the module's string table
// and builds CSF bytes from that table again.
//
// Layout (all integers 32-bit little-endian): a 24-byte header " FSC", version, label count,
// string count, language code, unused; then label records one after another:
//   " LBL", string count, name length N, N name bytes,
//   and for a string count of 1: the string marker (" RTS", or "WRTS" for a string that carries
//   an extra value), value length V in UTF-16 code units, 2V value bytes (UTF-16 little-endian
//   with every byte inverted), and for "WRTS" an extra length and that many extra bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/VTR_STR.h"

namespace VTR_CSF {

struct LabelRecord {
    // The label name, one byte per character. Empty marks the end of the used slots; a deleted
    // label holds "null".
    std::string Label;
    // The string value, every UTF-16 code unit of it; line breaks are CR LF.
    std::u16string Value;
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

inline constexpr std::size_t kInitialSlots = 4096;
inline constexpr std::size_t kSectionTypeSlots = 8;
inline constexpr std::size_t kHeaderSize = 24;
inline constexpr char kDeletedLabel[] = "null";

// The table of label records: at least kInitialSlots slots, grown to hold every label of a file.
// The first slot with an empty Label ends it.
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

// The index of the first slot with an empty Label (the table's size when every slot is used).
std::size_t EndMark();
// Clears every slot, shrinks the table back to kInitialSlots and zeroes the kept header fields.
void ClearStringTable();

// True when `data` begins with CsfMagic().
bool IsCsfData(std::string_view data);

// Clears the table and fills it from a CSF file's bytes. Never throws on malformed data: a
// length that reaches past the data takes the bytes that are there, bytes between records are
// skipped, and data without a label record gives an empty table.
void ReadStringTable(std::string_view data);

// Builds a complete CSF file from the live labels of the table; the table is not changed.
std::string WriteStringTable();

// Stored value bytes to text: each byte pair, inverted, is one UTF-16 code unit; an LF becomes
// CR LF. A lone last byte gives the code unit of its low byte alone.
std::u16string DecodeValue(std::string_view stored);
// Text to stored value bytes: CR LF and a lone CR become LF, then each code unit is written as
// two inverted bytes, low byte first.
std::string EncodeValue(std::u16string_view text);

}  // namespace VTR_CSF
