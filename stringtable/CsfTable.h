// A CSF string table as an object: its labels in file order, duplicates and empty names kept,
// each value with every UTF-16 code unit as stored, and the header fields worth keeping.
//
// Layout (all integers 32-bit little-endian): a 24-byte header " FSC", version, label count,
// string count, a reserved field (0 in the tables seen), the language; then label records one
// after another:
//   " LBL", string count, name length N, N name bytes,
//   and for a string count of 1: the string marker (" RTS", or "WRTS" for a string that carries
//   an extra value), value length V in UTF-16 code units, 2V value bytes (UTF-16 little-endian
//   with every byte inverted), and for "WRTS" an extra length and that many extra bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace VTR_CSF {

inline constexpr std::string_view CsfSignature = " FSC";
inline constexpr std::string_view LabelMarker = " LBL";
inline constexpr std::uint32_t WrittenVersion = 3;

struct CsfLabel {
    std::string Name;  // bytes of the single-byte code page
    // False for a label written with a string count of 0 and no string.
    bool HasString = true;
    std::u16string Value;  // every code unit as stored; a line break is whatever was stored
    // The three bytes after the first byte of the string marker: "RTS" in well-formed files.
    std::string StringTag = "RTS";
    // The string was stored with the marker "WRTS" and carries Extra (bytes, such as a file name).
    bool HasExtra = false;
    std::string Extra;
    bool operator==(const CsfLabel&) const = default;
};

// The value codec: stored value bytes to UTF-16 code units (each byte pair, inverted, is one
// unit, low byte first; a lone last byte gives the unit of its low byte alone), and back.
std::u16string DecodeValue(std::string_view stored);
std::string EncodeValue(std::u16string_view units);

class CsfTable {
public:
    std::vector<CsfLabel> Labels;
    // The language field of the header (bytes 20-23), and the reserved field before it (bytes
    // 16-19), both kept as read.
    std::uint32_t Language = 0;
    std::uint32_t Reserved = 0;

    // True when `bytes` begin with the CSF signature.
    static bool IsCsf(std::string_view bytes);

    // Replaces the table with the labels of a CSF file. Tolerant, as CSF readers must be: a
    // length that reaches past the data takes the bytes that are there, bytes between records
    // are skipped, and data without a label record gives an empty table.
    void Read(std::string_view bytes);
    // The CSF file for the table: version 3, the label count, the number of strings written,
    // the kept header fields, every label in order. Throws VTR_STR::LimitExceeded when a length
    // does not fit the format.
    std::string Write() const;

    // Labels compare without regard to letter case (the code page's letters included).
    std::vector<std::size_t> Find(std::string_view name) const;
    std::optional<std::size_t> FindFirst(std::string_view name) const;
    // Appends a label with one string; returns its index.
    std::size_t Add(std::string name, std::u16string value);
    void Delete(std::size_t index);
    void Rename(std::size_t index, std::string newName);

    bool operator==(const CsfTable&) const = default;
};

}  // namespace VTR_CSF
