#include "archive/ArchiveCheck.h"

#include <algorithm>
#include <unordered_map>

#include "archive/EntryPath.h"
#include "archive/NamePattern.h"

namespace ArchiveCheck {

namespace {

constexpr std::int64_t RecordNumbersLength = 8;
constexpr std::size_t NameWindow = VTR_CORE::MaxNameLength + 1;
constexpr std::size_t ReadBlock = 1 << 20;
// The header length field holds the directory's end plus this.
constexpr std::int64_t HeaderLengthPastDirectory = 8;

struct Record {
    std::size_t index = 0;
    std::string name;
    std::int64_t offset = 0;
    std::int64_t size = 0;
    std::int64_t End() const { return offset + size; }
};

std::uint32_t Number(std::string_view bytes, bool littleEndian) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[littleEndian ? 3 - i : i]);
    return value;
}

// "Entry 3 "name"" at the start of a message, "entry 3 "name"" inside one.
std::string Label(const Record& record, bool atStart = true) {
    return (atStart ? "Entry " : "entry ") + std::to_string(record.index + 1) + " \"" +
           EntryPath::NameToUtf8(record.name) + "\"";
}

class Checker {
public:
    Checker(const std::string& path, const VTR_CORE::ProgressCallback& progress)
        : file_(platform::Files().OpenRead(path)), length_(file_->Length()), progress_(progress) {}

    Report Run() {
        if (ReadHeader()) {
            ReadDirectory();
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

    // Up to `count` bytes at `offset`, fewer where the file ends.
    std::string_view Peek(std::int64_t offset, std::size_t count) {
        const std::int64_t blockEnd = blockStart_ + std::int64_t(block_.size());
        if (offset < blockStart_ || offset + std::int64_t(count) > blockEnd) {
            block_.resize(std::max(count, ReadBlock));
            block_.resize(file_->ReadSome(offset, block_.data(), block_.size()));
            blockStart_ = offset;
        }
        const auto skip = static_cast<std::size_t>(offset - blockStart_);
        return skip >= block_.size() ? std::string_view()
                                     : std::string_view(block_).substr(skip, count);
    }

    bool ReadHeader() {
        const std::string_view head = Peek(0, std::size_t(VTR_CORE::HeaderLength));
        if (!VTR_CORE::IsBigSignature(head.substr(0, 4))) {
            Add(Severity::Wrong,
                "The file is not a BIG archive: it does not begin with \"BIGF\" or \"BIG4\".");
            return false;
        }
        if (head.size() < std::size_t(VTR_CORE::HeaderLength)) {
            Add(Severity::Wrong, "The file ends inside the 16-byte header (it has " +
                                     std::to_string(length_) + " bytes).");
            return false;
        }
        fileLengthField_ = Number(head.substr(4, 4), true);
        count_ = Number(head.substr(8, 4), false);
        headerLengthField_ = Number(head.substr(12, 4), false);
        if (fileLengthField_ != length_)
            Add(Severity::Doubtful, "The header gives the file length as " +
                                        std::to_string(fileLengthField_) + " bytes; the file has " +
                                        std::to_string(length_) + ".");
        return true;
    }

    // Reads the record at `at`; false where the file ends or a name has no zero byte.
    bool ReadRecord(std::int64_t& at, Record& record, std::string& problem) {
        const std::string_view numbers = Peek(at, RecordNumbersLength);
        if (numbers.size() < RecordNumbersLength) {
            problem = "is cut off by the end of the file";
            return false;
        }
        const std::uint32_t offset = Number(numbers.substr(0, 4), false);
        const std::uint32_t size = Number(numbers.substr(4, 4), false);
        // This Peek may read a new block, so the numbers were taken out first.
        const std::string_view window = Peek(at + RecordNumbersLength, NameWindow);
        const std::size_t zero = window.find('\0');
        if (zero == std::string_view::npos) {
            problem = window.size() < NameWindow ? "has a name cut off by the end of the file"
                                                 : "has a name without a zero byte in 256 bytes";
            return false;
        }
        record.offset = offset;
        record.size = size;
        record.name.assign(window.substr(0, zero));
        at += RecordNumbersLength + std::int64_t(zero) + 1;
        return true;
    }

    void ReadDirectory() {
        std::int64_t at = VTR_CORE::HeaderLength;
        VTR_CORE::Progress done{0, std::int64_t(count_), 0, 0};
        for (std::size_t i = 0; i < count_; ++i) {
            Record record;
            record.index = i;
            std::string problem;
            if (!ReadRecord(at, record, problem)) {
                Add(Severity::Wrong, "Directory record " + std::to_string(i + 1) + " of " +
                                         std::to_string(count_) + " at offset " +
                                         std::to_string(at) + " " + problem + ".");
                return;
            }
            records_.push_back(std::move(record));
            if (progress_ && ++done.entriesDone % 4096 == 0) progress_(done);
        }
        directoryEnd_ = at;
        CheckCountAgainstHeaderLength();
    }

    // The header length field tells where the directory ends; N records must end there.
    void CheckCountAgainstHeaderLength() {
        const std::int64_t headerEnd = headerLengthField_ - HeaderLengthPastDirectory;
        if (headerEnd == directoryEnd_) return;
        std::int64_t at = directoryEnd_;
        std::size_t more = 0;
        Record record;
        std::string problem;
        while (at < headerEnd && ReadRecord(at, record, problem)) ++more;
        if (at == headerEnd && more > 0)
            Add(Severity::Wrong, "The header counts " + std::to_string(count_) +
                                     " entries, but the directory holds " +
                                     std::to_string(count_ + more) + " records.");
        else
            Add(Severity::Wrong, "The header counts " + std::to_string(count_) +
                                     " entries, whose records end at offset " +
                                     std::to_string(directoryEnd_) +
                                     ", but its header length says the directory ends at " +
                                     std::to_string(headerEnd) + ".");
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
        std::unordered_map<std::string, const Record*> firstByName;
        for (const Record& record : records_) {
            if (record.name.empty()) {
                Add(Severity::Doubtful,
                    "Entry " + std::to_string(record.index + 1) + " has an empty name.");
                continue;
            }
            const auto [first, isNew] =
                firstByName.emplace(NamePattern::FoldedName(record.name), &record);
            if (!isNew)
                Add(Severity::Doubtful, Label(record) + " has the same name as entry " +
                                            std::to_string(first->second->index + 1) +
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
    std::int64_t length_;
    const VTR_CORE::ProgressCallback& progress_;
    std::string block_;
    std::int64_t blockStart_ = 0;
    std::int64_t fileLengthField_ = 0;
    std::size_t count_ = 0;
    std::int64_t headerLengthField_ = 0;
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
