#include "archive/ArchiveCheck.h"

#include <algorithm>

#include "archive/CaseFold.h"
#include "archive/DirectoryReader.h"
#include "archive/EntryPath.h"

namespace ArchiveCheck {

namespace {

struct Record {
    std::size_t index = 0;
    std::string name;
    std::int64_t offset = 0;
    std::int64_t size = 0;
    std::int64_t End() const { return offset + size; }
};

// "Entry 3 "name"" at the start of a message, "entry 3 "name"" inside one.
std::string Label(const Record& record, bool atStart = true) {
    return (atStart ? "Entry " : "entry ") + std::to_string(record.index + 1) + " " +
           EntryPath::ShownName(record.name);
}

constexpr std::size_t ReadBlock = 1 << 20;

class Checker {
public:
    Checker(const std::string& path, const VTR_CORE::ProgressCallback& progress)
        : file_(platform::Files().OpenRead(path)),
          reader_(*file_, "The file", VTR_CORE::DirectoryReader::Mode::Lenient),
          length_(reader_.FileLength()),
          progress_(progress) {}

    Report Run() {
        const bool headerRead = ReadDirectory();
        for (const std::string& fault : reader_.Faults()) Add(Severity::Wrong, fault);
        if (headerRead) {
            CheckData();
            CheckNames();
            ReadAllData();
        }
        report_.entriesRead = std::int64_t(records_.size());
        return std::move(report_);
    }

private:
    void Add(Severity severity, std::string message) {
        report_.findings.push_back({severity, std::move(message)});
    }

    // Reads the records up to the first that cannot be read; false when the header cannot.
    bool ReadDirectory() {
        if (reader_.ReadSignature().empty()) return false;
        const std::optional<std::uint32_t> count = reader_.ReadCount();
        if (!count) return false;
        std::int64_t at = VTR_CORE::HeaderLength;
        VTR_CORE::Progress done{0, std::int64_t(*count), 0, 0};
        VTR_CORE::DirectoryRecord read;
        for (std::size_t i = 0; i < *count && reader_.ReadRecord(i, at, read); ++i) {
            records_.push_back({i, std::string(read.name), read.offset, read.size});
            if (progress_ && ++done.entriesDone % 4096 == 0) progress_(done);
        }
        directoryEnd_ = at;
        return true;
    }

    void CheckData() {
        std::vector<const Record*> byOffset;
        for (const Record& record : records_) {
            if (record.End() > length_)
                Add(Severity::Wrong, Label(record) + ": data at offset " +
                                         std::to_string(record.offset) + " with size " +
                                         std::to_string(record.size) +
                                         " reaches past the end of the file (" +
                                         std::to_string(length_) + " bytes).");
            else if (record.size > 0 && record.offset < directoryEnd_)
                Add(Severity::Wrong, Label(record) + ": data at offset " +
                                         std::to_string(record.offset) +
                                         " lies over the directory, which ends at " +
                                         std::to_string(directoryEnd_) + ".");
            else if (record.size > 0)
                byOffset.push_back(&record);
        }
        std::stable_sort(byOffset.begin(), byOffset.end(),
                         [](const Record* a, const Record* b) { return a->offset < b->offset; });
        const Record* furthest = nullptr;  // of the entries so far, the one reaching furthest
        for (const Record* record : byOffset) {
            if (furthest && record->offset < furthest->End()) ReportOverlap(*furthest, *record);
            if (!furthest || record->End() > furthest->End()) furthest = record;
        }
    }

    void ReportOverlap(const Record& first, const Record& second) {
        if (first.offset == second.offset && first.size == second.size)
            Add(Severity::Doubtful, Label(second) + " shares its data with " + Label(first, false) +
                                        ": replacing one in place would change the other.");
        else
            Add(Severity::Wrong,
                Label(second) + ": data at offset " + std::to_string(second.offset) +
                    " overlaps the data of " + Label(first, false) + " (offsets " +
                    std::to_string(first.offset) + " to " + std::to_string(first.End()) + ").");
    }

    void CheckNames() {
        const std::vector<std::size_t> first = CaseFold::FirstOfSameName(
            records_.size(), [&](std::size_t i) { return std::string_view(records_[i].name); });
        for (const Record& record : records_) {
            if (record.name.empty()) {
                Add(Severity::Doubtful,
                    "Entry " + std::to_string(record.index + 1) + " has an empty name.");
                continue;
            }
            if (first[record.index] != record.index)
                Add(Severity::Doubtful, Label(record) + " has the same name as entry " +
                                            std::to_string(first[record.index] + 1) +
                                            "; readers find only the first.");
            CheckExtractable(record);
        }
    }

    void CheckExtractable(const Record& record) {
        const EntryPath::PathMapping here = EntryPath::NameToPath(record.name, false);
        const EntryPath::PathMapping windows = EntryPath::NameToPath(record.name, true);
        if (!here.Maps())
            Add(Severity::Doubtful, Label(record) + " cannot be extracted: " + here.problem + ".");
        else if (!windows.Maps())
            Add(Severity::Doubtful,
                Label(record) + " cannot be extracted on Windows: " + windows.problem + ".");
    }

    // Every byte of every entry that lies inside the file, so that read errors show.
    void ReadAllData() {
        VTR_CORE::Progress done{0, std::int64_t(records_.size()), 0, 0};
        for (const Record& record : records_)
            if (record.End() <= length_) done.bytesTotal += record.size;
        std::string buffer(ReadBlock, '\0');
        for (const Record& record : records_) {
            if (record.End() > length_) continue;
            for (std::int64_t at = record.offset; at < record.End();) {
                const auto piece =
                    std::size_t(std::min<std::int64_t>(ReadBlock, record.End() - at));
                file_->ReadAt(at, buffer.data(), piece);
                at += std::int64_t(piece);
                done.bytesDone += std::int64_t(piece);
                if (progress_) progress_(done);
            }
            ++done.entriesDone;
        }
        if (progress_) progress_(done);
    }

    std::unique_ptr<platform::ReadableFile> file_;
    VTR_CORE::DirectoryReader reader_;
    std::int64_t length_;
    const VTR_CORE::ProgressCallback& progress_;
    std::int64_t directoryEnd_ = 0;
    std::vector<Record> records_;
    Report report_;
};

}  // namespace

bool Report::AnyWrong() const {
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& finding) { return finding.severity == Severity::Wrong; });
}

Report CheckArchive(const std::string& path, const VTR_CORE::ProgressCallback& progress) {
    return Checker(path, progress).Run();
}

}  // namespace ArchiveCheck
