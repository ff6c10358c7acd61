// The file seam's shared half: the installed file system and the operations built on it.
#include "platform/FileSystem.h"

#include <algorithm>

namespace platform {

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

FileSystem*& Installed() {
    static FileSystem* installed = nullptr;
    return installed;
}

}  // namespace

void ReadableFile::ReadAt(std::int64_t offset, char* out, std::size_t count) {
    if (ReadSome(offset, out, count) == count) return;
    throw FileError("Cannot read " + std::to_string(count) + " bytes at offset " +
                    std::to_string(offset) + " of " + Shown() + ": the file ends at " +
                    std::to_string(Length()));
}

void WritableFile::CopyFrom(ReadableFile& source, std::int64_t offset, std::int64_t count) {
    constexpr std::int64_t Piece = 1 << 20;
    std::string piece(static_cast<std::size_t>(std::clamp<std::int64_t>(count, 0, Piece)), '\0');
    while (count > 0) {
        const auto take = static_cast<std::size_t>(std::min(count, Piece));
        source.ReadAt(offset, piece.data(), take);
        Write({std::string_view(piece.data(), take)});
        offset += std::int64_t(take);
        count -= std::int64_t(take);
    }
}

FileSystem& Files() {
    FileSystem* installed = Installed();
    return installed ? *installed : RealFiles();
}

void SetFiles(FileSystem* fs) { Installed() = fs; }

bool FileExists(const std::string& path) { return Files().Kind(path) == PathKind::RegularFile; }

std::int64_t FileLength(const std::string& path) { return Files().OpenRead(path)->Length(); }

std::string ReadBytesAt(const std::string& path, std::int64_t position, std::size_t count) {
    if (position < 1)
        throw FileError("Cannot read " + Quoted(path) + " at position " + std::to_string(position) +
                        ": positions start at 1");
    auto file = Files().OpenRead(path);
    std::string bytes = MakeByteBuffer(count);
    file->ReadAt(position - 1, bytes.data(), count);
    return bytes;
}

std::string ReadWholeFile(const std::string& path) {
    auto file = Files().OpenRead(path);
    std::string bytes = MakeByteBuffer(static_cast<std::size_t>(file->Length()));
    file->ReadAt(0, bytes.data(), bytes.size());
    return bytes;
}

void DeleteFile(const std::string& path) { Files().Remove(path); }

void WriteFileAtomic(const std::string& path, const std::vector<std::string_view>& parts) {
    AtomicFile file(path);
    file.Write(parts);
    file.Commit();
}

AtomicFile::AtomicFile(const std::string& path)
    : target_(Files().WriteTarget(path)), file_(Files().CreateTempBeside(target_, tempPath_)) {}

AtomicFile::~AtomicFile() {
    if (!committed_) Discard();
}

void AtomicFile::Write(const std::vector<std::string_view>& parts) {
    if (!file_) throw FileError("Cannot write " + Quoted(target_) + ": an earlier write failed");
    try {
        file_->Write(parts);
    } catch (...) {
        Discard();
        throw;
    }
}

void AtomicFile::CopyFrom(ReadableFile& source, std::int64_t offset, std::int64_t count) {
    if (!file_) throw FileError("Cannot write " + Quoted(target_) + ": an earlier write failed");
    try {
        file_->CopyFrom(source, offset, count);
    } catch (...) {
        Discard();
        throw;
    }
}

void AtomicFile::Commit(bool durable) { Finish(durable, nullptr); }

FileStamp AtomicFile::CommitAndStamp(bool durable) {
    std::unique_ptr<ReadableFile> written;
    Finish(durable, &written);
    try {
        return written->Stamp();
    } catch (const FileError&) {
        return {};
    }
}

void AtomicFile::Finish(bool durable, std::unique_ptr<ReadableFile>* written) {
    if (!file_) throw FileError("Cannot write " + Quoted(target_) + ": an earlier write failed");
    try {
        if (durable) file_->Flush();
        file_->Close();
        if (written) *written = Files().OpenRead(tempPath_);
        Files().Rename(tempPath_, target_, durable);
        committed_ = true;
    } catch (...) {
        Discard();
        throw;
    }
}

void AtomicFile::Discard() noexcept {
    if (tempPath_.empty()) return;
    file_.reset();
    try {
        Files().Remove(tempPath_);
    } catch (...) {
        // The failure that led here is the one to report.
    }
    tempPath_.clear();
}

}  // namespace platform
