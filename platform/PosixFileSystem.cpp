// The real file system on POSIX systems: descriptors with positioned reads and gathered writes.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/FileSystem.h"

namespace platform {

namespace {

[[noreturn]] void ThrowSystemError(const std::string& what, const std::string& path, int error) {
    throw FileError(what + " " + Quoted(path) + ": " + std::strerror(error));
}

class PosixReadable : public ReadableFile {
public:
    PosixReadable(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~PosixReadable() override { ::close(fd_); }
    PosixReadable(const PosixReadable&) = delete;
    PosixReadable& operator=(const PosixReadable&) = delete;

    std::int64_t Length() override {
        struct stat info {};
        if (::fstat(fd_, &info) != 0) ThrowSystemError("Cannot get the length of", path_, errno);
        return info.st_size;
    }

    FileStamp Stamp() override {
        struct stat info {};
        if (::fstat(fd_, &info) != 0) ThrowSystemError("Cannot examine", path_, errno);
        const auto nanoseconds = [](const auto& time) {
            return std::int64_t{time.tv_sec} * 1000000000 + time.tv_nsec;
        };
        return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                info.st_size, nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
    }

    std::string Shown() const override { return Quoted(path_); }

    std::size_t ReadSome(std::int64_t offset, char* out, std::size_t count) override {
        if (offset < 0)
            throw FileError("Cannot read at the negative offset " + std::to_string(offset) +
                            " of " + Quoted(path_));
        std::size_t done = 0;
        while (done < count) {
            const ssize_t got = ::pread(fd_, out + done, count - done,
                                        static_cast<off_t>(offset + std::int64_t(done)));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) ThrowSystemError("Cannot read from", path_, errno);
            if (got == 0) break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

private:
    int fd_;
    std::string path_;
};

class PosixWritable : public WritableFile {
public:
    PosixWritable(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~PosixWritable() override {
        if (fd_ >= 0) ::close(fd_);
    }
    PosixWritable(const PosixWritable&) = delete;
    PosixWritable& operator=(const PosixWritable&) = delete;

    void Write(const std::vector<std::string_view>& parts) override {
        std::vector<iovec> pending;
        pending.reserve(parts.size());
        for (const std::string_view part : parts)
            if (!part.empty()) pending.push_back({const_cast<char*>(part.data()), part.size()});
        std::size_t first = 0;
        while (first < pending.size()) {
            const int batch =
                static_cast<int>(std::min<std::size_t>(IOV_MAX, pending.size() - first));
            ssize_t written = ::writev(fd_, &pending[first], batch);
            if (written < 0 && errno == EINTR) continue;
            if (written < 0) ThrowSystemError("Cannot write to", path_, errno);
            // A partial write: skip what went out, trim the part it stopped in.
            while (written > 0 && std::size_t(written) >= pending[first].iov_len)
                written -= static_cast<ssize_t>(pending[first++].iov_len);
            if (written > 0) {
                pending[first].iov_base = static_cast<char*>(pending[first].iov_base) + written;
                pending[first].iov_len -= static_cast<std::size_t>(written);
            }
        }
    }

    void Flush() override {
        if (::fsync(fd_) != 0) ThrowSystemError("Cannot flush", path_, errno);
    }

    void Close() override {
        const int fd = fd_;
        fd_ = -1;  // a failed close must not be retried
        if (fd >= 0 && ::close(fd) != 0) ThrowSystemError("Cannot close", path_, errno);
    }

private:
    int fd_;
    std::string path_;
};

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The mode the new file should end with: that of the file it replaces, else the usual one.
mode_t ModeFor(const std::string& targetPath) {
    struct stat info {};
    if (::stat(targetPath.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

class PosixFileSystem : public FileSystem {
public:
    PathKind Kind(const std::string& path) override {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0)
            return errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::Other;
        if (S_ISREG(info.st_mode)) return PathKind::RegularFile;
        if (S_ISDIR(info.st_mode)) return PathKind::Directory;
        return PathKind::Other;
    }

    std::unique_ptr<ReadableFile> OpenRead(const std::string& path) override {
        // Non-blocking so that a named pipe cannot hang the open; regular files ignore it.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) ThrowSystemError("Cannot open", path, errno);
        auto file = std::make_unique<PosixReadable>(fd, path);
        struct stat info {};
        if (::fstat(fd, &info) != 0) ThrowSystemError("Cannot open", path, errno);
        if (S_ISDIR(info.st_mode))
            throw FileError("Cannot open " + Quoted(path) + ": it is a folder, not a file");
        if (!S_ISREG(info.st_mode))
            throw FileError("Cannot open " + Quoted(path) + ": it is not a regular file");
        return file;
    }

    std::unique_ptr<WritableFile> CreateTempBeside(const std::string& targetPath,
                                                   std::string& tempPath) override {
        std::string pattern =
            FolderOf(targetPath) + "/" + TempNamePrefix(NameOf(targetPath)) + "XXXXXX";
        const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0) ThrowSystemError("Cannot create a temporary file beside", targetPath, errno);
        tempPath = pattern;
        // mkostemp makes the file private; the result should look like any other saved file.
        // Some file systems refuse modes; the file is still usable then.
        (void)::fchmod(fd, ModeFor(targetPath));
        return std::make_unique<PosixWritable>(fd, pattern);
    }

    void Rename(const std::string& from, const std::string& to, bool durable) override {
        if (::rename(from.c_str(), to.c_str()) != 0)
            ThrowSystemError("Cannot replace " + Quoted(to) + " with", from, errno);
        if (durable) SyncFolder(FolderOf(to));
    }

    void Remove(const std::string& path) override {
        if (::unlink(path.c_str()) != 0) ThrowSystemError("Cannot delete", path, errno);
    }

    std::string WriteTarget(const std::string& path) override {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        // A dangling link still names the file to create: follow it link by link.
        std::string target = path;
        for (int hops = 0; hops < 40; ++hops) {
            if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
            std::string link(PATH_MAX, '\0');
            const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
            if (length < 0) ThrowSystemError("Cannot follow the link", target, errno);
            link.resize(static_cast<std::size_t>(length));
            target = link.starts_with('/') ? link : FolderOf(target) + "/" + link;
        }
        ThrowSystemError("Cannot follow the link", path, ELOOP);
    }

    void CreateFolder(const std::string& path) override {
        if (::mkdir(path.c_str(), 0777) == 0) return;
        const int error = errno;
        if (error == EEXIST && Kind(path) == PathKind::Directory) return;
        if (error == EEXIST)
            throw FileError("Cannot create the folder " + Quoted(path) +
                            ": a file of that name is in the way");
        ThrowSystemError("Cannot create the folder", path, error);
    }

    std::vector<FolderItem> ListFolder(const std::string& path) override {
        DIR* folder = ::opendir(path.c_str());
        if (folder == nullptr) ThrowSystemError("Cannot list the folder", path, errno);
        std::vector<FolderItem> items;
        errno = 0;
        while (const dirent* item = ::readdir(folder)) {
            const std::string name = item->d_name;
            if (name != "." && name != "..") items.push_back({name, Kind(path + "/" + name)});
            errno = 0;
        }
        const int error = errno;
        ::closedir(folder);
        if (error != 0) ThrowSystemError("Cannot list the folder", path, error);
        return items;
    }

    std::unique_ptr<FileLock> TryLock(const std::string& lockPath) override {
        int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        // A lock file made by another user may be read-only to this one; flock needs no write.
        if (fd < 0 && errno == EACCES) fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) ThrowSystemError("Cannot open the lock file", lockPath, errno);
        auto lock = std::make_unique<PosixLock>(fd);
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR) continue;
            if (errno == EWOULDBLOCK) return nullptr;
            ThrowSystemError("Cannot lock", lockPath, errno);
        }
        return lock;
    }

private:
    // Closing the descriptor releases the lock.
    class PosixLock : public FileLock {
    public:
        explicit PosixLock(int fd) : fd_(fd) {}
        ~PosixLock() override { ::close(fd_); }
        PosixLock(const PosixLock&) = delete;
        PosixLock& operator=(const PosixLock&) = delete;

    private:
        int fd_;
    };

    // Makes a rename in `folder` survive a power loss. Some file systems cannot sync a folder;
    // the rename itself has succeeded then, so that is not a failure.
    static void SyncFolder(const std::string& folder) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return;
        (void)::fsync(fd);
        ::close(fd);
    }
};

}  // namespace

FileSystem& RealFiles() {
    static PosixFileSystem real;
    return real;
}

std::string MakeByteBuffer(std::size_t size) {
    constexpr std::size_t HugePage = 2 * 1024 * 1024;
    constexpr std::size_t Page = 4096;
    constexpr std::size_t PopulateFrom = 256 * 1024;
    constexpr int PopulateWrite = 23;  // MADV_POPULATE_WRITE, which older headers lack
    std::string bytes;
    if (size >= 2 * HugePage) {
        bytes.reserve(size);
        const auto start = reinterpret_cast<std::uintptr_t>(bytes.data());
        const std::uintptr_t alignedStart = (start + HugePage - 1) & ~(HugePage - 1);
        const std::uintptr_t alignedEnd = (start + size) & ~(HugePage - 1);
        if (alignedEnd > alignedStart)  // only a hint: without huge pages nothing changes
            ::madvise(reinterpret_cast<void*>(alignedStart), alignedEnd - alignedStart,
                      MADV_HUGEPAGE);
    }
    if (size >= PopulateFrom) {
        bytes.reserve(size);
        const auto start = reinterpret_cast<std::uintptr_t>(bytes.data());
        const std::uintptr_t alignedStart = (start + Page - 1) & ~(Page - 1);
        const std::uintptr_t alignedEnd = (start + size) & ~(Page - 1);
        // One call maps the pages instead of one fault per page; kernels before 5.14 refuse it.
        if (alignedEnd > alignedStart)
            ::madvise(reinterpret_cast<void*>(alignedStart), alignedEnd - alignedStart,
                      PopulateWrite);
    }
    bytes.resize(size);
    return bytes;
}

}  // namespace platform
