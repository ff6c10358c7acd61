#include "archive/VTR_CORE.h"

#include <algorithm>

#include "archive/GEN_COVERT.h"
#include "platform/FileSystem.h"

namespace VTR_CORE {

namespace {

constexpr std::int64_t CountPosition = 9;

std::function<void()>& YieldHook() {
    static std::function<void()> hook;
    return hook;
}

void Yield() {
    if (const auto& hook = YieldHook()) hook();
}

// Moves LastIndex to the entry last done and lets the windows repaint. While a file is written,
// LastIndex follows the bytes gone out, so that it moves inside large entries too.
ProgressCallback FollowProgress() {
    return [](const Progress& progress) {
        std::int64_t index = std::min(progress.entriesDone, progress.entriesTotal) - 1;
        if (progress.bytesTotal > 0)
            index = (progress.entriesTotal - 1) * progress.bytesDone / progress.bytesTotal;
        Archive().LastIndex = static_cast<std::int32_t>(std::max<std::int64_t>(0, index));
        Yield();
    };
}

std::size_t EntryIndex(std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= Archive().Entries.size())
        throw std::out_of_range("There is no entry " + std::to_string(index + 1) +
                                "; the archive has " + std::to_string(Archive().Entries.size()) +
                                ".");
    return static_cast<std::size_t>(index);
}

}  // namespace

ArchiveDirectory& Archive() {
    static ArchiveDirectory archive;
    return archive;
}

void BlankEntries() { Archive().Entries.clear(); }

void SetYieldHook(std::function<void()> hook) { YieldHook() = std::move(hook); }

bool IsBigArchive(const std::string& path) {
    if (platform::Files().Kind(path) != platform::PathKind::RegularFile) return false;
    auto file = platform::Files().OpenRead(path);
    char start[4];
    const std::size_t got = file->ReadSome(0, start, sizeof start);
    return std::string_view(start, got) == SignatureBIGF;
}

void ReadEntryCount(const std::string& path) {
    ArchiveDirectory& archive = Archive();
    archive.LastIndex = 0;
    const std::string bytes = platform::ReadBytesAt(path, CountPosition, 4);
    try {
        archive.EntryCount = GEN_COVERT::BytesToLong(bytes, false);
    } catch (const std::overflow_error&) {
        const std::uint32_t count = GEN_COVERT::BytesToUnsigned(bytes, false);
        throw VTR_STR::LimitExceeded("The archive lists " + std::to_string(count) +
                                     " entries; at most " + std::to_string(MaxEntries) +
                                     " are supported.");
    }
}

void ReadDirectory(const std::string& path, bool loadWhole) {
    ArchiveDirectory& archive = Archive();
    const std::int32_t previousCount = archive.EntryCount;
    archive.LastIndex = 0;
    BigArchive fresh;
    const ProgressCallback follow = [](const Progress& progress) {
        Archive().EntryCount = static_cast<std::int32_t>(progress.entriesTotal);
        FollowProgress()(progress);
    };
    try {
        fresh.Open(path, loadWhole, follow, MaxEntries);
    } catch (...) {
        archive.EntryCount = previousCount;
        throw;
    }
    static_cast<BigArchive&>(archive) = std::move(fresh);
    archive.ArchivePath = path;
}

void GetEntryData(std::int32_t index, const std::string& destination, bool write) {
    const std::size_t entry = EntryIndex(index);
    Archive().Data(entry);
    if (write) Archive().ExtractTo(entry, destination);
}

void ReplaceEntryFromFile(std::int32_t index, const std::string& source) {
    Archive().ReplaceFromFile(EntryIndex(index), source);
}

void WriteArchive(const std::string& path) {
    Archive().LastIndex = 0;
    Archive().Write(path, FollowProgress());
}

VTR_STR::InterpreterInfo BigInitialise() {
    VTR_STR::InterpreterInfo info;
    info.Name = "BIG file format interpreter";
    info.Version = "v0.2b";
    info.FormatVersion = "v225";
    info.StatusMessage = "Initialisation completed.";
    info.Active = true;
    return info;
}

}  // namespace VTR_CORE
