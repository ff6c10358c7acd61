// mount: an archive as a read-only folder, served through FUSE. Built where libfuse3 is found.
#ifdef VANTOR_HAVE_FUSE

#include "cli/MountCommand.h"

#include "archive/MountView.h"
#include "cli/ArchiveAccess.h"
#include "cli/Options.h"
#include "platform/Console.h"
#include "platform/FuseMount.h"

namespace cli {

const char* const MountSummary = "show an archive as a read-only folder (FUSE)";
const char* const MountHelp =
    "Usage: vantor-cli mount [-f] ARCHIVE DIR\n\n"
    "Shows the entries of ARCHIVE as files under the folder DIR, which must exist, until\n"
    "\"fusermount3 -u DIR\" (or SIGTERM, or Ctrl-C with -f) unmounts it. Files and folders are\n"
    "named as extract names them; entries extract refuses, entries whose names differ from an\n"
    "earlier one only in letter case, and a file where an earlier entry needs a folder (or the\n"
    "other way round) are left out with a warning. Every file has the archive's time.\n\n"
    "When ARCHIVE changes while mounted, reading its files fails with an input/output error\n"
    "from then on, and one line says so on standard error (with -f) or in the system log.\n\n"
    "  -f, --foreground  stay in the foreground until unmounted; otherwise return once the\n"
    "                    folder answers\n";

int RunMount(const std::vector<std::string>& args, Io& io) {
    const ParsedArgs parsed = ParseOptions(args, {{"foreground", 'f', false}});
    parsed.ExpectPositional(2, 2, "the archive and the folder to mount it at");
    const std::string& archivePath = parsed.Positional()[0];
    const platform::MountSettings settings{parsed.Positional()[1], parsed.Has("foreground")};
    platform::ArchiveSource source(archivePath);
    std::vector<std::string> warnings;
    const VTR_CORE::MountView view(OpenArchive(archivePath).Entries, platform::WindowsFileNames,
                                   warnings);
    if (!source.Unchanged())
        throw platform::FileError(Quoted(archivePath) + " changed while it was being read.");
    platform::CheckMountPoint(settings.folder);
    for (const std::string& warning : warnings) Warn(io, warning);
    return platform::ServeMount(view, source, settings, io.err);
}

}  // namespace cli

#endif
