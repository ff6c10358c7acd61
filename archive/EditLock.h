// The lock that keeps edits of one archive from overwriting each other. Every program that
// rewrites an existing archive holds it from before its first read to after its final rename.
// It is a lock file beside the archive, not the archive itself: an edit replaces the archive by
// renaming a new file over it, and a writer waiting on the old file would then hold a file that
// is no longer the archive.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/FileSystem.h"

namespace VTR_CORE {

// The lock file of the archive at `archivePath`: "NAME.lock" beside the archive, or beside the
// final target of a symbolic link at that path.
std::string LockFilePath(const std::string& archivePath);

class EditLock {
public:
    // Takes the archive's lock, waiting up to `wait` and calling `whileWaiting` between tries.
    // Throws VTR_STR::ArchiveBusy when another program held it all that time, and
    // platform::FileError when the lock file cannot be made. Once held, removes the temporary
    // files that an earlier, killed write of the archive left beside it.
    EditLock(const std::string& archivePath, std::chrono::milliseconds wait,
             const std::function<void()>& whileWaiting = {});

private:
    std::unique_ptr<platform::FileLock> lock_;
};

// The message of an edit that cannot go on because another program changes the archive.
std::string BusyMessage(const std::string& archivePath);

}  // namespace VTR_CORE
