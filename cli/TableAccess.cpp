#include "cli/TableAccess.h"

#include <charconv>

#include "archive/CaseFold.h"
#include "archive/VTR_STR.h"
#include "cli/ArchiveAccess.h"

namespace cli {

using VTR_CSF::CsfTable;
using VTR_CSF::StrEncoding;

namespace {

bool HasExtension(const std::string& path, std::string_view extension) {
    return path.size() > extension.size() &&
           CaseFold::FoldedName(path.substr(path.size() - extension.size())) == extension;
}

}  // namespace

StrEncoding EncodingFrom(const ParsedArgs& args) {
    const std::optional<std::string> value = args.Value("encoding");
    if (!value) return StrEncoding::Detect;
    if (*value == "utf-8") return StrEncoding::Utf8;
    if (*value == "windows-1252") return StrEncoding::Windows1252;
    throw UsageError("--encoding takes utf-8 or windows-1252, not \"" + *value + "\"");
}

std::optional<std::uint32_t> LanguageFrom(const ParsedArgs& args) {
    const std::optional<std::string> value = args.Value("language");
    if (!value) return std::nullopt;
    std::uint32_t language = 0;
    const char* end = value->data() + value->size();
    const auto [stop, error] = std::from_chars(value->data(), end, language);
    if (value->empty() || error != std::errc() || stop != end)
        throw UsageError("--language takes a number from 0 to 4294967295, not \"" + *value + "\"");
    return language;
}

std::string Required(const ParsedArgs& args, const std::string& option, const char* what) {
    const std::optional<std::string> value = args.Value(option);
    if (!value) throw UsageError(std::string("missing ") + what);
    return *value;
}

CsfTable TableFromBytes(const std::string& bytes, const std::string& name) {
    if (!CsfTable::IsCsf(bytes))
        throw VTR_STR::MalformedData(name +
                                     ": not a CSF string table (it does not start with \" FSC\")");
    CsfTable table;
    table.Read(bytes);
    return table;
}

std::string EntryBytes(const std::string& archivePath, const std::string& typed) {
    VTR_CORE::BigArchive archive = OpenArchive(archivePath);
    return archive.Data(FindExisting(archive, typed, archivePath));
}

LoadedTable LoadTable(const std::string& path, StrEncoding encoding, Io& io) {
    const std::string bytes = platform::ReadWholeFile(path);
    const bool text =
        HasExtension(path, ".str") || (!HasExtension(path, ".csf") && !CsfTable::IsCsf(bytes));
    if (!text) return {TableFromBytes(bytes, path), true};
    VTR_CSF::StrDocument doc = VTR_CSF::ReadStr(bytes, path, encoding);
    for (const std::string& warning : doc.Warnings) Warn(io, warning);
    return {std::move(doc.Table), doc.HasLanguage};
}

bool WritesText(const std::string& path) {
    if (HasExtension(path, ".str")) return true;
    if (HasExtension(path, ".csf")) return false;
    throw UsageError("cannot tell from the name \"" + path +
                     "\" whether to write a CSF table or a text source; end it in .csf or .str");
}

std::string CsfBytes(const CsfTable& table, const std::string& path) {
    try {
        return table.Write();
    } catch (const VTR_STR::LimitExceeded& error) {
        throw VTR_STR::LimitExceeded(path + ": " + error.what());
    }
}

void SaveFile(const std::string& path, const std::string& bytes) {
    platform::WriteFileAtomic(path, {bytes});
}

}  // namespace cli
