// diff: what changed between two versions of an archive, entry by entry.
#include "archive/ArchiveDiff.h"
#include "cli/ArchiveAccess.h"
#include "cli/CommandParts.h"
#include "cli/JsonText.h"
#include "cli/ProgressBar.h"

namespace cli {

namespace {

using VTR_CORE::EntryChange;
using VTR_CORE::EntryChangeKind;

// "- NAME SIZE", "+ NAME SIZE" or "~ NAME OLD-SIZE -> NEW-SIZE"; under a changed string table
// its label changes, indented.
std::string TextReport(const std::vector<EntryChange>& changes) {
    std::string text;
    for (const EntryChange& change : changes) {
        const std::string name = EntryPath::NameToUtf8(change.Name);
        switch (change.Kind) {
            case EntryChangeKind::OnlyInOld:
                text += "- " + name + " " + std::to_string(change.OldSize);
                break;
            case EntryChangeKind::OnlyInNew:
                text += "+ " + name + " " + std::to_string(change.NewSize);
                break;
            case EntryChangeKind::Changed:
                text += "~ " + name + " " + std::to_string(change.OldSize) + " -> " +
                        std::to_string(change.NewSize);
                break;
        }
        text += '\n';
        for (const std::string& line : change.LabelChanges) text += "    " + line + '\n';
    }
    return text;
}

void AppendJsonChange(std::string& text, const EntryChange& change) {
    const bool inOld = change.Kind != EntryChangeKind::OnlyInNew;
    const bool inNew = change.Kind != EntryChangeKind::OnlyInOld;
    text += "{\"change\": ";
    text += inOld && inNew ? "\"changed\"" : inOld ? "\"removed\"" : "\"added\"";
    text += ", \"name\": ";
    AppendJsonString(text, EntryPath::NameToUtf8(change.Name));
    if (inOld) {
        text += ", \"oldSize\": ";
        AppendNumber(text, change.OldSize);
    }
    if (inNew) {
        text += ", \"newSize\": ";
        AppendNumber(text, change.NewSize);
    }
    if (change.StringTables) {
        text += ", \"labels\": [";
        for (const std::string& line : change.LabelChanges) {
            if (&line != &change.LabelChanges.front()) text += ", ";
            AppendJsonString(text, line);
        }
        text += ']';
    }
    text += '}';
}

std::string JsonReport(const std::vector<EntryChange>& changes) {
    std::string text = "[";
    for (const EntryChange& change : changes) {
        text += &change == &changes.front() ? "\n  " : ",\n  ";
        AppendJsonChange(text, change);
    }
    return text + (changes.empty() ? "]\n" : "\n]\n");
}

std::vector<EntryChange> Compare(const ParsedArgs& args, Io& io) {
    const std::string& oldPath = args.Positional()[0];
    const std::string& newPath = args.Positional()[1];
    VTR_CORE::BigArchive before = OpenArchive(oldPath), after = OpenArchive(newPath);
    VTR_CORE::EntryPieces oldPieces(before, oldPath), newPieces(after, newPath);
    ProgressBar bar(io, "comparing", 0, 0);
    VTR_CORE::DiffOptions options;
    options.Strings = args.Has("strings");
    options.Progress = bar.Callback();
    return VTR_CORE::DiffArchives(oldPieces, newPieces, options);
}

// Exit status 0 when the archives hold the same entries, 1 when not, 2 on any failure.
int Run(const ParsedArgs& args, Io& io) {
    try {
        const std::vector<EntryChange> changes = Compare(args, io);
        io.out << (args.Has("json") ? JsonReport(changes) : TextReport(changes));
        return changes.empty() ? ExitSuccess : ExitFailure;
    } catch (const std::exception& error) {
        Complain(io, error.what());
        return ExitUsage;
    }
}

}  // namespace

const Command& DiffCommand() {
    static const Command command{
        "diff",
        "list the entries two archives do not share",
        {"OLD NEW [--strings] [--json]"},
        {{"OLD", ValueKind::Archive}, {"NEW", ValueKind::Archive}},
        "OLD and NEW",
        {{"strings", 0, "",
          "under each changed string table (CSF in both archives) list\n"
          "its label changes as csf-diff does, indented"},
         {"json", 0, "",
          "print a JSON array of objects with \"change\" (\"removed\",\n"
          "\"added\" or \"changed\"), \"name\", \"oldSize\" and \"newSize\" (where\n"
          "the entry is), and with --strings \"labels\" for string tables"}},
        "Prints a line per entry only in OLD (\"- NAME SIZE\"), only in NEW\n"
        "(\"+ NAME SIZE\"), and in both with different bytes\n"
        "(\"~ NAME OLD-SIZE -> NEW-SIZE\"), in name order. Entries pair by name\n"
        "without regard to letter case, the n-th of a repeated name with the n-th;\n"
        "a changed entry is shown with NEW's spelling of its name. The signatures and\n"
        "the order of the entries are not compared.\n",
        "Each entry is read once, in pieces; entries of different sizes are not read\n"
        "(with --strings their first four bytes are, to tell string tables).\n\n" +
            NamesNote() + "\nExit status: 0 when equal, 1 when they differ, 2 on an error.\n",
        {{"diff patch-1.big patch-2.big", "Lists what changed between two releases."},
         {"diff --strings patch-1.big patch-2.big",
          "Also lists the changed labels of each changed string table."}},
        Run};
    return command;
}

}  // namespace cli
