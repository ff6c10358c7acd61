#include "archive/BigArchive.h"

#include <algorithm>
#include <memory>

#include "archive/CaseFold.h"
#include "archive/DirectoryReader.h"
#include "archive/EditLock.h"
#include "archive/GEN_COVERT.h"
#include "archive/VTR_STR.h"

namespace VTR_CORE {

namespace {

using VTR_STR::LimitExceeded;
using VTR_STR::MalformedData;

constexpr std::int64_t RecordNumbersLength = 8;
// Data goes out in pieces of about this size, with a progress report after each.
constexpr std::size_t WritePiece = 4 * 1024 * 1024;
// While entries are copied from the archive file, the disk is set to work on what went out after
// about this many bytes, so that it writes while the next bytes are read and the final flush has
// little left. (Bytes from memory go out too fast for that to help: the writes then only wait
// for the disk, by up to a second at times.)
constexpr std::int64_t FlushStep = 8 * 1024 * 1024;
// Written after the directory: the marker, a zero byte and the value 0 as four bytes.
constexpr std::string_view Trailer("L225\0\0\0\0\0", 9);

using platform::Quoted;

// Entries are counted from 1 in messages, as a user counts them.
std::string EntryLabel(std::size_t index, std::string_view name) {
    return "Entry " + std::to_string(index + 1) + " " + Quoted(name);
}

bool NameFits(std::string_view name) {
    return name.size() <= MaxNameLength && name.find('\0') == std::string_view::npos;
}

void CheckName(std::string_view name, const std::string& what) {
    if (name.size() > MaxNameLength)
        throw LimitExceeded(what + ": the name " + Quoted(name) + " has " +
                            std::to_string(name.size()) + " bytes; a name holds at most " +
                            std::to_string(MaxNameLength) + ".");
    if (name.find('\0') != std::string_view::npos)
        throw MalformedData(what + ": a name cannot hold a zero byte.");
}

void CheckDataLength(std::int64_t length, const std::string& what) {
    if (length > MaxFormatNumber)
        throw LimitExceeded(what + " has " + std::to_string(length) +
                            " bytes; an entry holds at most 2147483647.");
}

// An archive held in memory, read through the same interface as a file.
class MemoryFile : public platform::ReadableFile {
public:
    MemoryFile(std::string_view bytes, std::string name) : bytes_(bytes), name_(std::move(name)) {}
    std::int64_t Length() override { return static_cast<std::int64_t>(bytes_.size()); }
    platform::FileStamp Stamp() override { return {}; }
    std::string Shown() const override { return name_; }
    std::size_t ReadSome(std::int64_t offset, char* out, std::size_t count) override {
        if (offset < 0 || static_cast<std::uint64_t>(offset) >= bytes_.size()) return 0;
        const std::string_view part = bytes_.substr(static_cast<std::size_t>(offset), count);
        std::copy(part.begin(), part.end(), out);
        return part.size();
    }

private:
    std::string_view bytes_;
    std::string name_;
};

// The loader's walk: the directory as DirectoryReader reads it, with what an entry needs to be
// read checked at once (numbers in the format's range, data inside the file).
class DirectoryWalk {
public:
    DirectoryWalk(platform::ReadableFile& file, std::string name, bool loadWhole)
        : file_(file),
          reader_(file, name, DirectoryReader::Mode::Strict),
          name_(std::move(name)),
          length_(reader_.FileLength()),
          loadWhole_(loadWhole) {}

    std::string ReadSignature() { return reader_.ReadSignature(); }

    // The entry count, checked against what the file can hold before anything is allocated.
    std::size_t ReadCount(std::size_t maxEntries) {
        const std::uint32_t count = *reader_.ReadCount();
        if (maxEntries != 0 && count > maxEntries)
            throw LimitExceeded("The archive lists " + std::to_string(count) +
                                " entries; at most " + std::to_string(maxEntries) +
                                " are supported.");
        if (count > MaxFormatNumber)
            throw LimitExceeded(name_ + ": the entry count " + std::to_string(count) +
                                " is out of range (at most 2147483647).");
        const std::int64_t room = std::max<std::int64_t>(length_ - HeaderLength, 0);
        if (std::int64_t{count} > room / MinRecordLength)
            throw MalformedData(name_ + " lists " + std::to_string(count) + " entries, but its " +
                                std::to_string(length_) + " bytes can hold at most " +
                                std::to_string(room / MinRecordLength) + " directory records.");
        return count;
    }

    // Reads the record at `recordOffset`; returns the offset of the next record.
    std::int64_t ReadRecord(std::size_t index, std::int64_t recordOffset, ArchiveEntry& entry) {
        std::int64_t next = recordOffset;
        DirectoryRecord record;
        reader_.ReadRecord(index, next, record);
        const std::int32_t offset = Field(record.offset, index, recordOffset, "data offset");
        const std::int32_t size = Field(record.size, index, recordOffset, "data size");
        entry.Name = names_.Add(record.name);
        if (std::int64_t{offset} + size > length_)
            throw MalformedData(EntryLabel(index, entry.Name) + ": data at offset " +
                                std::to_string(offset) + " with size " + std::to_string(size) +
                                " reaches past the end of the file (" + std::to_string(length_) +
                                " bytes).");
        if (offset == MaxFormatNumber)  // its 1-based position would not fit
            throw LimitExceeded(RecordPlace(index, recordOffset) +
                                ": the data offset 2147483647 is out of range.");
        if (loadWhole_) {
            entry.Data = platform::MakeByteBuffer(static_cast<std::size_t>(size));
            file_.ReadAt(offset, entry.Data.data(), entry.Data.size());
            entry.Loaded = true;
        }
        entry.Position = offset + 1;
        entry.Size = size;
        return next;
    }

private:
    // A number of the format: 2^31 and above is out of its range.
    static std::int32_t Field(std::uint32_t value, std::size_t index, std::int64_t recordOffset,
                              const char* field) {
        if (value > MaxFormatNumber) [[unlikely]]
            FieldOutOfRange(value, index, recordOffset, field);
        return static_cast<std::int32_t>(value);
    }

    [[noreturn, gnu::noinline]] static void FieldOutOfRange(std::uint32_t value, std::size_t index,
                                                            std::int64_t recordOffset,
                                                            const char* field) {
        throw LimitExceeded(RecordPlace(index, recordOffset) + ": the " + field + " " +
                            std::to_string(value) + " is out of range (at most 2147483647).");
    }

    platform::ReadableFile& file_;
    DirectoryReader reader_;
    NameBlocks names_;
    std::string name_;
    std::int64_t length_;
    bool loadWhole_;
};

std::vector<ArchiveEntry> WalkDirectory(platform::ReadableFile& file, const std::string& name,
                                        bool loadWhole, std::size_t maxEntries,
                                        std::string& signature, const ProgressCallback& progress) {
    DirectoryWalk walk(file, name, loadWhole);
    signature = walk.ReadSignature();
    const std::size_t count = walk.ReadCount(maxEntries);
    std::vector<ArchiveEntry> entries;
    entries.reserve(count);
    Progress done{0, static_cast<std::int64_t>(count), 0, 0};
    std::int64_t recordOffset = HeaderLength;
    for (std::size_t i = 0; i < count; ++i) {
        if (progress) {
            progress(done);
            ++done.entriesDone;
        }
        recordOffset = walk.ReadRecord(i, recordOffset, entries.emplace_back());
    }
    done.entriesDone = static_cast<std::int64_t>(count);
    if (progress) progress(done);
    return entries;
}

// Collects the data of consecutive entries and sends it out in pieces of about WritePiece bytes.
class PieceWriter {
public:
    PieceWriter(platform::AtomicFile& out, Progress& progress, const ProgressCallback& report)
        : out_(out), progress_(progress), report_(report) {}

    void Add(std::string_view bytes) {
        while (!bytes.empty()) {
            const std::size_t take = std::min(bytes.size(), WritePiece - pending_);
            parts_.push_back(bytes.substr(0, take));
            pending_ += take;
            bytes.remove_prefix(take);
            if (pending_ >= WritePiece) Send();
        }
    }

    void Send() {
        if (!parts_.empty()) out_.Write(parts_);
        progress_.bytesDone += static_cast<std::int64_t>(pending_);
        parts_.clear();
        pending_ = 0;
        if (report_) report_(progress_);
    }

    // Copies the entry's bytes from the archive file after what was added so far.
    void CopyEntry(platform::ReadableFile& source, const ArchiveEntry& entry, std::size_t index) {
        try {
            Copy(source, std::int64_t{entry.Position} - 1, entry.Size);
        } catch (const platform::FileError& error) {
            throw platform::FileError(EntryLabel(index, entry.Name) + ": " + error.what());
        }
    }

private:
    // Copies `count` bytes of `source` from `offset` after what was added so far, in pieces of
    // WritePiece bytes, without taking them into memory.
    void Copy(platform::ReadableFile& source, std::int64_t offset, std::int64_t count) {
        if (pending_ > 0) Send();
        while (count > 0) {
            const std::int64_t take = std::min<std::int64_t>(count, WritePiece);
            out_.CopyFrom(source, offset, take);
            offset += take;
            count -= take;
            progress_.bytesDone += take;
            if (progress_.bytesDone - flushStarted_ >= FlushStep) {
                out_.StartFlush();
                flushStarted_ = progress_.bytesDone;
            }
            if (report_) report_(progress_);
        }
    }

    platform::AtomicFile& out_;
    Progress& progress_;
    const ProgressCallback& report_;
    std::vector<std::string_view> parts_;
    std::size_t pending_ = 0;
    std::int64_t flushStarted_ = 0;
};

}  // namespace

bool IsBigSignature(std::string_view bytes) {
    return bytes == SignatureBIGF || bytes == SignatureBIG4;
}

BigArchive::BigArchive(std::string_view signature) { SetSignature(signature); }

void BigArchive::SetSignature(std::string_view signature) {
    if (!IsBigSignature(signature))
        throw std::invalid_argument("\"" + std::string(signature) +
                                    "\" is not a BIG signature; use \"BIGF\" or \"BIG4\".");
    signature_ = signature;
}

void BigArchive::Open(const std::string& path, bool loadWhole, const ProgressCallback& progress,
                      std::size_t maxEntries) {
    Open(*platform::Files().OpenRead(path), path, loadWhole, progress, maxEntries);
}

void BigArchive::Open(platform::ReadableFile& file, const std::string& path, bool loadWhole,
                      const ProgressCallback& progress, std::size_t maxEntries) {
    std::string signature;
    std::vector<ArchiveEntry> entries =
        WalkDirectory(file, Quoted(path), loadWhole, maxEntries, signature, progress);
    const platform::FileStamp stamp = file.Stamp();
    Entries = std::move(entries);
    signature_ = std::move(signature);
    sourcePath_ = path;
    sourceStamp_ = stamp;
}

void BigArchive::OpenBytes(std::string_view bytes, const std::string& name) {
    MemoryFile file(bytes, name);
    std::string signature;
    std::vector<ArchiveEntry> entries = WalkDirectory(file, name, true, 0, signature, {});
    Entries = std::move(entries);
    signature_ = std::move(signature);
    sourcePath_.clear();
    sourceStamp_ = {};
}

ArchiveEntry& BigArchive::At(std::size_t index) {
    if (index >= Entries.size())
        throw std::out_of_range("There is no entry " + std::to_string(index + 1) +
                                "; the archive has " + std::to_string(Entries.size()) + ".");
    return Entries[index];
}

bool BigArchive::SourceChanged() const {
    if (sourcePath_.empty()) return false;
    if (platform::Files().Kind(sourcePath_) == platform::PathKind::Missing) return true;
    return !(platform::Files().OpenRead(sourcePath_)->Stamp() == sourceStamp_);
}

bool BigArchive::IsSource(const std::string& path) const {
    return !sourcePath_.empty() && platform::SameTarget(path, sourcePath_);
}

std::unique_ptr<platform::ReadableFile> BigArchive::OpenSource() const {
    if (sourcePath_.empty())
        throw std::logic_error("The archive has entries that are neither in memory nor in a file.");
    auto file = platform::Files().OpenRead(sourcePath_);
    if (!(file->Stamp() == sourceStamp_))
        throw platform::FileError("The archive file " + Quoted(sourcePath_) +
                                  " has been changed or replaced since it was loaded; load it "
                                  "again to read the entries that are not in memory.");
    return file;
}

void BigArchive::Fetch(platform::ReadableFile& source, std::size_t index) {
    ArchiveEntry& entry = Entries[index];
    std::string bytes = platform::MakeByteBuffer(static_cast<std::size_t>(std::max(entry.Size, 0)));
    try {
        source.ReadAt(std::int64_t{entry.Position} - 1, bytes.data(), bytes.size());
    } catch (const platform::FileError& error) {
        throw platform::FileError(EntryLabel(index, entry.Name) + ": " + error.what());
    }
    entry.Data = std::move(bytes);
    entry.Loaded = true;
    entry.Modified = false;
}

const std::string& BigArchive::Data(std::size_t index) {
    ArchiveEntry& entry = At(index);
    if (!entry.InMemory()) Fetch(*OpenSource(), index);
    return entry.Data;
}

void BigArchive::LoadAll() {
    std::unique_ptr<platform::ReadableFile> source;
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        if (Entries[i].InMemory()) continue;
        if (!source) source = OpenSource();
        Fetch(*source, i);
    }
}

void BigArchive::ExtractTo(std::size_t index, const std::string& path, bool durable) {
    const std::string& bytes = Data(index);
    platform::AtomicFile out(path);
    out.Write({bytes});
    out.Commit(durable);
}

void BigArchive::ReplaceWithBytes(std::size_t index, std::string bytes) {
    ArchiveEntry& entry = At(index);
    CheckDataLength(static_cast<std::int64_t>(bytes.size()),
                    EntryLabel(index, entry.Name) + ": the new data");
    entry.Size = static_cast<std::int32_t>(bytes.size());
    entry.Data = std::move(bytes);
    entry.Modified = true;
    entry.Loaded = true;
}

namespace {

std::string ReadInputFile(const std::string& path, const std::string& failure) {
    switch (platform::Files().Kind(path)) {
        case platform::PathKind::Missing:
            throw platform::FileError(failure + "there is no file " + Quoted(path) + ".");
        case platform::PathKind::Directory:
            throw platform::FileError(failure + Quoted(path) + " is a folder, not a file.");
        default:
            break;
    }
    auto file = platform::Files().OpenRead(path);
    const std::int64_t length = file->Length();
    CheckDataLength(length, failure + Quoted(path));
    std::string bytes = platform::MakeByteBuffer(static_cast<std::size_t>(length));
    file->ReadAt(0, bytes.data(), bytes.size());
    return bytes;
}

}  // namespace

void BigArchive::ReplaceFromFile(std::size_t index, const std::string& path) {
    const std::string failure = EntryLabel(index, At(index).Name) + " cannot be replaced: ";
    ReplaceWithBytes(index, ReadInputFile(path, failure));
}

std::size_t BigArchive::Add(std::string name, std::string bytes) {
    CheckName(name, "An entry cannot be added");
    CheckDataLength(static_cast<std::int64_t>(bytes.size()), "The entry " + Quoted(name));
    if (Entries.size() >= static_cast<std::size_t>(MaxFormatNumber))
        throw LimitExceeded("An archive holds at most 2147483647 entries.");
    ArchiveEntry entry;
    entry.Name = std::move(name);
    entry.Size = static_cast<std::int32_t>(bytes.size());
    entry.Data = std::move(bytes);
    entry.Modified = true;
    entry.Loaded = true;
    Entries.push_back(std::move(entry));
    return Entries.size() - 1;
}

std::size_t BigArchive::AddFromFile(std::string name, const std::string& path) {
    CheckName(name, "An entry cannot be added");
    std::string bytes = ReadInputFile(path, "The entry " + Quoted(name) + " cannot be added: ");
    return Add(std::move(name), std::move(bytes));
}

void BigArchive::Remove(std::size_t index) {
    At(index);
    Entries.erase(Entries.begin() + static_cast<std::ptrdiff_t>(index));
}

void BigArchive::Remove(const std::vector<std::size_t>& indices) {
    if (indices.empty()) return;
    if (!std::is_sorted(indices.begin(), indices.end()) ||
        std::adjacent_find(indices.begin(), indices.end()) != indices.end())
        throw std::invalid_argument("Entries to remove must be given in ascending order, once.");
    At(indices.back());
    auto next = indices.begin();
    std::size_t kept = *next;
    for (std::size_t i = kept; i < Entries.size(); ++i) {
        if (next != indices.end() && *next == i) {
            ++next;
            continue;
        }
        Entries[kept++] = std::move(Entries[i]);
    }
    Entries.resize(kept);
}

void BigArchive::Rename(std::size_t index, std::string newName) {
    ArchiveEntry& entry = At(index);
    CheckName(newName, EntryLabel(index, entry.Name) + " cannot be renamed");
    entry.Name = std::move(newName);
}

std::vector<std::size_t> BigArchive::Find(std::string_view name) const {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < Entries.size(); ++i)
        if (CaseFold::SameName(Entries[i].Name, name)) found.push_back(i);
    return found;
}

std::optional<std::size_t> BigArchive::FindFirst(std::string_view name) const {
    for (std::size_t i = 0; i < Entries.size(); ++i)
        if (CaseFold::SameName(Entries[i].Name, name)) return i;
    return std::nullopt;
}

std::int64_t BigArchive::DirectoryEnd() const {
    std::int64_t end = HeaderLength;
    for (const ArchiveEntry& entry : Entries)
        end += RecordNumbersLength + std::int64_t(entry.Name.size()) + 1;
    return end;
}

std::int64_t BigArchive::WrittenLength() const {
    if (Entries.size() > static_cast<std::size_t>(MaxFormatNumber))
        throw LimitExceeded("An archive holds at most 2147483647 entries.");
    std::int64_t length = DirectoryEnd() + std::int64_t(Trailer.size());
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        const ArchiveEntry& entry = Entries[i];
        if (!NameFits(entry.Name))
            CheckName(entry.Name, EntryLabel(i, entry.Name) + " cannot be written");
        length += entry.InMemory() ? std::int64_t(entry.Data.size()) : std::int64_t{entry.Size};
        if (length > MaxFormatNumber)
            throw LimitExceeded(
                "The archive would be larger than 2147483647 bytes, the most a BIG archive can "
                "hold.");
    }
    return length;
}

std::string BigArchive::HeadBytes(std::int64_t fileLength, std::int64_t directoryEnd) {
    std::string head;
    head.reserve(static_cast<std::size_t>(directoryEnd) + Trailer.size());
    head += signature_;
    head += GEN_COVERT::LongToBytes(static_cast<std::int32_t>(fileLength), false);
    head += GEN_COVERT::LongToBytes(static_cast<std::int32_t>(Entries.size()), true);
    head += GEN_COVERT::LongToBytes(static_cast<std::int32_t>(directoryEnd + 8), true);
    std::int64_t dataOffset = directoryEnd + std::int64_t(Trailer.size());
    for (const ArchiveEntry& entry : Entries) {
        const std::int64_t size =
            entry.InMemory() ? std::int64_t(entry.Data.size()) : std::int64_t{entry.Size};
        head += GEN_COVERT::LongToBytes(static_cast<std::int32_t>(dataOffset), true);
        head += GEN_COVERT::LongToBytes(static_cast<std::int32_t>(size), true);
        head += entry.Name;
        head += '\0';
        dataOffset += size;
    }
    head += Trailer;
    return head;
}

std::string BigArchive::LeadingBytes() { return HeadBytes(WrittenLength(), DirectoryEnd()); }

void BigArchive::Write(const std::string& path, const ProgressCallback& report) {
    const std::int64_t fileLength = WrittenLength();
    const std::int64_t directoryEnd = DirectoryEnd();
    const std::string head = HeadBytes(fileLength, directoryEnd);
    const bool overSource = IsSource(path);
    Progress progress{0, static_cast<std::int64_t>(Entries.size()), 0, fileLength};
    std::unique_ptr<platform::ReadableFile> source;  // opened once, when first needed
    platform::AtomicFile out(path);
    PieceWriter pieces(out, progress, report);
    pieces.Add(head);
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        if (report) report(progress);
        const ArchiveEntry& entry = Entries[i];
        if (entry.InMemory()) {
            pieces.Add(entry.Data);
        } else {
            if (!source) source = OpenSource();
            pieces.CopyEntry(*source, entry, i);
        }
        ++progress.entriesDone;
    }
    pieces.Send();
    source.reset();
    if (overSource) {
        // The new file is the archive file from now on.
        sourceStamp_ = out.CommitAndStamp(true, [&] {
            if (SourceChanged()) throw VTR_STR::ArchiveBusy(BusyMessage(path));
        });
    } else {
        out.Commit();
    }
    // Entries in memory, and all entries once the new file is the archive file, are where the
    // new file has them; the others are still read from the archive file, where they were.
    std::int64_t dataOffset = directoryEnd + std::int64_t(Trailer.size());
    for (ArchiveEntry& entry : Entries) {
        if (entry.InMemory()) entry.Size = static_cast<std::int32_t>(entry.Data.size());
        if (entry.InMemory() || overSource)
            entry.Position = static_cast<std::int32_t>(dataOffset + 1);
        dataOffset += entry.Size;
    }
}

std::string BigArchive::ToBytes() {
    const std::int64_t fileLength = WrittenLength();
    const std::int64_t directoryEnd = DirectoryEnd();
    LoadAll();
    std::string bytes = HeadBytes(fileLength, directoryEnd);
    bytes.reserve(static_cast<std::size_t>(fileLength));
    for (const ArchiveEntry& entry : Entries) bytes += entry.Data;
    return bytes;
}

}  // namespace VTR_CORE
