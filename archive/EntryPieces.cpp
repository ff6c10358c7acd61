#include "archive/EntryPieces.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "archive/EntryPath.h"

namespace VTR_CORE {

EntryPieces::EntryPieces(BigArchive& archive, std::string shown)
    : archive_(&archive), shown_(std::move(shown)) {}

std::string EntryPieces::EntryPlace(std::size_t index) const {
    return platform::Quoted(shown_) + ": " +
           EntryPath::EntryLabel(index, archive_->Entries.at(index).Name);
}

platform::ReadableFile& EntryPieces::File() {
    if (!file_) file_ = archive_->OpenSource();
    return *file_;
}

void EntryPieces::Read(std::size_t index, std::int64_t offset, char* out, std::size_t count) {
    const ArchiveEntry& entry = archive_->Entries.at(index);
    const std::int64_t size = entry.InMemory() ? std::int64_t(entry.Data.size()) : entry.Size;
    if (offset < 0 || offset > size || std::int64_t(count) > size - offset)
        throw std::out_of_range(EntryPlace(index) + ": " + std::to_string(count) +
                                " bytes at offset " + std::to_string(offset) +
                                " are not within its " + std::to_string(size) + " bytes.");
    if (entry.InMemory()) {
        std::memcpy(out, entry.Data.data() + offset, count);
        return;
    }
    const std::int64_t at = std::int64_t{entry.Position} - 1 + offset;
    const std::int64_t end = at + std::int64_t(count);
    try {
        const std::int64_t blockEnd = index < blockEnd_.size() ? blockEnd_[index] : 0;
        const bool inBlock = at >= blockStart_ && end <= blockStart_ + std::int64_t(blockSize_);
        if (!inBlock && blockEnd > end) {
            if (block_.empty()) block_ = platform::MakeByteBuffer(ReadBlock);
            blockSize_ = static_cast<std::size_t>(blockEnd - at);
            blockStart_ = at;
            File().ReadAt(at, block_.data(), blockSize_);
        } else if (!inBlock) {
            File().ReadAt(at, out, count);
            return;
        }
        std::memcpy(out, block_.data() + (at - blockStart_), count);
    } catch (const platform::FileError& error) {
        blockSize_ = 0;
        throw platform::FileError(EntryPlace(index) + ": " + error.what());
    }
}

void EntryPieces::ReadTogether(std::vector<std::size_t> entries) {
    const std::vector<ArchiveEntry>& all = archive_->Entries;
    std::erase_if(entries, [&](std::size_t i) {
        return i >= all.size() || all[i].InMemory() || all[i].Size > SmallEntry;
    });
    std::sort(entries.begin(), entries.end(),
              [&](std::size_t a, std::size_t b) { return all[a].Position < all[b].Position; });
    blockEnd_.assign(all.size(), 0);
    const auto start = [&](std::size_t i) { return std::int64_t{all[i].Position} - 1; };
    for (std::size_t first = 0, next = 0; first < entries.size(); first = next) {
        std::int64_t end = start(entries[first]) + all[entries[first]].Size;
        for (next = first + 1; next < entries.size(); ++next) {
            const std::int64_t nextEnd = start(entries[next]) + all[entries[next]].Size;
            if (start(entries[next]) - end > MaxGap ||
                nextEnd - start(entries[first]) > std::int64_t(ReadBlock))
                break;
            end = std::max(end, nextEnd);
        }
        for (std::size_t k = first; k < next; ++k) blockEnd_[entries[k]] = end;
    }
}

char* PieceComparer::Buffer(std::string& buffer, std::size_t size) {
    if (buffer.size() < size) buffer = platform::MakeByteBuffer(std::max(size, ComparePiece));
    return buffer.data();
}

bool PieceComparer::AllSame(const std::vector<EntryRef>& entries, std::int64_t from) {
    if (entries.size() < 2) return true;
    const std::int64_t size = entries[0].archive->Size(entries[0].index);
    for (const EntryRef& entry : entries)
        if (entry.archive->Size(entry.index) != size) return false;
    for (std::int64_t offset = from; offset < size;) {
        const auto piece =
            static_cast<std::size_t>(std::min<std::int64_t>(size - offset, ComparePiece));
        char* first = Buffer(first_, piece);
        char* other = Buffer(other_, piece);
        entries[0].archive->Read(entries[0].index, offset, first, piece);
        for (std::size_t i = 1; i < entries.size(); ++i) {
            entries[i].archive->Read(entries[i].index, offset, other, piece);
            if (std::memcmp(first, other, piece) != 0) return false;
        }
        offset += std::int64_t(piece);
    }
    return true;
}

}  // namespace VTR_CORE
