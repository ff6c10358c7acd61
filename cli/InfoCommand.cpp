// info: an archive's signature, entry count and sizes, for one archive or several.
#include "cli/ArchiveAccess.h"
#include "cli/CommandParts.h"

namespace cli {

namespace {

void Describe(const std::string& path, Io& io) {
    const VTR_CORE::BigArchive archive = OpenArchive(path);
    std::int64_t dataSize = 0;
    for (const VTR_CORE::ArchiveEntry& entry : archive.Entries) dataSize += entry.Size;
    io.out << "signature:  " << archive.Signature() << "\n"
           << "entries:    " << archive.Entries.size() << "\n"
           << "file size:  " << platform::FileLength(path) << " bytes\n"
           << "data size:  " << dataSize << " bytes\n";
}

int Run(const ParsedArgs& args, Io& io) {
    const std::vector<std::string>& paths = args.Positional();
    if (paths.size() == 1) {
        Describe(paths[0], io);
        return ExitSuccess;
    }
    int status = ExitSuccess;
    for (const std::string& path : paths) {
        if (&path != &paths.front()) io.out << "\n";
        io.out << path << ":\n";
        try {
            Describe(path, io);
        } catch (const std::exception& error) {
            Complain(io, error.what());
            status = ExitFailure;
        }
    }
    return status;
}

}  // namespace

const Command& InfoCommand() {
    static const Command command{
        "info",
        "show an archive's signature, entry count and sizes",
        {"ARCHIVE..."},
        {{"ARCHIVE", ValueKind::Archive, false, true}},
        "the archive to describe",
        {},
        "Prints the signature (BIGF or BIG4), the number of entries, the length of the file\n"
        "and the total size of the entries' data. Of several archives each gets a block\n"
        "headed by its name; one that cannot be read is reported, the others are still\n"
        "described, and the exit status is 1.\n",
        "",
        {{"info game.big", "Shows the signature, entry count and sizes of game.big."},
         {"info *.big", "Describes every archive in the folder, one block each."}},
        Run};
    return command;
}

}  // namespace cli
