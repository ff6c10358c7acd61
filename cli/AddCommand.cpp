// add: files as new entries at the end of an archive.
#include "cli/ArchiveAccess.h"
#include "cli/ArchiveEdit.h"
#include "cli/CommandParts.h"

namespace cli {

namespace {

// The entry name for a file added without --as: its path as typed, without leading "./".
std::string NameFromPath(std::string path) {
    while (path.starts_with("./")) path.erase(0, 2);
    try {
        return NewEntryName(path);
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string(error.what()) + " Give the entry a name with --as.");
    }
}

// Said before anything about the name the file would get.
void RefuseMissingFile(const std::string& path) {
    switch (platform::Files().Kind(path)) {
        case platform::PathKind::Missing:
            throw platform::FileError("Cannot add " + Quoted(path) + ": there is no such file.");
        case platform::PathKind::Directory:
            throw platform::FileError("Cannot add " + Quoted(path) +
                                      ": it is a folder; \"pack\" makes an archive of a folder.");
        default:
            return;
    }
}

int Run(const ParsedArgs& args, Io& io) {
    const std::vector<std::string>& positional = args.Positional();
    const std::optional<std::string> as = args.Value("as");
    if (as && positional.size() != 2)
        throw UsageError("--as names one file, but " + std::to_string(positional.size() - 1) +
                         " were given");
    EditArchive(positional[0], args, io, [&](VTR_CORE::BigArchive& archive) {
        for (std::size_t i = 1; i < positional.size(); ++i) {
            RefuseMissingFile(positional[i]);
            const std::string name = as ? NewEntryName(*as) : NameFromPath(positional[i]);
            RefuseTakenName(archive, name, positional[0]);
            archive.AddFromFile(name, positional[i]);
        }
    });
    return ExitSuccess;
}

}  // namespace

const Command& AddCommand() {
    static const Command command{
        "add",
        "add files to an archive",
        {"ARCHIVE FILE... [--as NAME]"},
        {{"ARCHIVE", ValueKind::Archive}, {"FILE", ValueKind::File, false, true}},
        "the archive and the files to add",
        {{"as", 0, "NAME", "the entry name for the one FILE given", ValueKind::Entry},
         WaitOption()},
        "Adds each FILE as a new entry at the end of ARCHIVE, named by its path as\n"
        "given (\"Data/INI/a.ini\" becomes \"Data\\INI\\a.ini\"). An entry of that\n"
        "name must not exist yet; use \"replace\" to change one.\n",
        EditNote(),
        {{"add game.big Data/INI/extra.ini", "Adds the file as the entry Data\\INI\\extra.ini."},
         {"add game.big notes.txt --as Data/Text/readme.txt",
          "Adds notes.txt under another name."}},
        Run};
    return command;
}

}  // namespace cli
