// mount: an archive as a read-only folder, served through FUSE. Built where libfuse3 is found
// (Linux); the command table lists it only then.
#ifdef VANTOR_HAVE_FUSE

#include "archive/MountView.h"
#include "cli/ArchiveAccess.h"
#include "cli/Command.h"
#include "platform/Console.h"
#include "platform/FuseMount.h"

namespace cli {

namespace {

int Run(const ParsedArgs& args, Io& io) {
    const std::string& archivePath = args.Positional()[0];
    const platform::MountSettings settings{args.Positional()[1], args.Has("foreground")};
    platform::ArchiveSource source(archivePath);
    std::vector<std::string> warnings;
    const VTR_CORE::MountView view(OpenArchive(archivePath).Entries, platform::WindowsFileNames,
                                   warnings);
    if (!source.Unchanged())
        throw platform::FileError(platform::Quoted(archivePath) +
                                  " changed while it was being read.");
    platform::CheckMountPoint(settings.folder);
    for (const std::string& warning : warnings) Warn(io, warning);
    return platform::ServeMount(view, source, settings, io.err);
}

}  // namespace

const Command& MountCommand() {
    static const Command command{
        "mount",
        "show an archive as a read-only folder (FUSE)",
        {"ARCHIVE DIR [-f]"},
        {{"ARCHIVE", ValueKind::Archive}, {"DIR", ValueKind::Folder}},
        "the archive and the folder to mount it at",
        {{"foreground", 'f', "",
          "stay in the foreground until unmounted; otherwise return\n"
          "once the folder answers"}},
        "Shows the entries of ARCHIVE as files under the folder DIR, which must exist,\n"
        "until \"fusermount3 -u DIR\", SIGTERM or (with -f) Ctrl-C unmounts it. Files and\n"
        "folders are named as extract names them, and have the archive's time. Left out,\n"
        "each with a warning: entries extract refuses, entries whose names differ from an\n"
        "earlier one only in letter case, and a file where an earlier entry needs a folder\n"
        "of that name (or the other way round).\n",
        "When ARCHIVE changes while it is mounted, opening and reading its files fail with\n"
        "an input/output error from then on, and one line says so: on standard error with\n"
        "-f, in the system log otherwise. A mount that cannot start (DIR missing, not a\n"
        "folder or already a mount point, no /dev/fuse) is one line and exit status 1.\n",
        {{"mount game.big game", "Shows game.big as the folder game until it is unmounted."},
         {"mount -f game.big game", "The same, until Ctrl-C."}},
        Run};
    return command;
}

}  // namespace cli

#endif
