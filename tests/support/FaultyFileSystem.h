// A file system double that forwards to the real one and fails the n-th operation (counting
// every open, read, write, flush, close, create, rename and remove from 1).
#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace testsupport {

class FaultyFileSystem : public platform::FileSystem {
public:
    // 0 never fails.
    int failAt = 0;
    int operations = 0;

    platform::PathKind Kind(const std::string& path) override {
        return platform::RealFiles().Kind(path);
    }
    std::unique_ptr<platform::ReadableFile> OpenRead(const std::string& path) override;
    std::unique_ptr<platform::WritableFile> CreateTempBeside(const std::string& targetPath,
                                                             std::string& tempPath) override;
    void Rename(const std::string& from, const std::string& to) override;
    void Remove(const std::string& path) override;

    // Counts one operation and throws when it is the one to fail.
    void Step(const char* what);
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
