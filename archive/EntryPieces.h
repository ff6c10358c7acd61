// Reading and comparing the entries of several archives at once without holding any of them
// whole: an entry is read in pieces, and two entries are compared piece by piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/BigArchive.h"

namespace VTR_CORE {

// Entries are read and compared in pieces of at most this many bytes.
inline constexpr std::size_t ComparePiece = std::size_t(1) << 20;

// An archive whose entries are read in pieces: from memory for an entry held there, else from
// the archive file, opened once (when first needed) and checked to be the file the directory
// was read from.
class EntryPieces {
public:
    // `shown` names the archive in messages (a path as the user gave it).
    EntryPieces(BigArchive& archive, std::string shown);

    const BigArchive& Archive() const { return *archive_; }
    const std::string& Shown() const { return shown_; }
    std::int64_t Size(std::size_t index) const { return archive_->Entries.at(index).Size; }

    // Reads `count` bytes from `offset` within entry `index` into `out`. Throws when the range
    // is not within the entry or the file cannot be read; the message names the archive and
    // the entry.
    void Read(std::size_t index, std::int64_t offset, char* out, std::size_t count);
    // "ARCHIVE": entry N "NAME" (the name as UTF-8), for messages about one entry.
    std::string EntryPlace(std::size_t index) const;

    // Announces the entries about to be read, so that small ones lying close together in the
    // file are read in one go, with the little that lies between them, in blocks of up to
    // ReadBlock bytes. A read of thousands of small entries then takes a few dozen calls to the
    // system instead of one each.
    void ReadTogether(std::vector<std::size_t> entries);

    static constexpr std::size_t ReadBlock = 256 * 1024;
    static constexpr std::int64_t SmallEntry = 64 * 1024;
    static constexpr std::int64_t MaxGap = 4 * 1024;  // costs less to read than a call

private:
    platform::ReadableFile& File();

    BigArchive* archive_;
    std::string shown_;
    std::unique_ptr<platform::ReadableFile> file_;
    // For each entry announced, the end of the block read when it is read first; else 0.
    std::vector<std::int64_t> blockEnd_;
    std::string block_;  // the last block read, of blockSize_ bytes from blockStart_
    std::int64_t blockStart_ = 0;
    std::size_t blockSize_ = 0;
};

// One entry of one of the archives being compared.
struct EntryRef {
    EntryPieces* archive = nullptr;
    std::size_t index = 0;
};

// Compares entries piece by piece, with two buffers kept from one comparison to the next.
class PieceComparer {
public:
    // True when every entry holds the same bytes as the first from offset `from` on. Entries of
    // different sizes differ without being read; otherwise each piece of the first entry is
    // read once and the others' pieces are read against it until the first difference.
    bool AllSame(const std::vector<EntryRef>& entries, std::int64_t from = 0);

private:
    char* Buffer(std::string& buffer, std::size_t size);
    std::string first_, other_;
};

}  // namespace VTR_CORE
