// What the string-table commands share: reading tables and text sources, and their options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/Command.h"
#include "platform/FileSystem.h"
#include "stringtable/CsfTable.h"
#include "stringtable/StrFormat.h"

namespace cli {

// --encoding: how text sources are read.
VTR_CSF::StrEncoding EncodingFrom(const ParsedArgs& args);
// --language N, when given.
std::optional<std::uint32_t> LanguageFrom(const ParsedArgs& args);
// The value of an option the command cannot do without; "missing <what>" when absent.
std::string Required(const ParsedArgs& args, const std::string& option, const char* what);

// A CSF table's bytes as a table; `name` says where they came from in messages.
VTR_CSF::CsfTable TableFromBytes(const std::string& bytes, const std::string& name);
// The bytes of the first entry named `typed`, found as the archive commands find entries.
std::string EntryBytes(const std::string& archivePath, const std::string& typed);

struct LoadedTable {
    VTR_CSF::CsfTable table;
    bool knowsLanguage = true;  // false for a text source without a language line
};
// A CSF table or a text source: ".csf" and ".str" say which, any other name the first bytes.
LoadedTable LoadTable(const std::string& path, VTR_CSF::StrEncoding encoding, Io& io);

// True for an output named .str, false for .csf; any other name is refused before work begins.
bool WritesText(const std::string& path);
// The table's CSF bytes; a table the format cannot hold fails naming `path`.
std::string CsfBytes(const VTR_CSF::CsfTable& table, const std::string& path);
// Writes `bytes` to `path` atomically.
void SaveFile(const std::string& path, const std::string& bytes);

}  // namespace cli
