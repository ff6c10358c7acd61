// replace: an entry's data from a file.
#include "cli/ArchiveAccess.h"
#include "cli/ArchiveEdit.h"
#include "cli/CommandParts.h"

namespace cli {

namespace {

int Run(const ParsedArgs& args, Io& io) {
    const std::vector<std::string>& positional = args.Positional();
    EditArchive(positional[0], args, io, [&](VTR_CORE::BigArchive& archive) {
        archive.ReplaceFromFile(FindExisting(archive, positional[1], positional[0]), positional[2]);
        WarnIfNamesakes(archive, positional[1], "replaced", io);
    });
    return ExitSuccess;
}

}  // namespace

const Command& ReplaceCommand() {
    static const Command command{
        "replace",
        "replace an entry's data with a file",
        {"ARCHIVE NAME FILE"},
        {{"ARCHIVE", ValueKind::Archive}, {"NAME", ValueKind::Entry}, {"FILE", ValueKind::File}},
        "the archive, the entry and the file with the new data",
        {WaitOption()},
        "Makes FILE's bytes the data of the entry NAME. Of several entries with that\n"
        "name, the first is replaced.\n",
        EditNote(),
        {{"replace game.big Data/INI/game.ini game.ini",
          "Puts the bytes of game.ini in place of the entry's."}},
        Run};
    return command;
}

}  // namespace cli
