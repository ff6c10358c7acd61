#include "archive/VTR_CORE.h"

#include <stdexcept>

#include "platform/FileSystem.h"

namespace VTR_CORE {

namespace {

std::string FirstFourBytes(platform::ReadableFile& file) {
    std::string start(4, '\0');
    start.resize(file.ReadSome(0, start.data(), start.size()));
    return start;
}

std::size_t EntryIndex(const ArchiveDirectory& archive, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= archive.Entries.size())
        throw std::out_of_range("There is no entry " + std::to_string(std::int64_t{index} + 1) +
                                "; the archive has " + std::to_string(archive.Entries.size()) +
                                ".");
    return static_cast<std::size_t>(index);
}

}  // namespace

bool IsBigArchive(const std::string& path) {
    if (platform::Files().Kind(path) != platform::PathKind::RegularFile) return false;
    return FirstFourBytes(*platform::Files().OpenRead(path)) == SignatureBIGF;
}

bool ArchiveDirectory::ReadDirectory(const std::string& path, bool loadWhole,
                                     const ProgressCallback& progress) {
    if (platform::Files().Kind(path) != platform::PathKind::RegularFile) return false;
    const auto file = platform::Files().OpenRead(path);
    if (!IsBigSignature(FirstFourBytes(*file))) return false;
    BigArchive fresh;
    fresh.Open(*file, path, loadWhole, progress);
    static_cast<BigArchive&>(*this) = std::move(fresh);
    EntryCount = static_cast<std::int32_t>(Entries.size());
    ArchivePath = path;
    return true;
}

void ArchiveDirectory::GetEntryData(std::int32_t index, const std::string& destination,
                                    bool write) {
    const std::size_t entry = EntryIndex(*this, index);
    Data(entry);
    if (write) ExtractTo(entry, destination);
}

void ArchiveDirectory::ReplaceEntryFromFile(std::int32_t index, const std::string& source) {
    ReplaceFromFile(EntryIndex(*this, index), source);
}

void ArchiveDirectory::WriteArchive(const std::string& path, const ProgressCallback& progress) {
    Write(path, progress);
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
