// The real file system on Windows: handles with reads at offsets, writes gathered into large
// pieces, and moves that replace the target and are written through to the disk.
// Paths are UTF-8 here and UTF-16 at the system (see WindowsPath.h).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/WindowsPath.h"

namespace platform {

namespace {

using windows::ApiPath;
using windows::Narrow;

// The reason for `error` as the user should read it.
std::string Reason(DWORD error) {
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        return "it is in use by another program";
    return windows::SystemMessage(error);
}

[[noreturn]] void ThrowSystemError(const std::string& what, const std::string& path, DWORD error) {
    throw FileError(what + " " + Quoted(path) + ": " + Reason(error));
}

// Closes a handle when it goes out of scope.
class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Closes it now; false when the system reports a failure.
    bool Close() {
        const HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
        return handle == INVALID_HANDLE_VALUE || CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Windows counts time in 100 ns steps since 1601; the stamps count nanoseconds since 1970.
std::int64_t Nanoseconds(std::int64_t windowsTime) {
    constexpr std::int64_t k1601To1970 = 116444736000000000;
    return (windowsTime - k1601To1970) * 100;
}

std::int64_t Nanoseconds(const FILETIME& time) {
    return Nanoseconds(std::int64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime);
}

class WindowsReadable : public ReadableFile {
public:
    WindowsReadable(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}

    std::int64_t Length() override {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(handle_.get(), &size))
            ThrowSystemError("Cannot get the length of", path_, GetLastError());
        return size.QuadPart;
    }

    FileStamp Stamp() override {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(handle_.get(), &info))
            ThrowSystemError("Cannot examine", path_, GetLastError());
        // The change time moves with every change of contents or attributes, as ctime does.
        FILE_BASIC_INFO basic{};
        const std::int64_t changed =
            GetFileInformationByHandleEx(handle_.get(), FileBasicInfo, &basic, sizeof basic)
                ? Nanoseconds(basic.ChangeTime.QuadPart)
                : Nanoseconds(info.ftLastWriteTime);
        return {info.dwVolumeSerialNumber,
                std::uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow,
                std::int64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow,
                Nanoseconds(info.ftLastWriteTime), changed};
    }

    std::string Shown() const override { return Quoted(path_); }

    std::size_t ReadSome(std::int64_t offset, char* out, std::size_t count) override {
        if (offset < 0)
            throw FileError("Cannot read at the negative offset " + std::to_string(offset) +
                            " of " + Quoted(path_));
        const std::uint64_t at = static_cast<std::uint64_t>(offset);
        // A system call costs more here than on other systems (much more under Wine), and
        // reading an archive's entries one by one makes one call per entry. Small reads that go
        // on forward from the last one are served from a buffer filled a window at a time.
        const bool small = count <= kWindow / 8;
        const bool onward = at >= lastEnd_ && at - lastEnd_ < kWindow;
        if (small && !InWindow(at, count) && onward) {
            window_.resize(kWindow);
            windowStart_ = at;
            try {
                window_.resize(ReadDirect(at, window_.data(), kWindow));
            } catch (...) {
                window_.clear();  // nothing of a failed read may be served later
                throw;
            }
        }
        std::size_t done = 0;
        if (small && InWindow(at, 1)) {
            done = std::min<std::size_t>(count, windowStart_ + window_.size() - at);
            std::memcpy(out, window_.data() + (at - windowStart_), done);
        }
        if (done < count && !(small && InWindow(at, 1) && window_.size() < kWindow))
            done += ReadDirect(at + done, out + done, count - done);
        lastEnd_ = at + done;
        return done;
    }

private:
    static constexpr std::size_t kWindow = 256 * 1024;

    bool InWindow(std::uint64_t at, std::size_t count) const {
        return at >= windowStart_ && at - windowStart_ + count <= window_.size();
    }

    std::size_t ReadDirect(std::uint64_t at, char* out, std::size_t count) {
        std::size_t done = 0;
        while (done < count) {
            OVERLAPPED where{};
            where.Offset = static_cast<DWORD>(at + done);
            where.OffsetHigh = static_cast<DWORD>((at + done) >> 32);
            const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(handle_.get(), out + done, piece, &got, &where)) {
                const DWORD error = GetLastError();
                if (error == ERROR_HANDLE_EOF) break;
                ThrowSystemError("Cannot read from", path_, error);
            }
            if (got == 0) break;
            done += got;
        }
        return done;
    }

    Handle handle_;
    std::string path_;
    std::string window_;
    std::uint64_t windowStart_ = 0;
    std::uint64_t lastEnd_ = 0;
};

class WindowsWritable : public WritableFile {
public:
    WindowsWritable(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}

    // Windows has no gathered write for ordinary files; small parts are collected into one
    // buffer so that a directory of many short records still goes out in large writes.
    void Write(const std::vector<std::string_view>& parts) override {
        for (const std::string_view part : parts) {
            if (part.size() >= kPiece) {
                Send();
                Put(part);
                continue;
            }
            if (pending_.size() + part.size() > kPiece) Send();
            pending_.append(part);
        }
        Send();
    }

    void Flush() override {
        if (!FlushFileBuffers(handle_.get()))
            ThrowSystemError("Cannot flush", path_, GetLastError());
    }

    void Close() override {
        if (!handle_.Close()) ThrowSystemError("Cannot close", path_, GetLastError());
    }

private:
    static constexpr std::size_t kPiece = 1 << 20;

    void Send() {
        if (pending_.empty()) return;
        Put(pending_);
        pending_.clear();
    }

    void Put(std::string_view bytes) {
        while (!bytes.empty()) {
            const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
            DWORD written = 0;
            if (!WriteFile(handle_.get(), bytes.data(), piece, &written, nullptr))
                ThrowSystemError("Cannot write to", path_, GetLastError());
            bytes.remove_prefix(written);
        }
    }

    Handle handle_;
    std::string path_;
    std::string pending_;
};

std::size_t LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

std::string FolderOf(const std::string& path) {
    const auto slash = LastSeparator(path);
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = LastSeparator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Six characters that make a temporary file's name unique with high probability.
std::string RandomSuffix() {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    std::mt19937 mix(seed ^ (GetCurrentProcessId() * 2654435761u) ^ counter++);
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix;
    for (int i = 0; i < 6; ++i) suffix += kLetters[mix() % (sizeof kLetters - 1)];
    return suffix;
}

DWORD Attributes(const std::string& path) { return GetFileAttributesW(ApiPath(path).c_str()); }

// The attributes the new file should get: the visible ones of the file it replaces.
DWORD AttributesFor(const std::string& targetPath) {
    const DWORD target = Attributes(targetPath);
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (target == INVALID_FILE_ATTRIBUTES || (target & FILE_ATTRIBUTE_DIRECTORY)) return 0;
    return target & kKept;
}

// Why `to` cannot be replaced when the system only says that access is denied.
std::string ReplaceRefusal(const std::string& to, DWORD error) {
    const DWORD attributes = Attributes(to);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return "it is read-only";
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "it is a folder";
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES) {
        // A program that opened the file without letting others delete it also blocks the move.
        Handle probe(CreateFileW(ApiPath(to).c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!probe.valid() && GetLastError() == ERROR_SHARING_VIOLATION)
            return Reason(ERROR_SHARING_VIOLATION);
    }
    return Reason(error);
}

PathKind KindOfAttributes(DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Directory;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return PathKind::Other;
    return PathKind::RegularFile;
}

class WindowsFileSystem : public FileSystem {
public:
    PathKind Kind(const std::string& path) override {
        const std::wstring wide = ApiPath(path);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                           error == ERROR_INVALID_NAME
                       ? PathKind::Missing
                       : PathKind::Other;
        }
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return KindOfAttributes(data.dwFileAttributes);
        // A link: what it leads to counts, as on other systems.
        Handle target(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION info{};
        if (!target.valid() || !GetFileInformationByHandle(target.get(), &info))
            return PathKind::Missing;
        return KindOfAttributes(info.dwFileAttributes);
    }

    std::unique_ptr<ReadableFile> OpenRead(const std::string& path) override {
        // Others may go on reading, writing, renaming or deleting; the change check notices.
        HANDLE handle = CreateFileW(ApiPath(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_ACCESS_DENIED && Kind(path) == PathKind::Directory)
                throw FileError("Cannot open " + Quoted(path) + ": it is a folder, not a file");
            ThrowSystemError("Cannot open", path, error);
        }
        auto file = std::make_unique<WindowsReadable>(handle, path);
        if (GetFileType(handle) != FILE_TYPE_DISK)
            throw FileError("Cannot open " + Quoted(path) + ": it is not a regular file");
        return file;
    }

    std::unique_ptr<WritableFile> CreateTempBeside(const std::string& targetPath,
                                                   std::string& tempPath) override {
        // Keep the name short enough for the folder even when the target's name is long, and
        // join with the separator the caller used.
        const auto slash = LastSeparator(targetPath);
        const char separator = slash == std::string::npos ? '\\' : targetPath[slash];
        const std::string stem =
            FolderOf(targetPath) + separator + TempNamePrefix(NameOf(targetPath));
        const DWORD attributes = AttributesFor(targetPath);
        for (int attempt = 0;; ++attempt) {
            std::string candidate = stem + RandomSuffix();
            HANDLE handle =
                CreateFileW(ApiPath(candidate).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_NEW, attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
            if (handle != INVALID_HANDLE_VALUE) {
                tempPath = candidate;
                return std::make_unique<WindowsWritable>(handle, std::move(candidate));
            }
            const DWORD error = GetLastError();
            if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt == 99)
                ThrowSystemError("Cannot create a temporary file beside", targetPath, error);
        }
    }

    void Rename(const std::string& from, const std::string& to, bool durable) override {
        const std::wstring source = ApiPath(from);
        const std::wstring target = ApiPath(to);
        const DWORD flags = MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0);
        const auto refuse = [&](DWORD error) {
            throw FileError("Cannot replace " + Quoted(to) + " with " + Quoted(from) + ": " +
                            ReplaceRefusal(to, error));
        };
        // Windows refuses to replace a read-only file, but not every implementation of its API
        // does (Wine replaces it); ask first so that the file is kept everywhere.
        const DWORD attributes = Attributes(to);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            refuse(ERROR_ACCESS_DENIED);
        // A virus scanner or an indexer may hold a new file for a moment; a short wait lets it
        // finish. A program that holds the target longer gets the message.
        for (DWORD wait = 25;; wait *= 2) {
            if (MoveFileExW(source.c_str(), target.c_str(), flags)) return;
            const DWORD error = GetLastError();
            const bool busy = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
            if (!busy || wait > 200) refuse(error);
            Sleep(wait);
        }
    }

    void Remove(const std::string& path) override {
        if (!DeleteFileW(ApiPath(path).c_str()))
            ThrowSystemError("Cannot delete", path, GetLastError());
    }

    std::string WriteTarget(const std::string& path) override {
        const std::wstring wide = ApiPath(path);
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return path;
        // A link: the file it finally leads to is the one to replace. A dangling link cannot
        // be followed here; the link itself is then replaced.
        Handle target(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!target.valid()) return path;
        std::wstring final(32768, L'\0');
        const DWORD length = GetFinalPathNameByHandleW(target.get(), final.data(),
                                                       static_cast<DWORD>(final.size()), 0);
        if (length == 0 || length >= final.size())
            ThrowSystemError("Cannot follow the link", path, GetLastError());
        final.resize(length);
        if (final.starts_with(L"\\\\?\\UNC\\")) return "\\\\" + Narrow(final.substr(8));
        if (final.starts_with(L"\\\\?\\")) return Narrow(final.substr(4));
        return Narrow(final);
    }

    void CreateFolder(const std::string& path) override {
        if (CreateDirectoryW(ApiPath(path).c_str(), nullptr)) return;
        const DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS && Kind(path) == PathKind::Directory) return;
        if (error == ERROR_ALREADY_EXISTS)
            throw FileError("Cannot create the folder " + Quoted(path) +
                            ": a file of that name is in the way");
        ThrowSystemError("Cannot create the folder", path, error);
    }

    std::vector<FolderItem> ListFolder(const std::string& path) override {
        std::string folder = path;  // "a/" and "a" list the same, also with the long prefix
        while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
            folder.pop_back();
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileExW(ApiPath(folder + "\\*").c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        std::vector<FolderItem> items;
        if (search == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) return items;  // not even "." (a drive's root)
            ThrowSystemError("Cannot list the folder", path, error);
        }
        do {
            const std::string name = Narrow(found.cFileName);
            if (name == "." || name == "..") continue;
            items.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                                       ? Kind(folder + "\\" + name)
                                       : KindOfAttributes(found.dwFileAttributes)});
        } while (FindNextFileW(search, &found));
        const DWORD error = GetLastError();
        FindClose(search);
        if (error != ERROR_NO_MORE_FILES) ThrowSystemError("Cannot list the folder", path, error);
        return items;
    }

    std::unique_ptr<FileLock> TryLock(const std::string& lockPath) override {
        const std::wstring path = ApiPath(lockPath);
        Handle handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        // A lock file made by another user may be read-only to this one; a lock needs no write.
        if (!handle.valid() && GetLastError() == ERROR_ACCESS_DENIED)
            handle = Handle(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle.valid())
            ThrowSystemError("Cannot open the lock file", lockPath, GetLastError());
        OVERLAPPED start{};
        if (!LockFileEx(handle.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                        &start)) {
            const DWORD error = GetLastError();
            if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return nullptr;
            ThrowSystemError("Cannot lock", lockPath, error);
        }
        return std::make_unique<WindowsLock>(std::move(handle));
    }

private:
    // Closing the handle releases the lock.
    class WindowsLock : public FileLock {
    public:
        explicit WindowsLock(Handle handle) : handle_(std::move(handle)) {}

    private:
        Handle handle_;
    };
};

}  // namespace

FileSystem& RealFiles() {
    static WindowsFileSystem real;
    return real;
}

std::string MakeByteBuffer(std::size_t size) { return std::string(size, '\0'); }

}  // namespace platform
