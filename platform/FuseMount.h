// An archive served as a read-only folder through FUSE (Linux). The folder tree comes from a
// MountView; file bytes are read from the archive file, opened once, exactly where a request
// asks. The archive's change stamp is compared at every open and read: once the file at the
// archive's path is not the one mounted, opens and reads fail with EIO.
#pragma once

#include <ostream>
#include <string>

#include "archive/MountView.h"
#include "platform/FuseSource.h"

namespace platform {

struct MountSettings {
    std::string folder;
    bool foreground = false;
};

// Mounts `view` at the settings' folder and serves it until it is unmounted (fusermount3 -u,
// SIGTERM, SIGINT or SIGHUP). In the foreground this returns when the mount has ended, and a
// change of the archive is reported on `err`. Otherwise the process forks: this returns in the
// parent once the folder answers, while the child serves with its output gone to /dev/null and
// reports to the system log, never returning. Failures to mount throw FileError with one line;
// the return value is the exit status.
int ServeMount(const VTR_CORE::MountView& view, ArchiveSource& source,
               const MountSettings& settings, std::ostream& err);

}  // namespace platform
