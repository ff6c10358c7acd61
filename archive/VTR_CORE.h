// The BIG archive engine: the in-memory archive directory and the operations that read it from
// a BIG file, move entry data between the archive, memory and loose files, and write it back.
// Failures throw std::runtime_error (or platform::FileError) whose message says what failed and where.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "archive/VTR_STR.h"

namespace VTR_CORE {

constexpr int MaxEntries = 4096;
constexpr int MaxNameLength = 255;

struct ArchiveEntry {
    std::string Name;
    std::string Data;
    bool Modified = false;
    bool Loaded = false;
    std::int32_t Position = 0;  // 1-based position of the first data byte in the archive file
    std::int32_t Size = 0;
};

struct ArchiveDirectory {
    std::array<ArchiveEntry, MaxEntries> Entries;
    std::int32_t EntryCount = 0;
    std::int32_t LastIndex = 0;
    std::string ArchivePath;
};

// The archive directory of this run.
ArchiveDirectory& Archive();

// Blanks all slots (exit, and tests).
void BlankEntries();

// Called once per entry during the directory walk and the write; the window layer pumps events.
// An empty function (the default) does nothing.
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
