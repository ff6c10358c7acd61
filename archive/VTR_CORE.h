// The windows' archive: one BigArchive for the run, with the progress counters the progress
// window shows and the path of the archive last loaded, and the operations the windows call.
// These keep the windows' rules: only "BIGF" archives load, with at most MaxEntries entries.
// Failures throw (see VTR_STR.h for the kinds); the message says what failed and where.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "archive/BigArchive.h"
#include "archive/VTR_STR.h"

namespace VTR_CORE {

constexpr int MaxEntries = 4096;

struct ArchiveDirectory : BigArchive {
    std::int32_t EntryCount = 0;
    std::int32_t LastIndex = 0;
    std::string ArchivePath;
};

// The archive directory of this run.
ArchiveDirectory& Archive();

// Blanks the table (exit, and tests).
void BlankEntries();

// Called once per entry during the directory walk, and once per entry and per piece written
// during a save; the window layer pumps events. An empty function (the default) does nothing.
void SetYieldHook(std::function<void()> hook);

bool IsBigArchive(const std::string& path);
void ReadEntryCount(const std::string& path);
// On failure the directory (Entries, EntryCount, ArchivePath) is left as it was before the call.
void ReadDirectory(const std::string& path, bool loadWhole);
void GetEntryData(std::int32_t index, const std::string& destination, bool write);
void ReplaceEntryFromFile(std::int32_t index, const std::string& source);
// Writes the whole archive to `path` through a temporary file; `path` is unchanged on failure.
void WriteArchive(const std::string& path);

VTR_STR::InterpreterInfo BigInitialise();

}  // namespace VTR_CORE
