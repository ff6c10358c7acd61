#include "archive/PackWriter.h"

#include <algorithm>
#include <memory>

#include "archive/VTR_STR.h"

namespace PackWriter {

namespace {

constexpr std::size_t Piece = 4 * 1024 * 1024;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The archive's directory, with each entry's size taken from its file and its data left there.
VTR_CORE::BigArchive Directory(std::string_view signature, const std::vector<LooseFile>& files) {
    VTR_CORE::BigArchive archive(signature);
    for (const LooseFile& file : files) {
        const std::int64_t length = platform::Files().OpenRead(file.path)->Length();
        if (length > VTR_CORE::MaxFormatNumber)
            throw VTR_STR::LimitExceeded(Quoted(file.path) + " has " + std::to_string(length) +
                                         " bytes; an entry holds at most 2147483647.");
        VTR_CORE::ArchiveEntry& entry = archive.Entries[archive.Add(file.name, {})];
        entry.Modified = entry.Loaded = false;  // its bytes are in the loose file
        entry.Size = static_cast<std::int32_t>(length);
    }
    return archive;
}

class Copier {
public:
    Copier(platform::AtomicFile& out, VTR_CORE::Progress& progress,
           const VTR_CORE::ProgressCallback& report)
        : out_(out), progress_(progress), report_(report), buffer_(Piece, '\0') {}

    // Appends the `size` bytes of the file at `path`, which must still have that length.
    void Append(const std::string& path, std::int64_t size) {
        auto file = platform::Files().OpenRead(path);
        if (file->Length() != size)
            throw platform::FileError(Quoted(path) + " changed its length while it was packed.");
        for (std::int64_t done = 0; done < size;) {
            const auto count = static_cast<std::size_t>(std::min<std::int64_t>(Piece, size - done));
            file->ReadAt(done, buffer_.data(), count);
            out_.Write({std::string_view(buffer_.data(), count)});
            done += std::int64_t(count);
            progress_.bytesDone += std::int64_t(count);
            if (report_) report_(progress_);
        }
    }

private:
    platform::AtomicFile& out_;
    VTR_CORE::Progress& progress_;
    const VTR_CORE::ProgressCallback& report_;
    std::string buffer_;
};

}  // namespace

void WritePacked(const std::string& path, std::string_view signature,
                 const std::vector<LooseFile>& files, const VTR_CORE::ProgressCallback& report,
                 bool durable) {
    VTR_CORE::BigArchive archive = Directory(signature, files);
    const std::string head = archive.LeadingBytes();
    VTR_CORE::Progress progress{0, std::int64_t(files.size()), 0, archive.WrittenLength()};
    platform::AtomicFile out(path);
    out.Write({head});
    progress.bytesDone = std::int64_t(head.size());
    Copier copier(out, progress, report);
    for (std::size_t i = 0; i < files.size(); ++i) {
        copier.Append(files[i].path, archive.Entries[i].Size);
        ++progress.entriesDone;
        if (report) report(progress);
    }
    out.Commit(durable);
}

}  // namespace PackWriter
