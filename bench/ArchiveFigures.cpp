// The archive engine's figures: directory load, whole load, the two saves, the memory a save
// takes, and extract, each against the plain file operation that does the same I/O.
#include <cstring>
#include <vector>

#include "archive/BigArchive.h"
#include "archive/VTR_CORE.h"
#include "bench/BenchInputs.h"
#include "bench/Figures.h"
#include "bench/PeakMemory.h"
#include "bench/RawFiles.h"

namespace bench {

namespace {

std::string In(const Context& context, const std::string& name) {
    return context.folder + "/" + name;
}

double MiB(std::size_t bytes) { return double(bytes) / double(1 << 20); }

// Checks that the engine did the whole job, so that a fast figure is not a broken one.
void Expect(Context& context, bool holds, const std::string& what) {
    if (!holds) context.report.Fail(what);
}

std::size_t BytesInMemory(const VTR_CORE::BigArchive& archive) {
    std::size_t total = 0;
    for (const VTR_CORE::ArchiveEntry& entry : archive.Entries) total += entry.Data.size();
    return total;
}

// The least any directory reader must do: read the directory bytes and find each record's end.
std::size_t ScanDirectory(const std::string& path, std::int64_t directoryEnd, int count) {
    const Buffer bytes = ReadRange(path, 16, std::size_t(directoryEnd - 16));
    const char* at = bytes.bytes.get();
    const char* end = at + bytes.size;
    std::size_t found = 0;
    for (int i = 0; i < count && end - at > 8; ++i) {
        at = static_cast<const char*>(std::memchr(at + 8, 0, std::size_t(end - at - 8)));
        if (at == nullptr) break;
        ++at;
        ++found;
    }
    return found;
}

struct DirectoryInput {
    std::string path;
    std::int64_t directoryEnd = 0;
    int count = 0;
    std::string lastName;
};

DirectoryInput MakeDirectoryInput(Context& context, int count, const std::string& name) {
    const std::vector<std::string> names = TreeNames(count);
    DirectoryInput input{In(context, name), 0, count, names.back()};
    input.directoryEnd =
        WriteBigArchive(input.path, names, std::vector<std::size_t>(names.size(), 64));
    WarmUp(input.path);
    return input;
}

// Loads into a fresh object, so that the figure is the load, not freeing the last one.
double TimeLoad(Context& context, const DirectoryInput& input) {
    VTR_CORE::BigArchive archive;
    const double seconds = SecondsFor([&] { archive.Open(input.path, false); });
    Expect(context,
           archive.Entries.size() == std::size_t(input.count) &&
               archive.Entries.back().Name == input.lastName && !archive.Entries.back().Loaded,
           "directory load did not read all " + std::to_string(input.count) + " records lazily");
    return seconds;
}

// The same from the disk: where the reads, not the work in memory, would show.
void DirectoryLoadCold(Context& context, const DirectoryInput& input) {
    std::vector<double> ours, scan;
    for (int run = 0; run < context.sizes.smallRuns; ++run) {
        Evict(input.path);
        ours.push_back(TimeLoad(context, input));
        Evict(input.path);
        scan.push_back(
            SecondsFor([&] { (void)ScanDirectory(input.path, input.directoryEnd, input.count); }));
    }
    context.report.Add({"directory load cold", Median(ours), Median(scan), 3});
}

// The large load, its scan and the small load take turns, so that each ratio compares runs
// made under the same conditions.
void DirectoryLoad(Context& context) {
    const int large = context.sizes.directoryEntries;
    const DirectoryInput big = MakeDirectoryInput(context, large, "directory.big");
    const DirectoryInput small = MakeDirectoryInput(context, large / 10, "directory-small.big");
    std::vector<double> ours, scan, oursSmall;
    std::size_t scanned = 0;
    for (int run = 0; run < context.sizes.smallRuns; ++run) {
        ours.push_back(TimeLoad(context, big));
        scan.push_back(
            SecondsFor([&] { scanned = ScanDirectory(big.path, big.directoryEnd, large); }));
        oursSmall.push_back(TimeLoad(context, small));
    }
    Expect(context, scanned == std::size_t(large), "the scan did not find every record");
    DirectoryLoadCold(context, big);
    context.report.Add({"directory load", Median(ours), Median(scan), 3});
    context.report.Add({"directory load growth", Median(ours), Median(oursSmall), 12});
    RemoveIfPresent(big.path);
    RemoveIfPresent(small.path);
}

struct LargeArchive {
    std::string path;
    std::size_t bytes = 0;      // the file's length
    std::size_t dataBytes = 0;  // the sum of the entries' sizes
};

LargeArchive MakeLargeArchive(Context& context) {
    const Sizes& sizes = context.sizes;
    const std::vector<std::string> names = TreeNames(sizes.archiveEntries);
    const std::size_t entryBytes = sizes.archiveBytes / std::size_t(sizes.archiveEntries);
    LargeArchive archive{In(context, "large.big"), 0, entryBytes * names.size()};
    const std::int64_t directoryEnd =
        WriteBigArchive(archive.path, names, std::vector<std::size_t>(names.size(), entryBytes));
    archive.bytes = std::size_t(directoryEnd) + 9 + archive.dataBytes;
    WarmUp(archive.path);
    return archive;
}

void WholeLoad(Context& context, const LargeArchive& input) {
    std::vector<double> ours, baseline;
    VTR_CORE::ArchiveDirectory archive;
    for (int run = 0; run < context.sizes.largeRuns; ++run) {
        archive = VTR_CORE::ArchiveDirectory();
        ours.push_back(SecondsFor([&] { archive.ReadDirectory(input.path, true); }));
        Buffer contents;
        baseline.push_back(SecondsFor([&] { contents = ReadWhole(input.path); }));
    }
    Expect(context, BytesInMemory(archive) == input.dataBytes,
           "whole load left entry data on disk");
    context.report.Add({"whole load", Median(ours), Median(baseline), 1.3});
}

// Saves the archive that is loaded whole; the save's memory growth is taken in the same runs.
void SaveFromMemory(Context& context, const LargeArchive& input) {
    VTR_CORE::ArchiveDirectory archive;
    archive.ReadDirectory(input.path, true);
    const Buffer image = ReadWhole(input.path);
    const std::string saved = In(context, "saved.big"), copy = In(context, "copy.big");
    std::vector<double> ours, baseline, growth;
    for (int run = 0; run < context.sizes.largeRuns; ++run) {
        RemoveIfPresent(saved);
        SyncAll();
        PeakMemory peak;
        ours.push_back(SecondsFor([&] { archive.WriteArchive(saved); }));
        growth.push_back(peak.GrowthMiB());
        if (run == 0)
            Expect(context, SameContents(saved, input.path),
                   "save from memory wrote a file that differs from the input archive");
        RemoveIfPresent(copy);
        SyncAll();
        baseline.push_back(SecondsFor([&] { WriteDurably(copy, image.View()); }));
    }
    context.report.Add({"save from memory", Median(ours), Median(baseline), 1.3});
    context.report.Add({"save memory", Median(growth), {}, MiB(input.bytes) / 10, "MiB"});
    RemoveIfPresent(saved);
    RemoveIfPresent(copy);
}

// Saves the archive loaded lazily: the entries are copied from the archive file, not read into
// memory; the memory the save takes is measured in the same runs, up to its end.
void SaveFromDisk(Context& context, const LargeArchive& input) {
    const std::string saved = In(context, "saved.big"), copy = In(context, "copy.big");
    std::vector<double> ours, baseline, growth;
    VTR_CORE::ArchiveDirectory archive;
    for (int run = 0; run < context.sizes.largeRuns; ++run) {
        archive.ReadDirectory(input.path, false);
        RemoveIfPresent(saved);
        SyncAll();
        PeakMemory peak;
        ours.push_back(SecondsFor([&] { archive.WriteArchive(saved); }));
        growth.push_back(peak.GrowthMiB());
        if (run == 0)
            Expect(context, SameContents(saved, input.path) && BytesInMemory(archive) == 0,
                   "save from disk wrote a file that differs from the input archive, or kept "
                   "entries in memory");
        RemoveIfPresent(copy);
        SyncAll();
        baseline.push_back(SecondsFor([&] { CopyDurably(input.path, copy); }));
    }
    context.report.Add({"save from disk", Median(ours), Median(baseline), 1.0});
    context.report.Add({"save from disk memory", Median(growth), {}, 64, "MiB"});
    RemoveIfPresent(saved);
    RemoveIfPresent(copy);
}

void Extract(Context& context) {
    const std::size_t size = context.sizes.extractBytes;
    const std::string path = In(context, "extract.big"), loose = In(context, "loose.bik");
    WriteBigArchive(path, {"Data\\readme.txt", "Movies\\intro.bik", "Data\\end.ini"},
                    {1000, size, 100});
    WriteFast(loose, EntryBytes(1, size));
    WarmUp(path);
    WarmUp(loose);
    const std::string extracted = In(context, "extracted.bik"), copy = In(context, "copy.bik");
    std::vector<double> ours, baseline;
    VTR_CORE::ArchiveDirectory archive;
    for (int run = 0; run < context.sizes.extractRuns; ++run) {
        archive.ReadDirectory(path, false);
        RemoveIfPresent(extracted);
        SyncAll();
        ours.push_back(SecondsFor([&] { archive.GetEntryData(1, extracted, true); }));
        RemoveIfPresent(copy);
        SyncAll();
        baseline.push_back(SecondsFor([&] { CopyDurably(loose, copy); }));
    }
    Expect(context, SameContents(extracted, loose), "extract wrote other bytes than the entry's");
    context.report.Add({"extract", Median(ours), Median(baseline), 1.5});
}

}  // namespace

void RunArchiveFigures(Context& context) {
    DirectoryLoad(context);
    {
        const LargeArchive input = MakeLargeArchive(context);
        WholeLoad(context, input);
        SaveFromMemory(context, input);
        SaveFromDisk(context, input);
        RemoveIfPresent(input.path);
    }
    Extract(context);
}

}  // namespace bench
