// A careful reading of a BIG archive that goes on past what the loader refuses, for a report of
// everything wrong or doubtful in it. The loader (BigArchive::Open) stops at the first fault.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/BigArchive.h"

namespace ArchiveCheck {

enum class Severity {
    Wrong,     // an entry is unreadable or unsafe: readers fail or read the wrong bytes
    Doubtful,  // allowed by the format but probably a mistake
};

struct Finding {
    Severity severity;
    std::string message;  // says where: the entry (counted from 1) or the header field
};

struct Report {
    std::int64_t entriesRead = 0;  // directory records read
    std::vector<Finding> findings;
    bool AnyWrong() const;
};

// Reads the header, every directory record and every entry's data of the archive at `path`,
// with the loader's directory reader (DirectoryReader) in lenient mode. Wrong: no BIG signature,
// a directory or name cut off by the end of the file, data past the end of the file or over the
// directory, data partly overlapping another entry's. Doubtful: names that are empty, the same
// as an earlier one (CaseFold::SameName) or that would not extract (EntryPath on either system's
// rules); entries sharing their data. The archive size and header length fields and the bytes
// between the directory and the data are not looked at: readers never use them, and the
// programs that write archives fill them in their own ways. Throws platform::FileError when the
// file cannot be opened or read.
Report CheckArchive(const std::string& path, const VTR_CORE::ProgressCallback& progress = {});

}  // namespace ArchiveCheck
