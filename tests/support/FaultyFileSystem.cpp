#include "tests/support/FaultyFileSystem.h"

namespace testsupport {

namespace {

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

class FaultyReadable : public Faulty<platform::ReadableFile> {
public:
    using Faulty::Faulty;
    std::int64_t Length() override { return Step("length").Length(); }
    platform::FileStamp Stamp() override { return inner->Stamp(); }
    void ReadAt(std::int64_t offset, char* out, std::size_t count) override {
        Step("read").ReadAt(offset, out, count);
    }
    std::size_t ReadSome(std::int64_t offset, char* out, std::size_t count) override {
        return Step("read").ReadSome(offset, out, count);
    }
};

class FaultyWritable : public Faulty<platform::WritableFile> {
public:
    using Faulty::Faulty;
    void Write(const std::vector<std::string_view>& parts) override { Step("write").Write(parts); }
    void Flush() override { Step("flush").Flush(); }
    void Close() override { Step("close").Close(); }
};

}  // namespace

void FaultyFileSystem::Step(const char* what) {
    if (++operations == failAt)
        throw platform::FileError(std::string("Injected failure of ") + what + " (operation " +
                                  std::to_string(operations) + ")");
}

std::unique_ptr<platform::ReadableFile> FaultyFileSystem::OpenRead(const std::string& path) {
    Step("open");
    return std::make_unique<FaultyReadable>(*this, platform::RealFiles().OpenRead(path));
}

std::unique_ptr<platform::WritableFile> FaultyFileSystem::CreateTempBeside(
    const std::string& targetPath, std::string& tempPath) {
    Step("create");
    return std::make_unique<FaultyWritable>(
        *this, platform::RealFiles().CreateTempBeside(targetPath, tempPath));
}

void FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
    Step("rename");
    platform::RealFiles().Rename(from, to);
}

void FaultyFileSystem::Remove(const std::string& path) {
    Step("remove");
    platform::RealFiles().Remove(path);
}

}  // namespace testsupport
