#include "tests/support/FaultyFileSystem.h"

namespace testsupport {

namespace {

class FaultyReadable : public platform::ReadableFile {
public:
    FaultyReadable(FaultyFileSystem& owner, std::unique_ptr<platform::ReadableFile> inner)
        : owner_(owner), inner_(std::move(inner)) {}
    std::int64_t Length() override {
        owner_.Step("length");
        return inner_->Length();
    }
    platform::FileStamp Stamp() override { return inner_->Stamp(); }
    void ReadAt(std::int64_t offset, char* out, std::size_t count) override {
        owner_.Step("read");
        inner_->ReadAt(offset, out, count);
    }
    std::size_t ReadSome(std::int64_t offset, char* out, std::size_t count) override {
        owner_.Step("read");
        return inner_->ReadSome(offset, out, count);
    }

private:
    FaultyFileSystem& owner_;
    std::unique_ptr<platform::ReadableFile> inner_;
};

class FaultyWritable : public platform::WritableFile {
public:
    FaultyWritable(FaultyFileSystem& owner, std::unique_ptr<platform::WritableFile> inner)
        : owner_(owner), inner_(std::move(inner)) {}
    void Write(const std::vector<std::string_view>& parts) override {
        owner_.Step("write");
        inner_->Write(parts);
    }
    void Flush() override {
        owner_.Step("flush");
        inner_->Flush();
    }
    void Close() override {
        owner_.Step("close");
        inner_->Close();
    }

private:
    FaultyFileSystem& owner_;
    std::unique_ptr<platform::WritableFile> inner_;
};

}  // namespace

void FaultyFileSystem::Step(const char* what) {
    ++operations;
    if (failAt != 0 && operations == failAt)
        throw platform::FileError(std::string("Injected failure of ") + what + " (operation " +
                                  std::to_string(operations) + ")");
}

platform::PathKind FaultyFileSystem::Kind(const std::string& path) {
    return platform::RealFiles().Kind(path);
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
