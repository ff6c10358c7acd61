// csf-diff: the labels two string tables do not share.
#include "cli/CommandParts.h"
#include "cli/TableAccess.h"
#include "stringtable/CsfCompare.h"

namespace cli {

namespace {

// Exit status 0 when the tables agree, 1 when they differ, 2 on any failure.
int Run(const ParsedArgs& args, Io& io) {
    try {
        const VTR_CSF::StrEncoding encoding = EncodingFrom(args);
        const LoadedTable before = LoadTable(args.Positional()[0], encoding, io);
        const LoadedTable after = LoadTable(args.Positional()[1], encoding, io);
        const auto changes = VTR_CSF::Diff(before.table, after.table);
        for (const VTR_CSF::LabelChange& change : changes)
            io.out << VTR_CSF::DiffLine(change, before.table, after.table) << "\n";
        return changes.empty() ? ExitSuccess : ExitFailure;
    } catch (const UsageError&) {
        throw;
    } catch (const std::exception& error) {
        Complain(io, error.what());
        return ExitUsage;
    }
}

}  // namespace

const Command& CsfDiffCommand() {
    static const Command command{
        "csf-diff",
        "list the labels two string tables do not share",
        {"OLD NEW [--encoding E]"},
        {{"OLD", ValueKind::File}, {"NEW", ValueKind::File}},
        "OLD and NEW",
        {EncodingOption()},
        "OLD and NEW are CSF tables or text sources. Prints a line per label only\n"
        "in OLD (\"- NAME = value\"), only in NEW (\"+ NAME = value\"), and per label\n"
        "whose value or extra changed (\"~ NAME = old -> new\"). Labels pair by name\n"
        "without regard to letter case, the n-th of a repeated name with the n-th.\n",
        "Exit status: 0 when equal, 1 when they differ, 2 on an error.\n",
        {{"csf-diff german.str german-new.str", "Shows what changed between two versions."}},
        Run};
    return command;
}

}  // namespace cli
