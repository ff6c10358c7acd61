// csf-merge: a translation carried over to a new version of the source table.
#include "cli/CommandParts.h"
#include "cli/TableAccess.h"
#include "stringtable/CsfCompare.h"

namespace cli {

namespace {

std::string ReportText(const VTR_CSF::MergeResult& merged, const VTR_CSF::CsfTable& translation,
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

int Run(const ParsedArgs& args, Io& io) {
    const std::string sourcePath = Required(args, "source", "--source NEW");
    const std::string translationPath = Required(args, "translation", "--translation OLD");
    const std::string output = Required(args, "output", "-o OUT");
    const bool text = WritesText(output);
    const VTR_CSF::StrEncoding encoding = EncodingFrom(args);
    const LoadedTable source = LoadTable(sourcePath, encoding, io);
    const LoadedTable translation = LoadTable(translationPath, encoding, io);
    VTR_CSF::MergeResult merged = VTR_CSF::Merge(source.table, translation.table);
    if (!translation.knowsLanguage) merged.Table.Language = source.table.Language;
    const std::string_view eol = args.Has("lf") ? "\n" : "\r\n";
    const std::string bytes = text ? VTR_CSF::WriteStr(merged.Table, sourcePath, args.Has("lf"))
                                   : CsfBytes(merged.Table, output);
    const std::optional<std::string> report = args.Value("report");
    if (report) SaveFile(*report, ReportText(merged, translation.table, eol));
    SaveFile(output, bytes);
    io.err << "csf-merge: " << Count(merged.CarriedOver, "label") << " carried over, "
           << Count(merged.Untranslated.size(), "label") << " left untranslated, "
           << Count(merged.Dropped.size(), "label") << " of the translation dropped"
           << (report ? " (listed in " + *report + ")" : std::string()) << "\n";
    return ExitSuccess;
}

}  // namespace

const Command& CsfMergeCommand() {
    static const Command command{
        "csf-merge",
        "carry a translation over to a new version of the source table",
        {"--source NEW --translation OLD -o OUT\n"
         "                            [--report FILE] [--lf] [--encoding E]"},
        {},
        "",
        {{"source", 0, "NEW", "the new version of the source table", ValueKind::File},
         {"translation", 0, "OLD", "the translation of the previous version", ValueKind::File},
         {"output", 'o', "OUT", "the merged table to write (.csf or .str)", ValueKind::File},
         {"report", 0, "FILE",
          "list the untranslated labels and the labels of OLD\n"
          "that NEW dropped",
          ValueKind::File},
         LfOption("end text lines with LF alone"),
         EncodingOption()},
        "OUT gets NEW's labels in NEW's order. A label OLD also has takes OLD's\n"
        "value and extra (the n-th of a repeated name pairs with the n-th); the\n"
        "others keep NEW's. OUT has OLD's language (NEW's when OLD is a text source\n"
        "without a language line). Inputs and OUT may be CSF tables (.csf) or text\n"
        "sources (.str). A summary goes to the standard error.\n",
        "",
        {{"csf-merge --source english.str --translation german.str -o german-new.str "
          "--report todo.txt",
          "Keeps what is translated and lists what is left to do."}},
        Run};
    return command;
}

}  // namespace cli
