// extract: entries to files under a folder, named by their paths inside the archive.
#include "archive/Extraction.h"
#include "cli/ArchiveAccess.h"
#include "cli/CommandParts.h"
#include "cli/ProgressBar.h"

namespace cli {

namespace {

int Run(const ParsedArgs& args, Io& io) {
    const std::vector<std::string>& positional = args.Positional();
    VTR_CORE::BigArchive archive = OpenArchive(positional[0]);
    bool allMatched = true;
    std::vector<bool> chosen = Extraction::ChooseEntries(
        archive, {positional.begin() + 1, positional.end()}, [&](const std::string& message) {
            Complain(io, message);
            allMatched = false;
        });
    Extraction::DropDuplicates(archive, chosen,
                               [&](const std::string& message) { Warn(io, message); });
    ProgressBar bar(io, "extracting", 0, 0);
    const bool allWritten = Extraction::ExtractChosen(
        archive, chosen, args.Value("directory").value_or("."),
        [&](const std::string& message) { Complain(io, message); }, bar.Callback());
    return allMatched && allWritten ? ExitSuccess : ExitFailure;
}

}  // namespace

const Command& ExtractCommand() {
    static const Command command{
        "extract",
        "write entries to files under a folder",
        {"ARCHIVE [NAME|PATTERN ...] [-C DIR]"},
        {{"ARCHIVE", ValueKind::Archive}, {"NAME", ValueKind::Entry, true, true}},
        "the archive to extract from",
        {{"directory", 'C', "DIR", "extract under DIR", ValueKind::Folder}},
        "Writes every entry, or those named, to files under DIR (the current folder\n"
        "when not given; made when missing), creating the folders of the entry's\n"
        "name. Existing files are replaced; each file is complete or not there.\n",
        "Patterns: \"*\" matches any run of characters (\"\\\" included, so \"*.ini\"\n"
        "finds INI files in every folder) and \"?\" one character. Quote patterns so\n"
        "that the shell leaves them alone.\n\n"
        "An entry whose name would leave DIR (\"..\", a leading \"\\\" or \"/\", a\n"
        "drive letter) is not written; it is reported and the exit status is 1, but\n"
        "the other entries are extracted. Of two entries with the same name the\n"
        "first is written and the second named in a warning.\n\n" +
            NamesNote(),
        {{"extract game.big -C game", "Writes every entry under the folder game."},
         {"extract game.big \"data/ini/*.ini\" -C mod",
          "Writes the INI files under Data\\INI into mod/Data/INI/."}},
        Run};
    return command;
}

}  // namespace cli
