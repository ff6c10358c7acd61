#include "archive/VTR_CORE.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "archive/GEN_COVERT.h"
#include "platform/FileSystem.h"

namespace VTR_CORE {

namespace {

constexpr std::int64_t MaxNumber = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t HeaderLength = 16;
constexpr std::int64_t CountOffset = 8;
// A record is the data offset and size (4 bytes each), the name and its zero byte.
constexpr std::int64_t RecordNumbersLength = 8;
constexpr std::size_t NameWindow = MaxNameLength + 1;
constexpr std::size_t ReadBlock = 64 * 1024;
constexpr std::string_view Signature = "BIGF";
// Written after the directory: the marker, a zero byte and the value 0 as four bytes.
constexpr std::string_view Trailer("L225\0\0\0\0\0", 9);

std::function<void()>& YieldHook() {
    static std::function<void()> hook;
    return hook;
}

void Yield() {
    if (const auto& hook = YieldHook()) hook();
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Entries are counted from 1 in messages, as a user counts them.
std::string EntryLabel(std::int32_t index, const std::string& name) {
    return "Entry " + std::to_string(index + 1) + " " + Quoted(name);
}

// Where a directory record lies; the text is made only when a message needs it.
struct RecordPlace {
    std::int32_t index;
    std::int64_t recordOffset;
    std::string Text() const {
        return "Entry " + std::to_string(index + 1) + " at offset " + std::to_string(recordOffset);
    }
};

std::uint32_t UnsignedBigEndian(std::string_view bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

std::runtime_error TooManyEntries(std::uint32_t count) {
    return std::runtime_error("The archive lists " + std::to_string(count) + " entries; at most " +
                              std::to_string(MaxEntries) + " are supported.");
}

// A big-endian directory number; 2^31 and above is out of range of the format.
std::int32_t DecodeField(std::string_view bytes, const RecordPlace& where, const char* field) {
    try {
        return GEN_COVERT::BytesToLong(bytes, false);
    } catch (const std::overflow_error&) {
        throw std::runtime_error(where.Text() + ": the " + field + " " +
                                 std::to_string(UnsignedBigEndian(bytes)) +
                                 " is out of range (at most 2147483647).");
    }
}

// The version of the archive file that the directory was read from. Entries still on disk are
// read only from that version: another file at the same path would give wrong bytes.
platform::FileStamp& LoadedStamp() {
    static platform::FileStamp stamp;
    return stamp;
}

std::unique_ptr<platform::ReadableFile> OpenLoadedArchive() {
    const std::string& path = Archive().ArchivePath;
    auto file = platform::Files().OpenRead(path);
    if (!(file->Stamp() == LoadedStamp()))
        throw std::runtime_error("The archive file " + Quoted(path) +
                                 " has been changed or replaced since it was loaded; load it "
                                 "again to read the entries that are not in memory.");
    return file;
}

ArchiveEntry& EntryAt(std::int32_t index) {
    if (index < 0 || index >= MaxEntries)
        throw std::out_of_range("There is no entry " + std::to_string(index + 1) +
                                "; an archive has at most " + std::to_string(MaxEntries) +
                                " entries.");
    return Archive().Entries[index];
}

// Reads an entry's bytes from the open archive into memory.
void FetchEntry(platform::ReadableFile& archive, std::int32_t index, ArchiveEntry& entry) {
    std::string bytes = platform::MakeByteBuffer(static_cast<std::size_t>(std::max(entry.Size, 0)));
    try {
        archive.ReadAt(std::int64_t{entry.Position} - 1, bytes.data(), bytes.size());
    } catch (const platform::FileError& error) {
        throw platform::FileError(EntryLabel(index, entry.Name) + ": " + error.what());
    }
    entry.Data = std::move(bytes);
    entry.Loaded = true;
    entry.Modified = false;
}

// Serves the directory region from large blocks, so that the walk costs a few reads in all.
class BlockReader {
public:
    explicit BlockReader(platform::ReadableFile& file) : file_(file) {}

    // Up to `count` bytes at `offset`; fewer only where the file ends.
    std::string_view Peek(std::int64_t offset, std::size_t count) {
        const std::int64_t blockEnd = start_ + static_cast<std::int64_t>(block_.size());
        const bool inside = offset >= start_ && offset + std::int64_t(count) <= blockEnd;
        const bool pastEndKnown = atEnd_ && offset >= start_;
        if (!inside && !pastEndKnown) Fill(offset, count);
        const auto skip = static_cast<std::size_t>(offset - start_);
        if (skip >= block_.size()) return {};
        return std::string_view(block_).substr(skip, count);
    }

private:
    void Fill(std::int64_t offset, std::size_t count) {
        block_.resize(std::max(count, ReadBlock));
        const std::size_t got = file_.ReadSome(offset, block_.data(), block_.size());
        atEnd_ = got < block_.size();
        block_.resize(got);
        start_ = offset;
    }

    platform::ReadableFile& file_;
    std::string block_;
    std::int64_t start_ = 0;
    bool atEnd_ = false;
};

struct Walk {
    platform::ReadableFile& file;
    BlockReader reader;
    std::int64_t fileLength;
    bool loadWhole;
};

std::int32_t ReadDirectoryCount(Walk& walk, const std::string& path) {
    const std::string_view bytes = walk.reader.Peek(CountOffset, 4);
    if (bytes.size() < 4)
        throw std::runtime_error(Quoted(path) + " is too short to be a BIG archive: it has only " +
                                 std::to_string(walk.fileLength) + " bytes.");
    const std::uint32_t count = UnsignedBigEndian(bytes);
    if (count > MaxEntries) throw TooManyEntries(count);
    return GEN_COVERT::BytesToLong(bytes, false);
}

// The view stays valid until the next read through `walk`.
std::string_view ReadName(Walk& walk, std::int64_t recordOffset, const RecordPlace& where) {
    const std::string_view window =
        walk.reader.Peek(recordOffset + RecordNumbersLength, NameWindow);
    const std::size_t zero = window.find('\0');
    if (zero != std::string_view::npos) return window.substr(0, zero);
    if (window.size() < NameWindow)
        throw std::runtime_error(where.Text() + ": the name is cut off by the end of the file (" +
                                 std::to_string(walk.fileLength) + " bytes).");
    throw std::runtime_error(where.Text() + ": the name has no terminating zero byte within " +
                             std::to_string(NameWindow) + " bytes.");
}

// Reads the record at `recordOffset` into `entry`; returns the offset of the next record.
std::int64_t ReadRecord(Walk& walk, std::int32_t index, std::int64_t recordOffset,
                        ArchiveEntry& entry) {
    const RecordPlace where{index, recordOffset};
    const std::string_view numbers = walk.reader.Peek(recordOffset, RecordNumbersLength);
    if (numbers.size() < RecordNumbersLength)
        throw std::runtime_error(where.Text() + ": the directory is cut off by the end of the file (" +
                                 std::to_string(walk.fileLength) + " bytes).");
    const std::int32_t offset = DecodeField(numbers.substr(0, 4), where, "data offset");
    const std::int32_t size = DecodeField(numbers.substr(4, 4), where, "data size");
    const std::string_view name = ReadName(walk, recordOffset, where);
    const std::int64_t nextRecord =
        recordOffset + RecordNumbersLength + static_cast<std::int64_t>(name.size()) + 1;
    if (std::int64_t{offset} + size > walk.fileLength)
        throw std::runtime_error(EntryLabel(index, std::string(name)) + ": data at offset " +
                                 std::to_string(offset) + " with size " + std::to_string(size) +
                                 " reaches past the end of the file (" +
                                 std::to_string(walk.fileLength) + " bytes).");
    if (offset == MaxNumber)  // its 1-based position would not fit
        throw std::runtime_error(where.Text() + ": the data offset 2147483647 is out of range.");
    entry.Name.assign(name);  // before the data read below, which moves the view's block
    if (walk.loadWhole) {
        entry.Data = platform::MakeByteBuffer(static_cast<std::size_t>(size));
        walk.file.ReadAt(offset, entry.Data.data(), entry.Data.size());
        entry.Loaded = true;
    }
    entry.Position = offset + 1;
    entry.Size = size;
    entry.Modified = false;
    return nextRecord;
}

// Walks the directory of `path` into `fresh`; moves EntryCount and LastIndex for the progress.
platform::FileStamp WalkDirectory(const std::string& path, bool loadWhole,
                                  ArchiveDirectory& fresh) {
    auto file = platform::Files().OpenRead(path);
    Walk walk{*file, BlockReader(*file), file->Length(), loadWhole};
    const std::int32_t count = ReadDirectoryCount(walk, path);
    Archive().EntryCount = count;
    std::int64_t recordOffset = HeaderLength;
    for (std::int32_t i = 0; i < count; ++i) {
        Yield();
        recordOffset = ReadRecord(walk, i, recordOffset, fresh.Entries[i]);
        Archive().LastIndex = i;
    }
    return file->Stamp();
}

std::int32_t CountNamedEntries(const ArchiveDirectory& archive) {
    std::int32_t count = 0;
    while (count < MaxEntries && !archive.Entries[count].Name.empty()) ++count;
    return count;
}

std::runtime_error ArchiveTooLarge() {
    return std::runtime_error(
        "The archive would be larger than 2147483647 bytes, the most a BIG archive can hold.");
}

std::string HeaderBytes(std::int64_t fileLength, std::int32_t count, std::int64_t directoryEnd) {
    return std::string(Signature) +
           GEN_COVERT::LongToBytes(static_cast<std::int32_t>(fileLength), false) +
           GEN_COVERT::LongToBytes(count, true) +
           GEN_COVERT::LongToBytes(static_cast<std::int32_t>(directoryEnd + 8), true);
}

void BlankSlots(ArchiveDirectory& directory) {
    for (ArchiveEntry& entry : directory.Entries) entry = ArchiveEntry{};
}

// Blanks the side table but keeps its name buffers, so that the next walk reuses them.
void BlankSideSlots(ArchiveDirectory& directory) {
    for (ArchiveEntry& entry : directory.Entries) {
        std::string name = std::move(entry.Name);
        entry = ArchiveEntry{};
        name.clear();
        entry.Name = std::move(name);
    }
}

}  // namespace

ArchiveDirectory& Archive() {
    static ArchiveDirectory archive;
    return archive;
}

void BlankEntries() { BlankSlots(Archive()); }

void SetYieldHook(std::function<void()> hook) { YieldHook() = std::move(hook); }

bool IsBigArchive(const std::string& path) {
    if (platform::Files().Kind(path) != platform::PathKind::RegularFile) return false;
    auto file = platform::Files().OpenRead(path);
    char start[Signature.size()];
    const std::size_t got = file->ReadSome(0, start, sizeof start);
    return std::string_view(start, got) == Signature;
}

void ReadEntryCount(const std::string& path) {
    ArchiveDirectory& archive = Archive();
    archive.LastIndex = 0;
    const std::string bytes = platform::ReadBytesAt(path, CountOffset + 1, 4);
    try {
        archive.EntryCount = GEN_COVERT::BytesToLong(bytes, false);
    } catch (const std::overflow_error&) {
        throw TooManyEntries(UnsignedBigEndian(bytes));
    }
}

void ReadDirectory(const std::string& path, bool loadWhole) {
    ArchiveDirectory& archive = Archive();
    const std::int32_t previousCount = archive.EntryCount;
    // Built aside and swapped in only when the whole walk succeeded. The side table is kept
    // between loads: a fresh 4096-slot table would cost more page faults than the walk itself.
    static ArchiveDirectory aside;
    archive.LastIndex = 0;
    platform::FileStamp stamp;
    try {
        stamp = WalkDirectory(path, loadWhole, aside);
    } catch (...) {
        BlankSideSlots(aside);
        archive.EntryCount = previousCount;
        throw;
    }
    archive.Entries.swap(aside.Entries);
    BlankSideSlots(aside);
    archive.ArchivePath = path;
    LoadedStamp() = stamp;
}

void GetEntryData(std::int32_t index, const std::string& destination, bool write) {
    ArchiveEntry& entry = EntryAt(index);
    if (!entry.Modified && !entry.Loaded) {
        auto archive = OpenLoadedArchive();
        FetchEntry(*archive, index, entry);
    }
    if (write) platform::WriteFileAtomic(destination, {entry.Data});
}

void ReplaceEntryFromFile(std::int32_t index, const std::string& source) {
    ArchiveEntry& entry = EntryAt(index);
    const std::string failure = EntryLabel(index, entry.Name) + " cannot be replaced: ";
    switch (platform::Files().Kind(source)) {
        case platform::PathKind::Missing:
            throw std::runtime_error(failure + "there is no file " + Quoted(source) + ".");
        case platform::PathKind::Directory:
            throw std::runtime_error(failure + Quoted(source) + " is a folder, not a file.");
        default:
            break;
    }
    auto file = platform::Files().OpenRead(source);
    const std::int64_t length = file->Length();
    if (length > MaxNumber)
        throw std::runtime_error(failure + Quoted(source) + " has " + std::to_string(length) +
                                 " bytes; an entry holds at most 2147483647.");
    std::string bytes = platform::MakeByteBuffer(static_cast<std::size_t>(length));
    file->ReadAt(0, bytes.data(), bytes.size());
    entry.Data = std::move(bytes);
    entry.Size = static_cast<std::int32_t>(length);
    entry.Modified = true;
    entry.Loaded = true;
}

void WriteArchive(const std::string& path) {
    ArchiveDirectory& archive = Archive();
    archive.LastIndex = 0;
    const std::int32_t count = CountNamedEntries(archive);
    std::int64_t directoryEnd = HeaderLength;
    for (std::int32_t i = 0; i < count; ++i)
        directoryEnd += RecordNumbersLength + archive.Entries[i].Name.size() + 1;

    // Header, directory and trailer in one buffer; the data goes out from the entries' own.
    std::string head(HeaderLength, '\0');
    head.reserve(static_cast<std::size_t>(directoryEnd) + Trailer.size());
    std::vector<std::string_view> parts{std::string_view()};
    std::unique_ptr<platform::ReadableFile> source;  // opened once, when first needed
    std::int64_t dataOffset = directoryEnd + std::int64_t(Trailer.size());
    for (std::int32_t i = 0; i < count; ++i) {
        Yield();
        ArchiveEntry& entry = archive.Entries[i];
        if (!entry.Loaded && !entry.Modified) {
            if (!source) source = OpenLoadedArchive();
            FetchEntry(*source, i, entry);
        }
        const std::int64_t size = static_cast<std::int64_t>(entry.Data.size());
        if (dataOffset >= MaxNumber || dataOffset + size > MaxNumber) throw ArchiveTooLarge();
        entry.Size = static_cast<std::int32_t>(size);
        entry.Position = static_cast<std::int32_t>(dataOffset + 1);
        head += GEN_COVERT::LongToBytes(static_cast<std::int32_t>(dataOffset), true);
        head += GEN_COVERT::LongToBytes(entry.Size, true);
        head += entry.Name;
        head += '\0';
        parts.push_back(entry.Data);
        dataOffset += size;
        archive.LastIndex = i;
    }
    source.reset();
    head += Trailer;
    head.replace(0, HeaderLength, HeaderBytes(dataOffset, count, directoryEnd));
    parts.front() = head;
    platform::WriteFileAtomic(path, parts);
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
