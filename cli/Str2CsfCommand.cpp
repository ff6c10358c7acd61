// str2csf: a string table from a text source.
#include "archive/VTR_STR.h"
#include "cli/CommandParts.h"
#include "cli/TableAccess.h"

namespace cli {

namespace {

int Run(const ParsedArgs& args, Io& io) {
    const std::string output = Required(args, "output", "-o TABLE.csf");
    const VTR_CSF::StrEncoding encoding = EncodingFrom(args);
    const std::optional<std::uint32_t> language = LanguageFrom(args);
    const std::string& input = args.Positional()[0];
    const std::string bytes = platform::ReadWholeFile(input);
    if (VTR_CSF::CsfTable::IsCsf(bytes))
        throw VTR_STR::MalformedData(input +
                                     ": a CSF table, not a text source (csf2str makes one)");
    VTR_CSF::StrDocument doc = VTR_CSF::ReadStr(bytes, input, encoding);
    for (const std::string& warning : doc.Warnings) Warn(io, warning);
    if (language) doc.Table.Language = *language;
    SaveFile(output, CsfBytes(doc.Table, output));
    return ExitSuccess;
}

}  // namespace

const Command& Str2CsfCommand() {
    static const Command command{
        "str2csf",
        "make a string table from a text source",
        {"IN.str -o TABLE.csf [--language N]"},
        {{"IN", ValueKind::File}},
        "the text source",
        {{"output", 'o', "TABLE", "the table to write (complete or not at all)", ValueKind::File},
         {"language", 0, "N", "the header's language field", ValueKind::Number},
         EncodingOption()},
        "Writes the labels of IN.str, in order and duplicates included, as a CSF\n"
        "table. The language is N, else the source's \"// language:\" line, else 0.\n",
        TextSourceNote(),
        {{"str2csf german.str -o game.csf", "Makes the table from the text source."}},
        Run};
    return command;
}

}  // namespace cli
