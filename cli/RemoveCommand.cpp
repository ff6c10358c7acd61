// remove: entries out of an archive.
#include <algorithm>

#include "cli/ArchiveAccess.h"
#include "cli/ArchiveEdit.h"
#include "cli/CommandParts.h"

namespace cli {

namespace {

int Run(const ParsedArgs& args, Io& io) {
    const std::vector<std::string>& positional = args.Positional();
    EditArchive(positional[0], args, io, [&](VTR_CORE::BigArchive& archive) {
        std::vector<std::size_t> doomed;
        for (std::size_t i = 1; i < positional.size(); ++i) {
            const std::vector<std::size_t> found = FindAll(archive, positional[i], positional[0]);
            doomed.insert(doomed.end(), found.begin(), found.end());
        }
        std::sort(doomed.begin(), doomed.end());
        doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
        for (auto index = doomed.rbegin(); index != doomed.rend(); ++index) archive.Remove(*index);
    });
    return ExitSuccess;
}

}  // namespace

const Command& RemoveCommand() {
    static const Command command{
        "remove",
        "remove entries from an archive",
        {"ARCHIVE NAME..."},
        {{"ARCHIVE", ValueKind::Archive}, {"NAME", ValueKind::Entry, false, true}},
        "the archive and the entries to remove",
        {WaitOption()},
        "Removes every entry with one of the names. Nothing is changed when a name\n"
        "is not in the archive.\n",
        EditNote(),
        {{"remove game.big Data/Text/old.txt", "Removes every entry of that name."}},
        Run};
    return command;
}

}  // namespace cli
