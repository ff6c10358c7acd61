#include "archive/DirectoryReader.h"

#include <algorithm>

#include "archive/BigArchive.h"
#include "archive/GEN_COVERT.h"
#include "archive/VTR_STR.h"

namespace VTR_CORE {

namespace {

constexpr std::int64_t CountOffset = 8;
constexpr std::int64_t RecordNumbersLength = 8;
constexpr std::size_t NameWindow = MaxNameLength + 1;
constexpr std::size_t ReadBlock = 64 * 1024;

}  // namespace

std::string RecordPlace(std::size_t index, std::int64_t recordOffset) {
    return "Entry " + std::to_string(index + 1) + " at offset " + std::to_string(recordOffset);
}

DirectoryReader::DirectoryReader(platform::ReadableFile& file, std::string shownName, Mode mode)
    : file_(file), shownName_(std::move(shownName)), mode_(mode), length_(file.Length()) {}

std::string_view DirectoryReader::Peek(std::int64_t offset, std::size_t count) {
    const std::int64_t blockEnd = blockStart_ + static_cast<std::int64_t>(block_.size());
    const bool inside = offset >= blockStart_ && offset + std::int64_t(count) <= blockEnd;
    const bool pastEndKnown = blockAtEnd_ && offset >= blockStart_;
    if (!inside && !pastEndKnown) Fill(offset, count);
    const auto skip = static_cast<std::size_t>(offset - blockStart_);
    if (skip >= block_.size()) return {};
    return std::string_view(block_).substr(skip, count);
}

void DirectoryReader::Fill(std::int64_t offset, std::size_t count) {
    block_.resize(std::max(count, ReadBlock));
    const std::size_t got = file_.ReadSome(offset, block_.data(), block_.size());
    blockAtEnd_ = got < block_.size();
    block_.resize(got);
    blockStart_ = offset;
}

void DirectoryReader::Fault(std::string message) {
    if (mode_ == Mode::Strict) throw VTR_STR::MalformedData(message);
    faults_.push_back(std::move(message));
}

std::string DirectoryReader::ReadSignature() {
    const std::string_view bytes = Peek(0, 4);
    if (IsBigSignature(bytes)) return std::string(bytes);
    Fault(shownName_ + " is not a BIG archive: it does not begin with \"BIGF\" or \"BIG4\".");
    return {};
}

std::optional<std::uint32_t> DirectoryReader::ReadCount() {
    const std::string_view bytes = Peek(CountOffset, 4);
    if (bytes.size() == 4) return GEN_COVERT::BytesToUnsigned(bytes, false);
    Fault(shownName_ + " is too short to be a BIG archive: it has only " + std::to_string(length_) +
          " bytes.");
    return std::nullopt;
}

bool DirectoryReader::ReadRecord(std::size_t index, std::int64_t& at, DirectoryRecord& record) {
    const std::string_view numbers = Peek(at, RecordNumbersLength);
    if (numbers.size() < RecordNumbersLength) {
        Fault(RecordPlace(index, at) + ": the directory is cut off by the end of the file (" +
              std::to_string(length_) + " bytes).");
        return false;
    }
    record.offset = GEN_COVERT::BytesToUnsigned(numbers.substr(0, 4), false);
    record.size = GEN_COVERT::BytesToUnsigned(numbers.substr(4, 4), false);
    // This Peek may read a new block, so the numbers were taken out first.
    const std::string_view window = Peek(at + RecordNumbersLength, NameWindow);
    const std::size_t zero = window.find('\0');
    if (zero == std::string_view::npos) {
        Fault(RecordPlace(index, at) + (window.size() < NameWindow
                                            ? ": the name is cut off by the end of the file (" +
                                                  std::to_string(length_) + " bytes)."
                                            : ": the name has no terminating zero byte within " +
                                                  std::to_string(NameWindow) + " bytes."));
        return false;
    }
    record.name = window.substr(0, zero);
    at += RecordNumbersLength + std::int64_t(zero) + 1;
    return true;
}

}  // namespace VTR_CORE
