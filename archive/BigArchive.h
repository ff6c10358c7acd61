// A BIG archive as an object: its entries in directory order, the signature it was read with,
// and the archive file that entries not yet in memory are read from. Several can be open at once.
//
// Layout (numbers 32-bit, big-endian unless said otherwise):
//   0  signature "BIGF" or "BIG4"       8  entry count N
//   4  file length (little-endian)      12 header length: one less than the first data offset
//   16 N records: data offset, data size, name bytes, zero byte
//   then "L225" and five zero bytes, then every entry's data back to back in directory order.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/EntryName.h"
#include "platform/FileSystem.h"

namespace VTR_CORE {

inline constexpr std::string_view SignatureBIGF = "BIGF";
inline constexpr std::string_view SignatureBIG4 = "BIG4";
// The most any count, offset or size of the format can hold.
inline constexpr std::int64_t MaxFormatNumber = 2147483647;
inline constexpr std::size_t MaxNameLength = 255;
inline constexpr std::int64_t HeaderLength = 16;
// The smallest directory record: offset, size and the zero byte of an empty name.
inline constexpr std::int64_t MinRecordLength = 9;

struct ArchiveEntry {
    EntryName Name;
    std::string Data;
    bool Modified = false;      // Data was replaced in memory and is what gets saved
    bool Loaded = false;        // Data holds the bytes read from the archive file
    std::int32_t Position = 0;  // 1-based position of the first data byte in the archive file
    std::int32_t Size = 0;
    bool InMemory() const { return Loaded || Modified; }
};

// How far a long operation has come. While a file is written, bytesDone counts what went out.
struct Progress {
    std::int64_t entriesDone = 0;
    std::int64_t entriesTotal = 0;
    std::int64_t bytesDone = 0;
    std::int64_t bytesTotal = 0;
};
using ProgressCallback = std::function<void(const Progress&)>;

// True for the two signatures the format has.
bool IsBigSignature(std::string_view firstFourBytes);

class BigArchive {
public:
    explicit BigArchive(std::string_view signature = SignatureBIGF);

    // Entries in directory order. Fields may be changed directly (as the windows do); the
    // operations below keep Size equal to the data's length.
    std::vector<ArchiveEntry> Entries;

    const std::string& Signature() const { return signature_; }
    void SetSignature(std::string_view signature);
    // The archive file entries not in memory are read from; empty for a new archive.
    const std::string& SourcePath() const { return sourcePath_; }

    // Reads the directory of the archive at `path`, and with `loadWhole` every entry's data.
    // On failure this object is left as it was. `maxEntries` (0: no limit besides the format's)
    // refuses larger directories before anything is read.
    void Open(const std::string& path, bool loadWhole, const ProgressCallback& progress = {},
              std::size_t maxEntries = 0);
    // The same on `file`, already open at `path` (which entries not in memory are read from).
    void Open(platform::ReadableFile& file, const std::string& path, bool loadWhole,
              const ProgressCallback& progress = {}, std::size_t maxEntries = 0);
    // Reads an archive held in memory; every entry's data is taken into memory.
    void OpenBytes(std::string_view bytes, const std::string& name = "the archive in memory");

    // The entry's bytes, read from the archive file the first time they are needed.
    const std::string& Data(std::size_t index);
    // Brings the data of every entry into memory (reading the archive file once).
    void LoadAll();
    // Writes the entry's bytes to `path` atomically (durable: flushed to the disk first).
    void ExtractTo(std::size_t index, const std::string& path, bool durable = true);
    void ReplaceWithBytes(std::size_t index, std::string bytes);
    void ReplaceFromFile(std::size_t index, const std::string& path);
    // Appends an entry; returns its index.
    std::size_t Add(std::string name, std::string bytes);
    std::size_t AddFromFile(std::string name, const std::string& path);
    void Remove(std::size_t index);
    // Removes the entries at `indices` (ascending, each once) in one pass over the entries.
    void Remove(const std::vector<std::size_t>& indices);
    void Rename(std::size_t index, std::string newName);
    // Indices of the entries named `name` (CaseFold::SameName), in directory order.
    std::vector<std::size_t> Find(std::string_view name) const;
    std::optional<std::size_t> FindFirst(std::string_view name) const;

    // Writes the archive to `path` atomically, in pieces, reporting progress after each piece.
    // Entries not in memory are copied from the archive file in pieces, without being kept.
    // Written over its own archive file, it checks just before the rename that the file is still
    // the one it read, and throws VTR_STR::ArchiveBusy otherwise (another program's change is
    // not overwritten); the new file then becomes the archive file, and every entry's Position
    // its offset there. Written elsewhere, entries not in memory still point into the archive
    // file.
    void Write(const std::string& path, const ProgressCallback& progress = {});
    // The archive's bytes, as Write would put them in a file.
    std::string ToBytes();
    // The length of the file Write would produce; throws when it would exceed the format.
    std::int64_t WrittenLength() const;
    // What Write puts before the first entry's data: the header, the directory and the trailer.
    // The entries' data follows it back to back, in directory order, Size bytes each.
    std::string LeadingBytes();

    // True when the archive file is no longer the one read: changed, replaced or gone.
    bool SourceChanged() const;
    // True when writing to `path` would replace the archive file.
    bool IsSource(const std::string& path) const;
    // The archive file, for reading entries not in memory; throws when it has been changed or
    // replaced since its directory was read.
    std::unique_ptr<platform::ReadableFile> OpenSource() const;

private:
    ArchiveEntry& At(std::size_t index);
    void Fetch(platform::ReadableFile& source, std::size_t index);
    std::string HeadBytes(std::int64_t fileLength, std::int64_t directoryEnd);
    std::int64_t DirectoryEnd() const;

    std::string signature_;
    std::string sourcePath_;
    platform::FileStamp sourceStamp_;
};

}  // namespace VTR_CORE
