// csf2str: a string table as a text source.
#include "cli/CommandParts.h"
#include "cli/TableAccess.h"

namespace cli {

namespace {

int Run(const ParsedArgs& args, Io& io) {
    const std::string& input = args.Positional()[0];
    const std::optional<std::string> entry = args.Value("entry");
    const std::string source = entry ? input + " entry \"" + *entry + "\"" : input;
    const VTR_CSF::CsfTable table =
        TableFromBytes(entry ? EntryBytes(input, *entry) : platform::ReadWholeFile(input), source);
    const std::string text = VTR_CSF::WriteStr(table, source, args.Has("lf"));
    if (const auto output = args.Value("output")) {
        SaveFile(*output, text);
    } else {
        io.out << text;
    }
    return ExitSuccess;
}

}  // namespace

const Command& Csf2StrCommand() {
    static const Command command{
        "csf2str",
        "write a string table as a text source",
        {"TABLE.csf [-o OUT.str] [--lf]", "ARCHIVE --entry NAME [-o OUT.str] [--lf]"},
        {{"TABLE", ValueKind::File}},
        "the CSF table",
        {{"output", 'o', "OUT", "write OUT (atomically) instead of the standard output",
          ValueKind::File},
         {"entry", 0, "NAME", "read the table from the archive entry NAME", ValueKind::Entry},
         LfOption("end lines with LF alone")},
        "Writes every label in table order, every UTF-16 unit of its value and the\n"
        "extra value of WRTS strings, as UTF-8 with CR LF line ends.\n",
        TextSourceNote(),
        {{"csf2str game.csf -o game.str", "Writes the table as a text source."},
         {"csf2str patch.big --entry Data/Lang/game.csf -o game.str",
          "Reads the table straight from an archive."}},
        Run};
    return command;
}

}  // namespace cli
