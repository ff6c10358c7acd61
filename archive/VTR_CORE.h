// The main window's archive: a BigArchive with the path it was loaded from and its entry count,
// and the operations the window's commands run on it. The window owns one; nothing is shared.
// Failures throw (see VTR_STR.h for the kinds); the message says what failed and where.
#pragma once

#include <cstdint>
#include <string>

#include "archive/BigArchive.h"
#include "archive/VTR_STR.h"

namespace VTR_CORE {

// True when the file at `path` begins with "BIGF"; false also for a missing or shorter file.
// (The load takes every signature the engine reads.)
bool IsBigArchive(const std::string& path);

class ArchiveDirectory : public BigArchive {
public:
    // The number of entries of the archive last loaded.
    std::int32_t EntryCount = 0;
    // The archive last loaded; empty until the first load.
    std::string ArchivePath;

    // The load: the signature test, the entry count and the directory walk, on one open file.
    // Returns false, changing nothing, when the file does not begin with a signature the engine
    // reads ("BIGF" or "BIG4"). Any number of entries up to the format's limits loads.
    // `progress` hears of the count before the first record is read, then of every record.
    // On a failure this object keeps the archive it had.
    bool ReadDirectory(const std::string& path, bool loadWhole,
                       const ProgressCallback& progress = {});
    // Brings the entry's bytes into memory and, with `write`, writes them to `destination`.
    void GetEntryData(std::int32_t index, const std::string& destination, bool write);
    void ReplaceEntryFromFile(std::int32_t index, const std::string& source);
    // Writes the whole archive to `path` through a temporary file; `path` is unchanged on
    // failure. ArchivePath and EntryCount stay as they are.
    void WriteArchive(const std::string& path, const ProgressCallback& progress = {});
};

VTR_STR::InterpreterInfo BigInitialise();

}  // namespace VTR_CORE
