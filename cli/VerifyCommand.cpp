// verify: reads a whole archive and reports what is wrong or doubtful in it.
#include "archive/ArchiveCheck.h"
#include "cli/ArchiveAccess.h"
#include "cli/ArchiveCommands.h"
#include "cli/Options.h"
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

}  // namespace

int RunVerify(const std::vector<std::string>& args, Io& io) {
    const ParsedArgs parsed = ParseOptions(args, {});
    parsed.ExpectPositional(1, 1, "the archive to verify");
    const std::string& path = parsed.Positional()[0];
    ArchiveCheck::Report report;
    {
        ProgressBar bar(io, "verifying", 0, platform::FileLength(path));
        report = ArchiveCheck::CheckArchive(path, bar.Callback());
    }
    for (const ArchiveCheck::Finding& finding : report.findings)
        io.out << (finding.severity == ArchiveCheck::Severity::Wrong ? "wrong:    " : "doubtful: ")
               << finding.message << "\n";
    io.out << Summary(report) << "\n";
    return report.AnyWrong() ? ExitFailure : ExitSuccess;
}

}  // namespace cli
