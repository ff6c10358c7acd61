// A careful reading of a BIG archive that goes on past what the loader refuses, for a report of
// everything wrong or doubtful in it. The loader (BigArchive::Open) stops at the first fault.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/BigArchive.h"

namespace ArchiveCheck {

enum class Severity {
    Wrong,     // breaks the format: readers fail or read the wrong bytes
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

// Reads the header, every directory record and every entry's data of the archive at `path`.
// Checked: the signature; data past the end of the file or over the directory; data shared
// with or overlapping another entry's; an entry count that disagrees with the directory's
// length in the header; names that are empty, duplicated (as SameName compares) or would not
// extract (EntryPath on either system's rules); the file length in the header. Throws
// platform::FileError when the file cannot be opened or read.
Report CheckArchive(const std::string& path, const VTR_CORE::ProgressCallback& progress = {});

}  // namespace ArchiveCheck
