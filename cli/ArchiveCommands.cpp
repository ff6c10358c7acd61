// The archive commands and their help texts.
#include "cli/ArchiveCommands.h"

#include "cli/Command.h"

namespace cli {

namespace {

const char* const NamesHelp =
    "Entry names are shown and typed as UTF-8; in the archive they are bytes in the\n"
    "Windows-1252 code page. Names are compared without regard to letter case, and \"/\" may\n"
    "be typed for the \"\\\" between folders.\n";

std::string WithNames(const std::string& help) { return help + "\n" + NamesHelp; }

// The four commands that change an archive in place.
std::string ForEdit(const std::string& help) {
    return WithNames(help +
                     "\nThe archive keeps its signature and the order of its entries. It is\n"
                     "rewritten through a temporary file renamed over it, so it is either the\n"
                     "old or the new archive, never a mix.\n");
}

}  // namespace

const std::vector<Command>& ArchiveCommands() {
    static const std::vector<Command> commands = {
        {"list", "list the entries of an archive with their sizes",
         WithNames("Usage: vantor-cli list [--long] [--json] ARCHIVE\n\n"
                   "Prints one line per entry, in directory order: its size in bytes, then its\n"
                   "name.\n\n"
                   "  -l, --long  also print the offset of the entry's data in the archive,\n"
                   "              between the size and the name\n"
                   "      --json  print a JSON array of objects with \"name\", \"size\" and\n"
                   "              \"offset\" instead\n"),
         RunList},
        {"info", "show an archive's signature, entry count and sizes",
         "Usage: vantor-cli info ARCHIVE\n\n"
         "Prints the signature (BIGF or BIG4), the number of entries, the length of the file\n"
         "and the total size of the entries' data.\n",
         RunInfo},
        {"extract", "write entries to files under a folder",
         WithNames("Usage: vantor-cli extract ARCHIVE [NAME|PATTERN ...] [-C DIR]\n\n"
                   "Writes every entry, or those named, to files under DIR (the current folder\n"
                   "when not given; made when missing), creating the folders of the entry's\n"
                   "name. Existing files are replaced; each file is complete or not there.\n\n"
                   "  -C, --directory DIR  extract under DIR\n\n"
                   "Patterns: \"*\" matches any run of characters (\"\\\" included, so \"*.ini\"\n"
                   "finds INI files in every folder) and \"?\" one character. Quote patterns so\n"
                   "that the shell leaves them alone.\n\n"
                   "An entry whose name would leave DIR (\"..\", a leading \"\\\" or \"/\", a\n"
                   "drive letter) is not written; it is reported and the exit status is 1, but\n"
                   "the other entries are extracted. Of two entries with the same name the\n"
                   "first is written and the second named in a warning.\n"),
         RunExtract},
        {"pack", "make an archive from every file under a folder",
         WithNames("Usage: vantor-cli pack DIR -o ARCHIVE [--signature BIGF|BIG4]\n\n"
                   "Makes ARCHIVE from every regular file under DIR, named by its path relative\n"
                   "to DIR with \"\\\" between folders, in byte order of those names, so that the\n"
                   "same folder always gives the same archive. Empty folders are not kept.\n"
                   "A file name the code page cannot hold, or a name longer than 255 bytes,\n"
                   "fails the pack; ARCHIVE is written completely or not at all.\n\n"
                   "  -o, --output ARCHIVE      the archive to write (replaced if it exists)\n"
                   "  -s, --signature BIGF|BIG4 the signature to write (default BIGF)\n"),
         RunPack},
        {"add", "add files to an archive",
         ForEdit("Usage: vantor-cli add ARCHIVE FILE... [--as NAME]\n\n"
                 "Adds each FILE as a new entry at the end of ARCHIVE, named by its path as\n"
                 "given (\"Data/INI/a.ini\" becomes \"Data\\INI\\a.ini\"). An entry of that\n"
                 "name must not exist yet; use \"replace\" to change one.\n\n"
                 "      --as NAME  the entry name for the one FILE given\n"),
         RunAdd},
        {"replace", "replace an entry's data with a file",
         ForEdit("Usage: vantor-cli replace ARCHIVE NAME FILE\n\n"
                 "Makes FILE's bytes the data of the entry NAME. Of several entries with that\n"
                 "name, the first is replaced.\n"),
         RunReplace},
        {"remove", "remove entries from an archive",
         ForEdit("Usage: vantor-cli remove ARCHIVE NAME...\n\n"
                 "Removes every entry with one of the names. Nothing is changed when a name\n"
                 "is not in the archive.\n"),
         RunRemove},
        {"rename", "rename an entry",
         ForEdit("Usage: vantor-cli rename ARCHIVE OLD NEW\n\n"
                 "Gives the entry OLD the name NEW, which no other entry may have.\n"),
         RunRename},
        {"verify", "read a whole archive and report what is wrong",
         "Usage: vantor-cli verify ARCHIVE\n\n"
         "Reads the directory and every entry's data, and prints one line for each problem:\n"
         "\"wrong\" for what breaks the format (data past the end of the file or over the\n"
         "directory, data overlapping another entry's, an entry count that disagrees with\n"
         "the directory), \"doubtful\" for what is allowed but likely a mistake (names that\n"
         "are empty, the same as another entry's, or that would not extract; entries sharing\n"
         "data; a wrong file length in the header). The exit status is 0 when nothing is\n"
         "wrong.\n",
         RunVerify},
    };
    return commands;
}

}  // namespace cli
