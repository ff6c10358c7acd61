// list: the entries of an archive with their sizes, without reading their data.
#include "archive/EntryPath.h"
#include "cli/ArchiveAccess.h"
#include "cli/CommandParts.h"
#include "cli/JsonText.h"

namespace cli {

namespace {

std::int64_t DataOffset(const VTR_CORE::ArchiveEntry& entry) { return entry.Position - 1; }

// "  SIZE  NAME" or, long, "  SIZE  OFFSET  NAME": the name last, as it may hold spaces.
std::string TextListing(const VTR_CORE::BigArchive& archive, bool withOffsets) {
    std::string text;
    text.reserve(archive.Entries.size() * 48);
    for (const VTR_CORE::ArchiveEntry& entry : archive.Entries) {
        AppendNumber(text, entry.Size, 10);
        text += "  ";
        if (withOffsets) {
            AppendNumber(text, DataOffset(entry), 10);
            text += "  ";
        }
        text += EntryPath::NameToUtf8(entry.Name);
        text += '\n';
    }
    return text;
}

std::string JsonListing(const VTR_CORE::BigArchive& archive) {
    std::string text = "[";
    text.reserve(archive.Entries.size() * 64);
    for (const VTR_CORE::ArchiveEntry& entry : archive.Entries) {
        text += &entry == &archive.Entries.front() ? "\n  {\"name\": " : ",\n  {\"name\": ";
        AppendJsonString(text, EntryPath::NameToUtf8(entry.Name));
        text += ", \"size\": ";
        AppendNumber(text, entry.Size);
        text += ", \"offset\": ";
        AppendNumber(text, DataOffset(entry));
        text += '}';
    }
    text += archive.Entries.empty() ? "]\n" : "\n]\n";
    return text;
}

int Run(const ParsedArgs& args, Io& io) {
    const VTR_CORE::BigArchive archive = OpenArchive(args.Positional()[0]);
    io.out << (args.Has("json") ? JsonListing(archive) : TextListing(archive, args.Has("long")));
    return ExitSuccess;
}

}  // namespace

const Command& ListCommand() {
    static const Command command{
        "list",
        "list the entries of an archive with their sizes",
        {"[--long] [--json] ARCHIVE"},
        {{"ARCHIVE", ValueKind::Archive}},
        "the archive to list",
        {{"long", 'l', "",
          "also print the offset of the entry's data in the archive,\n"
          "between the size and the name"},
         {"json", 0, "",
          "print a JSON array of objects with \"name\", \"size\" and\n"
          "\"offset\" instead"}},
        "Prints one line per entry, in directory order: its size in bytes, then its\n"
        "name.\n",
        NamesNote(),
        {{"list --long game.big", "Lists size, data offset and name of each entry."},
         {"list --json game.big > entries.json", "Writes the listing as JSON."}},
        Run};
    return command;
}

}  // namespace cli
