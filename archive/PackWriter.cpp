#include "archive/PackWriter.h"

#include <algorithm>
#include <memory>

#include "archive/CaseFold.h"
#include "archive/EditLock.h"
#include "archive/EntryPath.h"
#include "archive/VTR_STR.h"
#include "platform/Console.h"

namespace PackWriter {

namespace {

constexpr std::size_t Piece = 4 * 1024 * 1024;

using platform::Quoted;

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

namespace PackWriter {

namespace {

class FolderWalk {
public:
    FolderWalk(std::string root, const Warning& warn) : root_(std::move(root)), warn_(warn) {}

    std::vector<LooseFile> Files() {
        std::vector<std::string> segments;
        Visit(root_, segments);
        std::sort(files_.begin(), files_.end(),
                  [](const LooseFile& a, const LooseFile& b) { return a.name < b.name; });
        return std::move(files_);
    }

private:
    void Visit(const std::string& folder, std::vector<std::string>& segments) {
        for (const platform::FolderItem& item : platform::Files().ListFolder(folder)) {
            const std::string path = folder + "/" + item.name;
            segments.push_back(item.name);
            if (item.kind == platform::PathKind::Directory) {
                Visit(path, segments);
            } else if (item.kind == platform::PathKind::RegularFile) {
                files_.push_back({NameFor(segments), path});
            } else if (warn_) {
                warn_(platform::Quoted(path) +
                      " is skipped: it is not a regular file or a folder.");
            }
            segments.pop_back();
        }
    }

    std::string NameFor(const std::vector<std::string>& segments) {
        try {
            return EntryPath::PathToName(segments);
        } catch (const std::exception& error) {
            throw std::runtime_error("Cannot pack " + platform::Quoted(root_) + ": " +
                                     error.what());
        }
    }

    std::string root_;
    const Warning& warn_;
    std::vector<LooseFile> files_;
};

std::string LastSegment(const std::string& path) {
    const std::size_t separator = path.find_last_of(platform::WindowsFileNames ? "/\\" : "/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool SameFile(const platform::FileStamp& a, const platform::FileStamp& b) {
    return a.device == b.device && a.inode == b.inode;
}

}  // namespace

std::vector<LooseFile> CollectFolder(const std::string& root, const Warning& warn) {
    return FolderWalk(root, warn).Files();
}

void LeaveOut(std::vector<LooseFile>& files, const std::string& path, const Warning& warn) {
    std::vector<std::pair<std::string, platform::FileStamp>> doomed;
    for (const std::string& candidate : {path, VTR_CORE::LockFilePath(path)})
        if (platform::Files().Kind(candidate) == platform::PathKind::RegularFile)
            doomed.emplace_back(LastSegment(candidate),
                                platform::Files().OpenRead(candidate)->Stamp());
    std::erase_if(files, [&](const LooseFile& file) {
        for (const auto& [name, stamp] : doomed) {
            if (LastSegment(file.path) != name) continue;
            if (!SameFile(platform::Files().OpenRead(file.path)->Stamp(), stamp)) continue;
            if (warn)
                warn(platform::Quoted(file.path) + " is left out: it is the archive being written" +
                     (name == LastSegment(path) ? "." : "'s lock file."));
            return true;
        }
        return false;
    });
}

void WarnAboutCaseTwins(const std::vector<LooseFile>& files, const Warning& warn) {
    const std::vector<std::size_t> first = CaseFold::FirstOfSameName(
        files.size(), [&](std::size_t i) { return std::string_view(files[i].name); });
    for (std::size_t i = 0; i < files.size(); ++i)
        if (first[i] != i && warn)
            warn(platform::Quoted(files[i].path) + " and " +
                 platform::Quoted(files[first[i]].path) +
                 " differ only in letter case; readers find only the first by name.");
}

}  // namespace PackWriter
