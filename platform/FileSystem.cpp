// The file seam's shared half: the installed file system and the operations built on it.
#include "platform/FileSystem.h"

#include <filesystem>
#include <thread>

#include "platform/Console.h"

namespace platform {

namespace {

FileSystem*& Installed() {
    static FileSystem* installed = nullptr;
    return installed;
}

// A path split at its last separator: the folder ("." for none) and the file name.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const std::size_t separator = path.find_last_of(WindowsFileNames ? "/\\" : "/");
    if (separator == std::string::npos) return {".", path};
    return {separator == 0 ? path.substr(0, 1) : path.substr(0, separator),
            path.substr(separator + 1)};
}

std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

std::string Quoted(std::string_view name) {
    std::string text;
    text.reserve(name.size() + 2);
    text += '"';
    text += name;
    text += '"';
    return text;
}

std::unique_ptr<FileLock> LockWithin(const std::string& lockPath, std::chrono::milliseconds wait,
                                     const std::function<void()>& whileWaiting) {
    constexpr auto Pause = std::chrono::milliseconds(20);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (auto lock = Files().TryLock(lockPath)) return lock;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return nullptr;
        if (whileWaiting) whileWaiting();
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(Pause, deadline - now));
    }
}

std::string TempNamePrefix(const std::string& targetFileName) {
    std::size_t cut = std::min<std::size_t>(targetFileName.size(), 200);
    // Never inside a UTF-8 character.
    while (cut < targetFileName.size() && cut > 0 &&
           (static_cast<unsigned char>(targetFileName[cut]) & 0xC0) == 0x80)
        --cut;
    return "." + targetFileName.substr(0, cut) + ".vantor-";
}

void RemoveLeftoverTemps(const std::string& targetPath) {
    constexpr std::size_t RandomPart = 6;
    try {
        const auto [folder, name] = SplitPath(Files().WriteTarget(targetPath));
        const std::string prefix = TempNamePrefix(name);
        for (const FolderItem& item : Files().ListFolder(folder)) {
            if (item.kind != PathKind::RegularFile || !item.name.starts_with(prefix) ||
                item.name.size() != prefix.size() + RandomPart)
                continue;
            try {
                Files().Remove(folder + "/" + item.name);
            } catch (const FileError&) {
                // Another program may hold it open; it is tried again by the next edit.
            }
        }
    } catch (const FileError&) {
        // A folder that cannot be listed leaves nothing to tidy that this program could reach.
    }
}

bool SameTarget(const std::string& a, const std::string& b) {
    const std::string targetA = Files().WriteTarget(a);
    const std::string targetB = Files().WriteTarget(b);
    std::error_code errorA, errorB;
    const auto normalA = std::filesystem::weakly_canonical(FsPath(targetA), errorA);
    const auto normalB = std::filesystem::weakly_canonical(FsPath(targetB), errorB);
    if (!errorA && !errorB && normalA == normalB) return true;
    if (Files().Kind(targetA) != PathKind::RegularFile ||
        Files().Kind(targetB) != PathKind::RegularFile)
        return targetA == targetB;
    const FileStamp stampA = Files().OpenRead(targetA)->Stamp();
    const FileStamp stampB = Files().OpenRead(targetB)->Stamp();
    return stampA.device == stampB.device && stampA.inode == stampB.inode;
}

void ReadableFile::ReadAt(std::int64_t offset, char* out, std::size_t count) {
    if (ReadSome(offset, out, count) == count) return;
    throw FileError("Cannot read " + std::to_string(count) + " bytes at offset " +
                    std::to_string(offset) + " of " + Shown() + ": the file ends at " +
                    std::to_string(Length()));
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

void AtomicFile::Commit(bool durable, const std::function<void()>& beforeRename) {
    if (!file_) throw FileError("Cannot write " + Quoted(target_) + ": an earlier write failed");
    try {
        if (durable) file_->Flush();
        file_->Close();
        if (beforeRename) beforeRename();
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
