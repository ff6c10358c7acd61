// A file system double that forwards to the real one and fails the n-th operation (counting
// every open, length, read, write, flush, close, create, rename, remove, mkdir, list and lock
// from 1).
#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace testsupport {

class FaultyFileSystem : public platform::FileSystem {
public:
    // 0 never fails.
    int failAt = 0;
    int operations = 0;

    // Counts one operation and throws when it is the one to fail.
    void Step(const char* what) {
        if (++operations == failAt)
            throw platform::FileError(std::string("Injected failure of ") + what + " (operation " +
                                      std::to_string(operations) + ")");
    }
    platform::PathKind Kind(const std::string& path) override {
        return platform::RealFiles().Kind(path);
    }
    std::unique_ptr<platform::ReadableFile> OpenRead(const std::string& path) override {
        Step("open");
        return std::make_unique<Readable>(*this, platform::RealFiles().OpenRead(path));
    }
    std::unique_ptr<platform::WritableFile> CreateTempBeside(const std::string& target,
                                                             std::string& temp) override {
        Step("create");
        return std::make_unique<Writable>(*this,
                                          platform::RealFiles().CreateTempBeside(target, temp));
    }
    void Rename(const std::string& from, const std::string& to, bool durable) override {
        Step("rename");
        platform::RealFiles().Rename(from, to, durable);
    }
    void Remove(const std::string& path) override {
        Step("remove");
        platform::RealFiles().Remove(path);
    }
    std::string WriteTarget(const std::string& path) override {
        return platform::RealFiles().WriteTarget(path);
    }
    void CreateFolder(const std::string& path) override {
        Step("mkdir");
        platform::RealFiles().CreateFolder(path);
    }
    std::vector<platform::FolderItem> ListFolder(const std::string& path) override {
        Step("list");
        return platform::RealFiles().ListFolder(path);
    }
    std::unique_ptr<platform::FileLock> TryLock(const std::string& lockPath) override {
        Step("lock");
        return platform::RealFiles().TryLock(lockPath);
    }

private:
    // An open file of the real file system whose counted operations pass through Step first.
    template <typename File>
    struct Faulty : File {
        Faulty(FaultyFileSystem& owner, std::unique_ptr<File> inner)
            : owner(owner), inner(std::move(inner)) {}
        File& Step(const char* what) {
            owner.Step(what);
            return *inner;
        }
        FaultyFileSystem& owner;
        std::unique_ptr<File> inner;
    };
    struct Readable : Faulty<platform::ReadableFile> {
        using Faulty::Faulty;
        std::int64_t Length() override { return Step("length").Length(); }
        platform::FileStamp Stamp() override { return inner->Stamp(); }
        std::string Shown() const override { return inner->Shown(); }
        std::size_t ReadSome(std::int64_t at, char* out, std::size_t count) override {
            return Step("read").ReadSome(at, out, count);
        }
    };
    struct Writable : Faulty<platform::WritableFile> {
        using Faulty::Faulty;
        void Write(const std::vector<std::string_view>& parts) override {
            Step("write").Write(parts);
        }
        void Flush() override { Step("flush").Flush(); }
        void Close() override { Step("close").Close(); }
    };
};

// Installs a FaultyFileSystem while it lives.
class ScopedFaultyFiles {
public:
    ScopedFaultyFiles() { platform::SetFiles(&files); }
    ~ScopedFaultyFiles() { platform::SetFiles(nullptr); }
    ScopedFaultyFiles(const ScopedFaultyFiles&) = delete;
    ScopedFaultyFiles& operator=(const ScopedFaultyFiles&) = delete;
    FaultyFileSystem files;
};

}  // namespace testsupport
