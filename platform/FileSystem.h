// The file seam: every byte the engines read from or write to disk passes through here,
// so tests can install a double that fails any chosen operation.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Thrown for every failed file operation; the message names the file and the system's reason.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class PathKind { Missing, RegularFile, Directory, Other };

// One item of a folder listing: its name (UTF-8) and what it is; links are followed.
struct FolderItem {
    std::string name;
    PathKind kind = PathKind::Other;
};

// What identifies one version of a file: replacing or rewriting it changes at least one field.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// An open file for positioned reads. Offsets are 0-based.
class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    virtual std::int64_t Length() = 0;
    virtual FileStamp Stamp() = 0;
    // Reads up to `count` bytes at `offset`; returns how many were read (fewer only at the end).
    virtual std::size_t ReadSome(std::int64_t offset, char* out, std::size_t count) = 0;
    // The file as messages name it.
    virtual std::string Shown() const = 0;
    // Reads exactly `count` bytes at `offset` into `out`; a short read throws FileError.
    void ReadAt(std::int64_t offset, char* out, std::size_t count);
};

// An exclusive lock on a lock file, held until it is destroyed.
class FileLock {
public:
    virtual ~FileLock() = default;
};

// A new file being written from its first byte.
class WritableFile {
public:
    virtual ~WritableFile() = default;
    // Appends all parts in order (a gathered write where the system has one).
    virtual void Write(const std::vector<std::string_view>& parts) = 0;
    // Pushes the written bytes to the disk.
    virtual void Flush() = 0;
    virtual void Close() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual PathKind Kind(const std::string& path) = 0;
    virtual std::unique_ptr<ReadableFile> OpenRead(const std::string& path) = 0;
    // Creates a new, empty file with a unique name in the folder of `targetPath`;
    // `tempPath` receives its name.
    virtual std::unique_ptr<WritableFile> CreateTempBeside(const std::string& targetPath,
                                                           std::string& tempPath) = 0;
    // Replaces `to` with `from` in one step. With `durable`, the new name is on the disk when
    // this returns (the folder is synced, or the move is written through).
    virtual void Rename(const std::string& from, const std::string& to, bool durable) = 0;
    virtual void Remove(const std::string& path) = 0;
    // The file that writing to `path` must replace: a symbolic link's final target, else `path`.
    virtual std::string WriteTarget(const std::string& path) = 0;
    // Creates one folder; an existing folder is fine.
    virtual void CreateFolder(const std::string& path) = 0;
    // The items of a folder, without "." and "..", in no particular order.
    virtual std::vector<FolderItem> ListFolder(const std::string& path) = 0;
    // Takes an exclusive lock on the file at `lockPath`, which is created when missing and never
    // deleted, without waiting: nullptr when another holder has it. Every process that locks the
    // same file this way waits for the others (flock on POSIX, LockFileEx on Windows).
    virtual std::unique_ptr<FileLock> TryLock(const std::string& lockPath) = 0;
};

// The file system in use: the real one unless a test installed another.
FileSystem& Files();
// Installs `fs` (not owned); nullptr goes back to the real file system.
void SetFiles(FileSystem* fs);
// The real file system, for doubles that wrap it.
FileSystem& RealFiles();

// A file or entry name as messages show it: in double quotes.
std::string Quoted(std::string_view name);

// A buffer of `size` bytes for file contents. Large buffers are backed by huge pages where the
// system offers them: filling fresh memory page by page costs as much as reading it.
std::string MakeByteBuffer(std::size_t size);

// Convenience operations built on Files().
bool FileExists(const std::string& path);
std::int64_t FileLength(const std::string& path);
// Reads `count` bytes from 1-based position `position`.
std::string ReadBytesAt(const std::string& path, std::int64_t position, std::size_t count);
std::string ReadWholeFile(const std::string& path);
void DeleteFile(const std::string& path);
// Writes `parts` to a temporary file beside `path`, flushes it and renames it over `path`.
// On any failure the temporary file is removed and `path` is left as it was. A symbolic link at
// `path` stays: the file it points to is replaced.
void WriteFileAtomic(const std::string& path, const std::vector<std::string_view>& parts);

// Takes the lock of `lockPath` (FileSystem::TryLock), trying again until `wait` has passed and
// calling `whileWaiting` between tries; nullptr when another holder kept it all that time.
std::unique_ptr<FileLock> LockWithin(const std::string& lockPath, std::chrono::milliseconds wait,
                                     const std::function<void()>& whileWaiting = {});

// Temporary files beside a target are named "." + the target's file name (cut to 200 bytes) +
// ".vantor-" + six characters; this gives the part before the six characters.
std::string TempNamePrefix(const std::string& targetFileName);
// Removes the temporary files that writes of `targetPath` left when their program was killed.
// Only the caller's lock on the target makes this safe; failures to remove are ignored.
void RemoveLeftoverTemps(const std::string& targetPath);
// True when writing to `a` and writing to `b` replace the same file.
bool SameTarget(const std::string& a, const std::string& b);

// A file written in pieces that appears at its path only when committed: until then the bytes
// go to a temporary file beside it, which is removed if the writer is destroyed uncommitted.
class AtomicFile {
public:
    explicit AtomicFile(const std::string& path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void Write(const std::vector<std::string_view>& parts);
    // Renames the temporary file over the target. With `durable` the bytes and the new name are
    // flushed to the disk first; without it the file is still complete or absent after a crash
    // of the program, but not necessarily after a power loss. `beforeRename` runs last before the
    // rename; when it throws, nothing is renamed and the temporary file is removed.
    void Commit(bool durable = true, const std::function<void()>& beforeRename = {});
    const std::string& Target() const { return target_; }

private:
    void Discard() noexcept;
    std::string target_;
    std::string tempPath_;
    std::unique_ptr<WritableFile> file_;
    bool committed_ = false;
};

}  // namespace platform
