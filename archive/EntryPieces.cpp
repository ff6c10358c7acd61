#include "archive/EntryPieces.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "archive/EntryPath.h"

namespace VTR_CORE {

EntryPieces::EntryPieces(BigArchive& archive, std::string shown)
    : archive_(&archive), shown_(std::move(shown)) {}

std::string EntryPieces::EntryPlace(std::size_t index) const {
    return "\"" + shown_ + "\": entry " + std::to_string(index + 1) + " \"" +
           EntryPath::NameToUtf8(archive_->Entries.at(index).Name) + "\"";
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
    try {
        if (!file_) file_ = archive_->OpenSource();
        file_->ReadAt(std::int64_t{entry.Position} - 1 + offset, out, count);
    } catch (const platform::FileError& error) {
        throw platform::FileError(EntryPlace(index) + ": " + error.what());
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
