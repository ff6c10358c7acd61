// What a mounted archive needs from Linux besides FUSE itself: the archive file with the stamp it
// was mounted with, a watch that notices at once when it changes, and the checks of the folder a
// mount goes to.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/FileSystem.h"

namespace platform {

// The archive file the mount reads from, opened once, with the stamp it had when opened.
class ArchiveSource {
public:
    // Opens the archive; throws FileError naming it when it cannot be read.
    explicit ArchiveSource(const std::string& path);

    // The archive's path, made absolute: a mount in the background leaves the current folder.
    const std::string& Path() const { return path_; }
    const FileStamp& Stamp() const { return stamp_; }
    // False once the file at the path is another than the one opened, or was written, touched
    // or removed since; it stays false from then on. Safe to call from any thread.
    bool Unchanged();
    // Reads up to `count` bytes at `offset` of the opened file; throws FileError.
    std::size_t ReadSome(std::int64_t offset, char* out, std::size_t count);

private:
    std::string path_;
    std::unique_ptr<ReadableFile> file_;
    FileStamp stamp_;
    std::atomic<bool> changed_{false};
};

// Throws FileError with one line when no mount can be made at `folder` here: FUSE is missing
// (no /dev/fuse), or the folder is missing, is not a folder or is already a mount point.
void CheckMountPoint(const std::string& folder);

// A thread that calls `onChange` whenever the archive file, or the folder holding it, reports a
// change (inotify), and whenever it is poked.
class MountWatch {
public:
    MountWatch() = default;
    ~MountWatch() { Stop(); }
    MountWatch(const MountWatch&) = delete;
    MountWatch& operator=(const MountWatch&) = delete;

    void Start(const std::string& archivePath, std::function<void()> onChange);
    // Makes the thread call `onChange` soon; does nothing before Start or after Stop.
    void Poke();
    void Stop();

private:
    void Run();

    std::function<void()> onChange_;
    int events_ = -1;  // the inotify descriptor
    int wake_ = -1;    // an eventfd for Poke and Stop
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace platform
