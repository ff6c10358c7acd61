// The BIG reader on arbitrary files. Properties:
// - a failed load leaves the previous directory as it was;
// - the lazy and the whole-file load agree on names and sizes, and fetching an entry lazily
//   gives the bytes the whole-file load read;
// - whatever loaded and could be fetched can be written, and the written archive loads back
//   with the same names, sizes and contents.
#include <cstdint>
#include <exception>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "archive/VTR_CORE.h"
#include "fuzz/FuzzSupport.h"

using fuzzsupport::Require;

namespace {

struct LoadedEntry {
    std::string name;
    std::int32_t size = 0;
    std::optional<std::string> data;  // no value when fetching it failed
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) fuzzsupport::Fail("cannot write the input file " + path);
}

// Puts a recognisable directory in place, so that a failed load can be checked against it.
void PlantSentinel() {
    VTR_CORE::BlankEntries();
    auto& archive = VTR_CORE::Archive();
    archive.ArchivePath = "sentinel.big";
    archive.EntryCount = 1;
    archive.Entries[0].Name = "sentinel\\kept.txt";
    archive.Entries[0].Data = "kept";
    archive.Entries[0].Loaded = true;
    archive.Entries[0].Size = 4;
}

void RequireSentinelKept() {
    const auto& archive = VTR_CORE::Archive();
    Require(archive.ArchivePath == "sentinel.big" && archive.EntryCount == 1 &&
                archive.Entries[0].Name == "sentinel\\kept.txt" &&
                archive.Entries[0].Data == "kept" && archive.Entries[1].Name.empty(),
            "a failed load changed the directory that was loaded before");
}

// Loads `path`; no value when the load was refused (then the old directory must be intact).
std::optional<std::vector<LoadedEntry>> Load(const std::string& path, bool loadWhole) {
    PlantSentinel();
    try {
        VTR_CORE::ReadDirectory(path, loadWhole);
    } catch (const std::exception&) {
        RequireSentinelKept();
        return std::nullopt;
    }
    const auto& archive = VTR_CORE::Archive();
    Require(archive.ArchivePath == path, "a load did not set ArchivePath");
    Require(archive.EntryCount >= 0 && archive.EntryCount <= VTR_CORE::MaxEntries,
            "EntryCount outside 0..4096 after a load");
    std::vector<LoadedEntry> entries;
    for (int i = 0; i < VTR_CORE::MaxEntries && !archive.Entries[i].Name.empty(); ++i) {
        const auto& entry = archive.Entries[i];
        Require(i < archive.EntryCount, "a slot past EntryCount holds a name after a load");
        Require(!entry.Modified, "an entry is marked modified right after a load");
        Require(entry.Loaded == loadWhole, "Loaded does not follow loadWhole");
        Require(entry.Size >= 0, "a negative size was loaded");
        if (!loadWhole) Require(entry.Data.empty(), "a lazy load read entry data");
        entries.push_back({entry.Name, entry.Size, std::nullopt});
    }
    return entries;
}

// Fetches every entry's bytes into memory; the second fetch must not change them.
void FetchAll(std::vector<LoadedEntry>& entries) {
    auto& archive = VTR_CORE::Archive();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int index = static_cast<int>(i);
        try {
            VTR_CORE::GetEntryData(index, "", false);
        } catch (const std::exception&) {
            continue;
        }
        const auto& entry = archive.Entries[i];
        Require(entry.Loaded && !entry.Modified, "a fetched entry is not marked as in memory");
        Require(entry.Data.size() == static_cast<std::size_t>(entries[i].size),
                "a fetched entry does not hold Size bytes");
        entries[i].data = entry.Data;
        VTR_CORE::GetEntryData(index, "", false);
        Require(archive.Entries[i].Data == *entries[i].data, "a second fetch changed the data");
    }
}

bool AllFetched(const std::vector<LoadedEntry>& entries) {
    for (const auto& entry : entries)
        if (!entry.data) return false;
    return true;
}

void RequireSameListing(const std::vector<LoadedEntry>& a, const std::vector<LoadedEntry>& b,
                        const char* what) {
    Require(a.size() == b.size(), std::string(what) + ": different entry counts");
    for (std::size_t i = 0; i < a.size(); ++i) {
        Require(a[i].name == b[i].name, std::string(what) + ": different names");
        Require(a[i].size == b[i].size, std::string(what) + ": different sizes");
        if (a[i].data && b[i].data)
            Require(*a[i].data == *b[i].data, std::string(what) + ": different contents");
    }
}

void RequireRoundTrip(const std::vector<LoadedEntry>& entries, const std::string& output) {
    try {
        VTR_CORE::WriteArchive(output);
    } catch (const std::exception& error) {
        fuzzsupport::Fail(std::string("an archive that loaded could not be saved: ") +
                          error.what());
    }
    auto reloaded = Load(output, true);
    Require(reloaded.has_value(), "a saved archive does not load again");
    for (std::size_t i = 0; i < reloaded->size(); ++i)
        (*reloaded)[i].data = VTR_CORE::Archive().Entries[i].Data;
    Require(VTR_CORE::Archive().EntryCount == static_cast<std::int32_t>(entries.size()),
            "the saved archive's entry count differs from the entries written");
    RequireSameListing(entries, *reloaded, "save and load again");
    for (std::size_t i = 0; i < entries.size(); ++i)
        Require(*(*reloaded)[i].data == *entries[i].data, "save and load again: lost contents");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzzsupport::ScratchFolder() + "/input.big";
    const std::string output = fuzzsupport::ScratchFolder() + "/output.big";
    WriteFile(input, fuzzsupport::AsBytes(data, size));

    (void)VTR_CORE::IsBigArchive(input);
    auto whole = Load(input, true);
    if (whole) {
        const auto& archive = VTR_CORE::Archive();
        for (std::size_t i = 0; i < whole->size(); ++i) (*whole)[i].data = archive.Entries[i].Data;
    }
    auto lazy = Load(input, false);
    if (!lazy) return 0;
    FetchAll(*lazy);
    if (whole) RequireSameListing(*whole, *lazy, "whole-file and lazy load");
    if (AllFetched(*lazy)) RequireRoundTrip(*lazy, output);
    return 0;
}
