// The text source of a string table (".str"): blocks of a label name, an optional value line in
// double quotes, an optional extra line for a "WRTS" string, and END.
//
//   // language: 8            the header's language field (written by WriteStr, read back)
//   // reserved: 1            the header's reserved field, written only when it is not 0
//   GUI:Greeting              label name, surrounding blanks trimmed
//   "Hello,\nworld"           the value: everything between the first and last double quote
//   greeting_voice            the extra value of a "WRTS" string (optional)
//   END                       any letter case
//
// Blank lines and lines starting with "//" are ignored anywhere. Escapes in values and extras:
// \n \r \" \\ and \uXXXX (one UTF-16 code unit); any other backslash pair stays as it is. An
// extra line holding a lone backslash is an empty extra. Label names and extras are code-page
// bytes in the table and UTF-8 in the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "stringtable/CsfTable.h"

namespace VTR_CSF {

enum class StrEncoding { Detect, Utf8, Windows1252 };

struct StrDocument {
    // Language and Reserved are what "// language: N" and "// reserved: N" lines before the
    // first block give, else 0.
    CsfTable Table;
    bool HasLanguage = false;
    // The 1-based line of each label's name.
    std::vector<std::size_t> Lines;
    // Each names the file and the line.
    std::vector<std::string> Warnings;
};

// Reads a text source; `fileName` names it in messages. Detect reads UTF-8 (a byte order mark
// is allowed) and falls back to Windows-1252 when the bytes are not UTF-8. Throws
// VTR_STR::MalformedData naming the file, the line and what was expected.
StrDocument ReadStr(std::string_view bytes, const std::string& fileName,
                    StrEncoding encoding = StrEncoding::Detect);

// The text source of `table`: UTF-8 without a byte order mark, CR LF line ends unless `lf`.
// Throws VTR_STR::LimitExceeded for a label whose name the text cannot hold (empty, blanks at
// either end, a line break, starting with "//", or END), naming `source` and the label.
std::string WriteStr(const CsfTable& table, const std::string& source, bool lf = false);

// Code units as they stand between the quotes of a value line (UTF-8, escaped).
std::string EscapeUnits(std::u16string_view units);
// Code-page bytes (a label name or an extra) as UTF-8 text, escaped like a value.
std::string EscapeBytes(std::string_view bytes);

}  // namespace VTR_CSF
