#include "platform/FuseSource.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

namespace platform {

namespace {

FileStamp StampOf(const struct stat& info) {
    const auto nanoseconds = [](const timespec& time) {
        return std::int64_t{time.tv_sec} * 1000000000 + time.tv_nsec;
    };
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            info.st_size, nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

std::string Absolute(const std::string& path) {
    if (path.starts_with("/")) return path;
    char* folder = ::getcwd(nullptr, 0);
    if (!folder) throw FileError("Cannot tell the current folder: " + std::string(strerror(errno)));
    const std::string absolute = std::string(folder) + "/" + path;
    std::free(folder);
    return absolute;
}

std::string FolderOf(const std::string& absolutePath) {
    const std::size_t slash = absolutePath.find_last_of('/');
    return slash == 0 ? "/" : absolutePath.substr(0, slash);
}

// A field of /proc/self/mountinfo with its octal escapes ("\040" for a space) undone.
std::string Unescaped(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            text += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// True when a file system is mounted at `folder`: its device differs from its parent's, it is
// the root, or the system's mount table lists it (a bind mount keeps the device).
bool IsMountPoint(const std::string& folder, const struct stat& info) {
    struct stat parent {};
    if (::stat((folder + "/..").c_str(), &parent) == 0 &&
        (parent.st_dev != info.st_dev || parent.st_ino == info.st_ino))
        return true;
    char* resolved = ::realpath(folder.c_str(), nullptr);
    if (!resolved) return false;
    const std::string target = resolved;
    std::free(resolved);
    std::ifstream table("/proc/self/mountinfo");
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string id, parentId, device, root, mountPoint;
        if (fields >> id >> parentId >> device >> root >> mountPoint &&
            Unescaped(mountPoint) == target)
            return true;
    }
    return false;
}

}  // namespace

ArchiveSource::ArchiveSource(const std::string& path)
    : file_(Files().OpenRead(path)), stamp_(file_->Stamp()) {
    path_ = Absolute(path);  // after opening, so that a failure names the path as given
}

bool ArchiveSource::Unchanged() {
    if (changed_.load(std::memory_order_relaxed)) return false;
    struct stat info {};
    if (::stat(path_.c_str(), &info) == 0 && StampOf(info) == stamp_) return true;
    changed_.store(true);
    return false;
}

std::size_t ArchiveSource::ReadSome(std::int64_t offset, char* out, std::size_t count) {
    return file_->ReadSome(offset, out, count);
}

void CheckMountPoint(const std::string& folder) {
    struct stat info {};
    if (::stat("/dev/fuse", &info) != 0)
        throw FileError("Cannot mount: there is no /dev/fuse, so this system offers no FUSE.");
    const std::string place = "Cannot mount at " + Quoted(folder) + ": ";
    if (::stat(folder.c_str(), &info) != 0)
        throw FileError(place + (errno == ENOENT ? "it does not exist." : strerror(errno)));
    if (!S_ISDIR(info.st_mode)) throw FileError(place + "it is not a folder.");
    if (IsMountPoint(folder, info)) throw FileError(place + "it is already a mount point.");
}

void MountWatch::Start(const std::string& archivePath, std::function<void()> onChange) {
    onChange_ = std::move(onChange);
    events_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (events_ < 0 || wake_ < 0) throw FileError("Cannot watch " + Quoted(archivePath));
    // Written in place, touched or removed: events on the file itself. Replaced by a rename or
    // made anew: events on its folder.
    ::inotify_add_watch(events_, archivePath.c_str(),
                        IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVE_SELF | IN_DELETE_SELF);
    ::inotify_add_watch(events_, FolderOf(archivePath).c_str(),
                        IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR);
    thread_ = std::thread([this] { Run(); });
}

void MountWatch::Poke() {
    if (wake_ < 0) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
}

void MountWatch::Stop() {
    if (thread_.joinable()) {
        stopping_ = true;
        Poke();
        thread_.join();
    }
    for (int* fd : {&events_, &wake_})
        if (*fd >= 0) ::close(std::exchange(*fd, -1));
}

void MountWatch::Run() {
    pollfd waits[] = {{events_, POLLIN, 0}, {wake_, POLLIN, 0}};
    alignas(inotify_event) char drained[4096];
    while (!stopping_) {
        if (::poll(waits, 2, -1) < 0 && errno != EINTR) return;
        while (::read(events_, drained, sizeof drained) > 0) {
        }
        while (::read(wake_, drained, sizeof(std::uint64_t)) > 0) {
        }
        if (!stopping_) onChange_();
    }
}

}  // namespace platform
