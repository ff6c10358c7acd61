// The string-table commands: csf2str, str2csf, csf-diff and csf-merge. The text format, the diff
// and the merge belong to the engine (stringtable/StrFormat.h, stringtable/CsfCompare.h); these
// commands read the arguments and the files and write the results.
#include "cli/CsfCommands.h"

#include <charconv>
#include <optional>

#include "archive/VTR_STR.h"
#include "cli/ArchiveAccess.h"
#include "cli/Options.h"
#include "stringtable/CsfCompare.h"
#include "stringtable/StrFormat.h"

namespace cli {

namespace {

using VTR_CSF::CsfTable;
using VTR_CSF::StrEncoding;

const OptionRule EncodingRule{"encoding", 0, true};
const OptionRule LfRule{"lf", 0, false};
const OptionRule OutputRule{"output", 'o', true};

bool HasExtension(const std::string& path, std::string_view extension) {
    return path.size() > extension.size() &&
           VTR_CSF::FoldedName(path.substr(path.size() - extension.size())) == extension;
}

StrEncoding EncodingOption(const ParsedArgs& parsed) {
    const std::optional<std::string> value = parsed.Value("encoding");
    if (!value) return StrEncoding::Detect;
    if (*value == "utf-8") return StrEncoding::Utf8;
    if (*value == "windows-1252") return StrEncoding::Windows1252;
    throw UsageError("--encoding takes utf-8 or windows-1252, not \"" + *value + "\"");
}

std::optional<std::uint32_t> LanguageOption(const ParsedArgs& parsed) {
    const std::optional<std::string> value = parsed.Value("language");
    if (!value) return std::nullopt;
    std::uint32_t language = 0;
    const char* end = value->data() + value->size();
    const auto [stop, error] = std::from_chars(value->data(), end, language);
    if (value->empty() || error != std::errc() || stop != end)
        throw UsageError("--language takes a number from 0 to 4294967295, not \"" + *value + "\"");
    return language;
}

std::string Required(const ParsedArgs& parsed, const std::string& option, const char* what) {
    const std::optional<std::string> value = parsed.Value(option);
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

// The bytes of the first entry named `typed`, found as the archive commands find entries.
std::string EntryBytes(const std::string& archivePath, const std::string& typed) {
    VTR_CORE::BigArchive archive = OpenArchive(archivePath);
    return archive.Data(FindExisting(archive, typed, archivePath));
}

struct LoadedTable {
    CsfTable table;
    bool knowsLanguage = true;  // false for a text source without a language line
};

// A CSF table or a text source: ".csf" and ".str" say which, any other name the first bytes.
LoadedTable LoadTable(const std::string& path, StrEncoding encoding, Io& io) {
    const std::string bytes = platform::ReadWholeFile(path);
    const bool text =
        HasExtension(path, ".str") || (!HasExtension(path, ".csf") && !CsfTable::IsCsf(bytes));
    if (!text) return {TableFromBytes(bytes, path), true};
    VTR_CSF::StrDocument doc = VTR_CSF::ReadStr(bytes, path, encoding);
    for (const std::string& warning : doc.Warnings) Warn(io, warning);
    return {std::move(doc.Table), doc.HasLanguage};
}

// True for an output named .str, false for .csf; any other name is refused before work begins.
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

void Save(const std::string& path, const std::string& bytes) {
    platform::WriteFileAtomic(path, {bytes});
}

int RunCsf2Str(const std::vector<std::string>& args, Io& io) {
    const ParsedArgs parsed = ParseOptions(args, {OutputRule, LfRule, {"entry", 0, true}});
    parsed.ExpectPositional(1, 1, "the CSF table");
    const std::string& input = parsed.Positional()[0];
    const std::optional<std::string> entry = parsed.Value("entry");
    const std::string source = entry ? input + " entry \"" + *entry + "\"" : input;
    const CsfTable table =
        TableFromBytes(entry ? EntryBytes(input, *entry) : platform::ReadWholeFile(input), source);
    const std::string text = VTR_CSF::WriteStr(table, source, parsed.Has("lf"));
    if (const auto output = parsed.Value("output")) {
        Save(*output, text);
    } else {
        io.out << text;
    }
    return ExitSuccess;
}

int RunStr2Csf(const std::vector<std::string>& args, Io& io) {
    const ParsedArgs parsed = ParseOptions(args, {OutputRule, EncodingRule, {"language", 0, true}});
    parsed.ExpectPositional(1, 1, "the text source");
    const std::string output = Required(parsed, "output", "-o TABLE.csf");
    const StrEncoding encoding = EncodingOption(parsed);
    const std::optional<std::uint32_t> language = LanguageOption(parsed);
    const std::string& input = parsed.Positional()[0];
    const std::string bytes = platform::ReadWholeFile(input);
    if (CsfTable::IsCsf(bytes))
        throw VTR_STR::MalformedData(input +
                                     ": a CSF table, not a text source (csf2str makes one)");
    VTR_CSF::StrDocument doc = VTR_CSF::ReadStr(bytes, input, encoding);
    for (const std::string& warning : doc.Warnings) Warn(io, warning);
    if (language) doc.Table.Language = *language;
    Save(output, CsfBytes(doc.Table, output));
    return ExitSuccess;
}

// Exit status 0 when the tables agree, 1 when they differ, 2 on any failure.
int RunCsfDiff(const std::vector<std::string>& args, Io& io) {
    const ParsedArgs parsed = ParseOptions(args, {EncodingRule});
    parsed.ExpectPositional(2, 2, "OLD and NEW");
    try {
        const StrEncoding encoding = EncodingOption(parsed);
        const LoadedTable before = LoadTable(parsed.Positional()[0], encoding, io);
        const LoadedTable after = LoadTable(parsed.Positional()[1], encoding, io);
        const auto changes = VTR_CSF::Diff(before.table, after.table);
        for (const VTR_CSF::LabelChange& change : changes)
            io.out << VTR_CSF::DiffLine(change, before.table, after.table) << "\n";
        return changes.empty() ? ExitSuccess : ExitFailure;
    } catch (const UsageError&) {
        throw;
    } catch (const std::exception& error) {
        Complain(io, error.what());
        return ExitUsage;
    }
}

std::string ReportText(const VTR_CSF::MergeResult& merged, const CsfTable& translation,
                       std::string_view eol) {
    std::string text;
    for (std::size_t i : merged.Untranslated) {
        const VTR_CSF::CsfLabel& label = merged.Table.Labels[i];
        text += "untranslated: " + VTR_CSF::EscapeBytes(label.Name) + " = " +
                VTR_CSF::DescribeString(label) + std::string(eol);
    }
    for (std::size_t i : merged.Dropped) {
        const VTR_CSF::CsfLabel& label = translation.Labels[i];
        text += "dropped: " + VTR_CSF::EscapeBytes(label.Name) + " = " +
                VTR_CSF::DescribeString(label) + std::string(eol);
    }
    return text;
}

std::string Count(std::size_t count, const char* what) {
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

int RunCsfMerge(const std::vector<std::string>& args, Io& io) {
    const ParsedArgs parsed = ParseOptions(args, {OutputRule,
                                                  EncodingRule,
                                                  LfRule,
                                                  {"source", 0, true},
                                                  {"translation", 0, true},
                                                  {"report", 0, true}});
    parsed.ExpectPositional(0, 0, "");
    const std::string sourcePath = Required(parsed, "source", "--source NEW");
    const std::string translationPath = Required(parsed, "translation", "--translation OLD");
    const std::string output = Required(parsed, "output", "-o OUT");
    const bool text = WritesText(output);
    const StrEncoding encoding = EncodingOption(parsed);
    const LoadedTable source = LoadTable(sourcePath, encoding, io);
    const LoadedTable translation = LoadTable(translationPath, encoding, io);
    VTR_CSF::MergeResult merged = VTR_CSF::Merge(source.table, translation.table);
    if (!translation.knowsLanguage) merged.Table.Language = source.table.Language;
    const std::string_view eol = parsed.Has("lf") ? "\n" : "\r\n";
    const std::string bytes = text ? VTR_CSF::WriteStr(merged.Table, sourcePath, parsed.Has("lf"))
                                   : CsfBytes(merged.Table, output);
    const std::optional<std::string> report = parsed.Value("report");
    if (report) Save(*report, ReportText(merged, translation.table, eol));
    Save(output, bytes);
    io.err << "csf-merge: " << Count(merged.CarriedOver, "label") << " carried over, "
           << Count(merged.Untranslated.size(), "label") << " left untranslated, "
           << Count(merged.Dropped.size(), "label") << " of the translation dropped"
           << (report ? " (listed in " + *report + ")" : std::string()) << "\n";
    return ExitSuccess;
}

const char* const TextHelp =
    "The text source (.str) holds one block per label:\n"
    "    LABEL:Name\n"
    "    \"the value, with \\n for a line break\"\n"
    "    extra_value_of_a_WRTS_string      (optional)\n"
    "    END\n"
    "A label without a value line has no string; \"\" is an empty value. Lines starting with\n"
    "// are comments; \"// language: N\" before the first block gives the table's language.\n"
    "Escapes: \\n \\r \\\" \\\\ \\uXXXX (one UTF-16 unit); other backslash pairs stay as they "
    "are.\n"
    "An extra line holding a lone \\ is an empty extra value.\n";

const char* const EncodingHelp =
    "      --encoding utf-8|windows-1252  how to read text sources (default: UTF-8, and\n"
    "                                     Windows-1252 when a file is not UTF-8)\n";

}  // namespace

const std::vector<Command>& CsfCommands() {
    static const std::vector<Command> commands = {
        {"csf2str", "write a string table as a text source",
         std::string("Usage: vantor-cli csf2str TABLE.csf [-o OUT.str] [--lf]\n"
                     "       vantor-cli csf2str ARCHIVE --entry NAME [-o OUT.str] [--lf]\n\n"
                     "Writes every label in table order, every UTF-16 unit of its value and the\n"
                     "extra value of WRTS strings, as UTF-8 with CR LF line ends.\n\n"
                     "  -o, --output OUT  write OUT (atomically) instead of the standard output\n"
                     "      --entry NAME  read the table from the archive entry NAME\n"
                     "      --lf          end lines with LF alone\n\n") +
             TextHelp,
         RunCsf2Str},
        {"str2csf", "make a string table from a text source",
         std::string(
             "Usage: vantor-cli str2csf IN.str -o TABLE.csf [--language N]\n\n"
             "Writes the labels of IN.str, in order and duplicates included, as a CSF\n"
             "table. The language is N, else the source's \"// language:\" line, else 0.\n\n"
             "  -o, --output TABLE  the table to write (complete or not at all)\n"
             "      --language N    the header's language field\n") +
             EncodingHelp + "\n" + TextHelp,
         RunStr2Csf},
        {"csf-diff", "list the labels two string tables do not share",
         std::string(
             "Usage: vantor-cli csf-diff OLD NEW [--encoding E]\n\n"
             "OLD and NEW are CSF tables or text sources. Prints a line per label only\n"
             "in OLD (\"- NAME = value\"), only in NEW (\"+ NAME = value\"), and per label\n"
             "whose value or extra changed (\"~ NAME = old -> new\"). Labels pair by name\n"
             "without regard to letter case, the n-th of a repeated name with the n-th.\n\n") +
             EncodingHelp + "\nExit status: 0 when equal, 1 when they differ, 2 on an error.\n",
         RunCsfDiff},
        {"csf-merge", "carry a translation over to a new version of the source table",
         std::string("Usage: vantor-cli csf-merge --source NEW --translation OLD -o OUT\n"
                     "                            [--report FILE] [--lf] [--encoding E]\n\n"
                     "OUT gets NEW's labels in NEW's order. A label OLD also has takes OLD's\n"
                     "value and extra (the n-th of a repeated name pairs with the n-th); the\n"
                     "others keep NEW's. OUT has OLD's language (NEW's when OLD is a text source\n"
                     "without a language line). Inputs and OUT may be CSF tables (.csf) or text\n"
                     "sources (.str). A summary goes to the standard error.\n\n"
                     "      --report FILE  list the untranslated labels and the labels of OLD\n"
                     "                     that NEW dropped\n"
                     "      --lf           end text lines with LF alone\n") +
             EncodingHelp,
         RunCsfMerge},
    };
    return commands;
}

}  // namespace cli
