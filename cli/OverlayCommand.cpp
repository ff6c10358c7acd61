// overlay: several archives read as one, and which of them provides each name.
#include <algorithm>
#include <deque>

#include "archive/ArchiveOverlay.h"
#include "archive/Extraction.h"
#include "cli/ArchiveAccess.h"
#include "cli/CommandParts.h"
#include "cli/JsonText.h"
#include "cli/ProgressBar.h"

namespace cli {

namespace {

using VTR_CORE::OverlayCopy;
using VTR_CORE::OverlayName;

// The archives named on the command line, their directories read, in the order given.
class Archives {
public:
    explicit Archives(const std::vector<std::string>& paths) {
        for (const std::string& path : paths) {
            archives_.push_back(OpenArchive(path));
            pieces_.emplace_back(archives_.back(), path);
        }
    }
    std::vector<VTR_CORE::EntryPieces>& Pieces() { return pieces_; }
    VTR_CORE::BigArchive& Archive(std::size_t index) { return archives_[index]; }
    const std::string& Path(std::size_t index) const { return pieces_[index].Shown(); }
    std::string Name(const OverlayName& name) const {
        return EntryPath::NameToUtf8(VTR_CORE::WinningEntry(name, pieces_).Name);
    }
    std::int64_t Size(const OverlayName& name) const {
        return VTR_CORE::WinningEntry(name, pieces_).Size;
    }

private:
    std::deque<VTR_CORE::BigArchive> archives_;  // a deque keeps them in place for pieces_
    std::vector<VTR_CORE::EntryPieces> pieces_;
};

// "NAME<tab>ARCHIVE", or with the copies "NAME<tab>ARCHIVE<tab>*WINNER..." in archive order.
std::string TextReport(const std::vector<const OverlayName*>& names, const Archives& archives,
                       bool copies) {
    std::string text;
    for (const OverlayName* name : names) {
        text += archives.Name(*name);
        if (!copies) {
            text += '\t' + archives.Path(name->WinningCopy().Archive) + '\n';
            continue;
        }
        for (std::size_t i = 0; i < name->Copies.size(); ++i)
            text += (i == name->Winner ? "\t*" : "\t") + archives.Path(name->Copies[i].Archive);
        text += '\n';
    }
    return text;
}

void AppendJsonName(std::string& text, const OverlayName& name, const Archives& archives,
                    bool copies) {
    text += "{\"name\": ";
    AppendJsonString(text, archives.Name(name));
    text += ", \"size\": ";
    AppendNumber(text, archives.Size(name));
    text += ", \"archive\": ";
    AppendJsonString(text, archives.Path(name.WinningCopy().Archive));
    if (copies) {
        text += ", \"archives\": [";
        for (const OverlayCopy& copy : name.Copies) {
            if (&copy != &name.Copies.front()) text += ", ";
            AppendJsonString(text, archives.Path(copy.Archive));
        }
        text += ']';
    }
    text += '}';
}

std::string JsonReport(const std::vector<const OverlayName*>& names, const Archives& archives,
                       bool copies) {
    std::string text = "[";
    for (const OverlayName* name : names) {
        text += name == names.front() ? "\n  " : ",\n  ";
        AppendJsonName(text, *name, archives, copies);
    }
    return text + (names.empty() ? "]\n" : "\n]\n");
}

// The names whose copies are not all byte-identical.
std::vector<const OverlayName*> Conflicts(const std::vector<OverlayName>& names, Archives& archives,
                                          Io& io) {
    ProgressBar bar(io, "comparing", std::int64_t(names.size()), 0);
    const std::vector<bool> differ =
        VTR_CORE::FindConflicts(names, archives.Pieces(), bar.Callback());
    std::vector<const OverlayName*> conflicts;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (differ[i]) conflicts.push_back(&names[i]);
    return conflicts;
}

// Writes each name's winning entry under `folder` by extract's rules; false when one was
// refused. Entries are written archive by archive, in directory order.
bool ExtractMerged(const std::vector<OverlayName>& names, Archives& archives,
                   const std::string& folder, Io& io) {
    std::vector<OverlayCopy> winners;
    std::int64_t bytes = 0;
    for (const OverlayName& name : names) {
        winners.push_back(name.WinningCopy());
        bytes += archives.Size(name);
    }
    std::sort(winners.begin(), winners.end(), [](const OverlayCopy& a, const OverlayCopy& b) {
        return a.Archive != b.Archive ? a.Archive < b.Archive : a.Entry < b.Entry;
    });
    if (winners.empty()) return true;
    Extraction::MakeFolderPath(folder);
    std::size_t current = 0;  // the archive being extracted from, for the messages
    Extraction::Extractor extractor(folder, [&](const std::string& message) {
        Complain(io, Quoted(archives.Path(current)) + ": " + message);
    });
    ProgressBar bar(io, "extracting", std::int64_t(winners.size()), bytes);
    bool allWritten = true;
    std::int64_t entriesDone = 0, bytesDone = 0;
    for (const OverlayCopy& winner : winners) {
        current = winner.Archive;
        VTR_CORE::BigArchive& archive = archives.Archive(winner.Archive);
        bytesDone += archive.Entries[winner.Entry].Size;
        allWritten = extractor.Write(archive, winner.Entry, archive.Entries[winner.Entry].Name) &&
                     allWritten;
        bar.Update(++entriesDone, bytesDone);
    }
    return allWritten;
}

int Overlay(const ParsedArgs& args, Io& io) {
    Archives archives(args.Positional());
    const auto rule = args.Has("first-wins") ? VTR_CORE::OverlayRule::FirstWins
                                             : VTR_CORE::OverlayRule::LaterWins;
    const std::vector<OverlayName> names = VTR_CORE::OverlayNames(archives.Pieces(), rule);
    const bool conflictsOnly = args.Has("conflicts");
    std::vector<const OverlayName*> shown;
    if (conflictsOnly) {
        shown = Conflicts(names, archives, io);
    } else {
        for (const OverlayName& name : names) shown.push_back(&name);
    }
    const std::optional<std::string> folder = args.Value("extract");
    if (!folder || conflictsOnly)
        io.out << (args.Has("json") ? JsonReport(shown, archives, conflictsOnly)
                                    : TextReport(shown, archives, conflictsOnly));
    const bool allWritten = !folder || ExtractMerged(names, archives, *folder, io);
    return allWritten && !(conflictsOnly && !shown.empty()) ? ExitSuccess : ExitFailure;
}

// Exit status 0; 1 when --conflicts finds any or an entry is not extracted; 2 on any failure.
int Run(const ParsedArgs& args, Io& io) {
    try {
        return Overlay(args, io);
    } catch (const std::exception& error) {
        Complain(io, error.what());
        return ExitUsage;
    }
}

}  // namespace

const Command& OverlayCommand() {
    static const Command command{
        "overlay",
        "show which of several archives provides each name",
        {"ARCHIVE... [--first-wins] [--conflicts] [--json] [--extract DIR]"},
        {{"ARCHIVE", ValueKind::Archive, false, true}},
        "the archives to read",
        {{"first-wins", 0, "", "the first archive that has a name provides it, not the last"},
         {"conflicts", 0, "",
          "list only the names whose copies are not all the same bytes:\n"
          "the name, then every archive that has it in order, the one\n"
          "that provides it marked \"*\" (tab-separated); exit status 1\n"
          "when there is any"},
         {"json", 0, "",
          "print a JSON array of objects with \"name\", \"size\" and\n"
          "\"archive\", and with --conflicts \"archives\", instead"},
         {"extract", 0, "DIR",
          "write the merged view under DIR, by extract's rules, instead\n"
          "of listing it (with --conflicts, the conflicts are still listed)",
          ValueKind::Folder}},
        "Reads the archives in the order given, as a program reading them one over\n"
        "the other does: an archive given later overrides an earlier one. Prints\n"
        "each name once, in name order, as the providing archive spells it, then a\n"
        "tab and that archive. Names pair without regard to letter case; within one\n"
        "archive only the first entry of a repeated name counts, the one readers\n"
        "find.\n",
        "The listing reads no entry's data. --conflicts reads the copies of a name\n"
        "that have one size until they part (copies of different sizes differ\n"
        "unread); --extract reads each name's provider once.\n\n" +
            NamesNote() +
            "\nExit status: 0; 1 when --conflicts finds a conflict or an entry cannot\n"
            "be extracted; 2 on an error.\n",
        {{"overlay base.big patch-1.big patch-2.big", "Shows which archive provides each file."},
         {"overlay --conflicts base.big mod-a.big mod-b.big",
          "Lists the files that the archives provide with different bytes."},
         {"overlay base.big patch-1.big --extract merged",
          "Writes the files a reader of both archives sees under merged/."}},
        Run};
    return command;
}

}  // namespace cli
