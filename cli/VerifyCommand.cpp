// verify: reads whole archives and reports what is wrong or doubtful in them.
#include "archive/ArchiveCheck.h"
#include "cli/ArchiveAccess.h"
#include "cli/CommandParts.h"
#include "cli/ProgressBar.h"

namespace cli {

namespace {

std::string Summary(const ArchiveCheck::Report& report) {
    std::size_t wrong = 0;
    for (const ArchiveCheck::Finding& finding : report.findings)
        wrong += finding.severity == ArchiveCheck::Severity::Wrong;
    const std::size_t doubtful = report.findings.size() - wrong;
    std::string summary = std::to_string(report.entriesRead) + " entries read: ";
    if (report.findings.empty()) return summary + "nothing wrong.";
    return summary + std::to_string(wrong) + " wrong, " + std::to_string(doubtful) + " doubtful.";
}

ArchiveCheck::Report Check(const std::string& path, Io& io) {
    ProgressBar bar(io, "verifying", 0, platform::FileLength(path));
    return ArchiveCheck::CheckArchive(path, bar.Callback());
}

// Of several archives, one that cannot be read is a finding like any other, so that the others
// are still checked.
ArchiveCheck::Report CheckOneOfSeveral(const std::string& path, Io& io) {
    try {
        return Check(path, io);
    } catch (const platform::FileError& error) {
        ArchiveCheck::Report report;
        report.findings.push_back({ArchiveCheck::Severity::Wrong, error.what()});
        return report;
    }
}

int Run(const ParsedArgs& args, Io& io) {
    const std::vector<std::string>& paths = args.Positional();
    bool anyWrong = false;
    for (const std::string& path : paths) {
        if (paths.size() > 1) io.out << (&path == &paths.front() ? "" : "\n") << path << ":\n";
        const ArchiveCheck::Report report =
            paths.size() == 1 ? Check(path, io) : CheckOneOfSeveral(path, io);
        for (const ArchiveCheck::Finding& finding : report.findings)
            io.out << (finding.severity == ArchiveCheck::Severity::Wrong ? "wrong:    "
                                                                         : "doubtful: ")
                   << finding.message << "\n";
        io.out << Summary(report) << "\n";
        anyWrong = anyWrong || report.AnyWrong();
    }
    return anyWrong ? ExitFailure : ExitSuccess;
}

}  // namespace

const Command& VerifyCommand() {
    static const Command command{
        "verify",
        "read whole archives and report what is wrong",
        {"ARCHIVE..."},
        {{"ARCHIVE", ValueKind::Archive, false, true}},
        "the archive to verify",
        {},
        "Reads the directory and every entry's data, and prints one line for each problem:\n"
        "\"wrong\" for what makes an entry unreadable or unsafe (a directory or a name cut\n"
        "off by the end of the file, data past the end of the file or over the directory,\n"
        "data partly overlapping another entry's, a file that cannot be read), \"doubtful\"\n"
        "for what is allowed but likely a mistake (names that are empty, the same as another\n"
        "entry's, or that would not extract; entries sharing data). The header's archive\n"
        "size and header length fields and any bytes between the directory and the data\n"
        "are not checked: readers do not use them. Of several archives each gets a block\n"
        "headed by its name. The exit status is 0 when nothing is wrong.\n",
        "",
        {{"verify game.big", "Checks one archive."},
         {"verify *.big", "Checks every archive in the folder; exit status 1 if any is wrong."}},
        Run};
    return command;
}

}  // namespace cli
