// rename: an entry gets a new name.
#include "cli/ArchiveAccess.h"
#include "cli/ArchiveEdit.h"
#include "cli/CommandParts.h"

namespace cli {

namespace {

int Run(const ParsedArgs& args, Io& io) {
    const std::vector<std::string>& positional = args.Positional();
    EditArchive(positional[0], args, io, [&](VTR_CORE::BigArchive& archive) {
        const std::size_t index = FindExisting(archive, positional[1], positional[0]);
        const std::string newName = NewEntryName(positional[2]);
        for (const std::size_t other : archive.Find(newName))
            if (other != index) RefuseTakenName(archive, newName, positional[0]);
        WarnIfNamesakes(archive, positional[1], "renamed", io);
        archive.Rename(index, newName);
    });
    return ExitSuccess;
}

}  // namespace

const Command& RenameCommand() {
    static const Command command{
        "rename",
        "rename an entry",
        {"ARCHIVE OLD NEW"},
        {{"ARCHIVE", ValueKind::Archive}, {"OLD", ValueKind::Entry}, {"NEW", ValueKind::Text}},
        "the archive, the entry and its new name",
        {WaitOption()},
        "Gives the entry OLD the name NEW, which no other entry may have.\n",
        EditNote(),
        {{"rename game.big Data/Text/draft.txt Data/Text/final.txt", "Renames one entry."}},
        Run};
    return command;
}

}  // namespace cli
