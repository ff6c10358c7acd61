// The one reader of a BIG archive's header and directory records. The loader (BigArchive) reads
// in strict mode and stops at the first fault with an exception; the archive check reads in
// lenient mode, which keeps the faults as findings and stops reading the directory there.
//
// Header (numbers 32-bit, big-endian unless said otherwise):
//   0  signature "BIGF" or "BIG4"       8  entry count N
//   4  archive size (little-endian)     12 header length
// Readers use only the signature, N and the records: programs that write archives put various
// values in the two other fields, and bytes of their own between the directory and the data.
// Record, N of them back to back from offset 16: data offset, data size, name bytes, zero byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace VTR_CORE {

// One directory record as stored; the numbers are not checked against the format's range.
struct DirectoryRecord {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    std::string_view name;  // valid until the next read
};

class DirectoryReader {
public:
    enum class Mode { Strict, Lenient };

    // `shownName` is how messages name the file: its path in quotes, or "The file".
    DirectoryReader(platform::ReadableFile& file, std::string shownName, Mode mode);

    std::int64_t FileLength() const { return length_; }
    // The signature; lenient: empty, with a fault, when the file is not a BIG archive.
    std::string ReadSignature();
    // The entry count as stored; lenient: nothing, with a fault, when the file ends before it.
    std::optional<std::uint32_t> ReadCount();
    // Reads record `index`, which starts at `at`, and moves `at` past it. False (lenient) when
    // the directory or the name is cut off by the end of the file, or the name has no zero byte
    // within 256 bytes.
    bool ReadRecord(std::size_t index, std::int64_t& at, DirectoryRecord& record);
    // The faults met in lenient mode, in order.
    const std::vector<std::string>& Faults() const { return faults_; }

private:
    // Up to `count` bytes at `offset`; fewer only where the file ends.
    std::string_view Peek(std::int64_t offset, std::size_t count);
    void Fill(std::int64_t offset, std::size_t count);
    // Throws MalformedData (strict) or keeps the message (lenient).
    void Fault(std::string message);

    platform::ReadableFile& file_;
    std::string shownName_;
    Mode mode_;
    std::int64_t length_;
    std::string block_;
    std::int64_t blockStart_ = 0;
    bool blockAtEnd_ = false;
    std::vector<std::string> faults_;
};

// "Entry 3 at offset 45": entries are counted from 1 in messages, as a user counts them.
std::string RecordPlace(std::size_t index, std::int64_t recordOffset);

}  // namespace VTR_CORE
