#include "bench/RawFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace bench {

namespace {

constexpr std::size_t WritePiece = std::size_t(1) << 20;

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " \"" + path + "\": " + std::strerror(errno));
}

class Descriptor {
public:
    Descriptor(const std::string& path, int flags) : path_(path) {
        fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
        if (fd_ < 0) Fail("Cannot open", path);
    }
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    std::size_t Length() const {
        struct stat info {};
        if (::fstat(fd_, &info) != 0) Fail("Cannot get the length of", path_);
        return static_cast<std::size_t>(info.st_size);
    }

    void ReadAt(std::int64_t offset, char* out, std::size_t count) const {
        std::size_t done = 0;
        while (done < count) {
            const ssize_t got = ::pread(fd_, out + done, count - done, offset + off_t(done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) Fail("Cannot read", path_);
            done += std::size_t(got);
        }
    }

    void WriteAll(std::string_view bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t put = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) Fail("Cannot write", path_);
            done += std::size_t(put);
        }
    }

    void Sync() const {
        if (::fsync(fd_) != 0) Fail("Cannot flush", path_);
    }

    void DropCached() const {
        errno = ::posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
        if (errno != 0) Fail("Cannot drop the cached pages of", path_);
    }

    void Close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) Fail("Cannot close", path_);
    }

private:
    std::string path_;
    int fd_ = -1;
};

Buffer NewBuffer(std::size_t size) {
    return Buffer{std::unique_ptr<char[]>(new char[size == 0 ? 1 : size]), size};
}

}  // namespace

Buffer ReadRange(const std::string& path, std::int64_t offset, std::size_t count) {
    Descriptor file(path, O_RDONLY);
    Buffer buffer = NewBuffer(count);
    file.ReadAt(offset, buffer.bytes.get(), count);
    return buffer;
}

Buffer ReadWhole(const std::string& path) {
    Descriptor file(path, O_RDONLY);
    Buffer buffer = NewBuffer(file.Length());
    file.ReadAt(0, buffer.bytes.get(), buffer.size);
    return buffer;
}

void WriteDurably(const std::string& path, std::string_view bytes) {
    const std::string temporary = path + ".part";
    Descriptor file(temporary, O_WRONLY | O_CREAT | O_EXCL);
    for (std::size_t done = 0; done < bytes.size(); done += WritePiece)
        file.WriteAll(bytes.substr(done, WritePiece));
    file.Sync();
    file.Close();
    if (::rename(temporary.c_str(), path.c_str()) != 0) Fail("Cannot rename", temporary);
}

void CopyDurably(const std::string& from, const std::string& to) {
    const Descriptor source(from, O_RDONLY);
    const std::string temporary = to + ".part";
    Descriptor copy(temporary, O_WRONLY | O_CREAT | O_EXCL);
    const std::size_t length = source.Length();
    const Buffer piece = NewBuffer(WritePiece);
    for (std::size_t done = 0; done < length; done += WritePiece) {
        const std::size_t count = std::min(WritePiece, length - done);
        source.ReadAt(std::int64_t(done), piece.bytes.get(), count);
        copy.WriteAll({piece.bytes.get(), count});
    }
    copy.Sync();
    copy.Close();
    if (::rename(temporary.c_str(), to.c_str()) != 0) Fail("Cannot rename", temporary);
}

void WriteFast(const std::string& path, std::string_view bytes) {
    Descriptor file(path, O_WRONLY | O_CREAT | O_TRUNC);
    file.WriteAll(bytes);
    file.Close();
}

void RemoveIfPresent(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) Fail("Cannot delete", path);
}

bool SameContents(const std::string& first, const std::string& second) {
    Descriptor a(first, O_RDONLY), b(second, O_RDONLY);
    const std::size_t length = a.Length();
    if (b.Length() != length) return false;
    constexpr std::size_t chunk = 8 << 20;
    Buffer left = NewBuffer(chunk), right = NewBuffer(chunk);
    for (std::size_t done = 0; done < length; done += chunk) {
        const std::size_t count = std::min(chunk, length - done);
        a.ReadAt(std::int64_t(done), left.bytes.get(), count);
        b.ReadAt(std::int64_t(done), right.bytes.get(), count);
        if (std::memcmp(left.bytes.get(), right.bytes.get(), count) != 0) return false;
    }
    return true;
}

void WarmUp(const std::string& path) { (void)ReadWhole(path); }

void Evict(const std::string& path) {
    Descriptor file(path, O_RDONLY);
    file.Sync();
    file.DropCached();
}

void SyncAll() { ::sync(); }

ScratchFolder::ScratchFolder(const std::string& parent) {
    std::string pattern = parent + "/vantor-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) Fail("Cannot create a folder in", parent);
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace bench
