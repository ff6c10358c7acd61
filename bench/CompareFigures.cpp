// The figures of the commands that compare archives, run as whole processes: diff of two large
// archives against cmp of one of them with an identical copy, and overlay --conflicts over many
// small archives against listing each of them with the tool, one after another.
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "bench/BenchInputs.h"
#include "bench/Figures.h"
#include "bench/RawFiles.h"

#ifndef VANTOR_CLI_PATH
#error "VANTOR_CLI_PATH must name the built vantor-cli"
#endif

namespace bench {

namespace {

struct CompareSizes {
    std::size_t diffBytes;  // each of the two archives
    int diffEntries;        // in each; 10 of them differ
    int overlayArchives;
    int overlayEntries;  // in each; half the names are in every archive
    std::size_t overlayEntryBytes;
    int overlayDiffering;  // shared names whose copy in the last archive differs
};

CompareSizes SizesFor(const Context& context) {
    if (context.sizes.archiveBytes < FullSizes().archiveBytes)
        return {4 << 20, 100, 4, 200, 1024, 5};
    return {std::size_t(512) << 20, 1000, 20, 5000, 1024, 25};
}

std::string In(const Context& context, const std::string& name) {
    return context.folder + "/" + name;
}

// The scratch folder's paths hold no quote, so single quotes keep them whole for the shell.
std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string Cli(const std::string& arguments) { return Quoted(VANTOR_CLI_PATH) + " " + arguments; }

// Runs `command` through the shell; throws unless it exits with `expected`.
void RunExpecting(const std::string& command, int expected) {
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != expected)
        throw std::runtime_error("failed (not exit status " + std::to_string(expected) +
                                 "): " + command);
}

double SecondsExpecting(const std::string& command, int expected) {
    return SecondsFor([&] { RunExpecting(command, expected); });
}

std::vector<std::string> OutputLines(const std::string& command, int expected,
                                     const std::string& file) {
    RunExpecting(command + " >" + Quoted(file), expected);
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    RemoveIfPresent(file);
    return lines;
}

void Expect(Context& context, bool holds, const std::string& what) {
    if (!holds) context.report.Fail(what);
}

// Changes one byte in the middle of each listed entry of the archive at `path`, whose data
// starts at `dataStart` and holds entries of `sizes` back to back.
void ChangeBytes(const std::string& path, std::int64_t dataStart,
                 const std::vector<std::size_t>& sizes, const std::vector<int>& entries) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    for (int entry : entries) {
        std::int64_t offset = dataStart + std::int64_t(sizes[entry] / 2);
        for (int i = 0; i < entry; ++i) offset += std::int64_t(sizes[i]);
        file.seekg(offset);
        const char old = char(file.get());
        file.seekp(offset);
        file.put(char(~old));
    }
    if (!file) throw std::runtime_error("cannot change bytes in " + path);
}

void Diff(Context& context, const CompareSizes& sizes) {
    const std::string before = In(context, "diff-old.big"), after = In(context, "diff-new.big"),
                      copy = In(context, "diff-copy.big");
    std::vector<std::string> names = TreeNames(sizes.diffEntries);
    std::vector<std::size_t> entrySizes(names.size(), sizes.diffBytes / names.size());
    WriteBigArchive(before, names, entrySizes);
    std::filesystem::copy_file(before, copy, std::filesystem::copy_options::overwrite_existing);
    // Ten differences: three entries grow, one is renamed (gone from OLD, new in NEW), five
    // change one byte and keep their size.
    const int n = sizes.diffEntries;
    for (int i : {n / 10, 4 * n / 10, 7 * n / 10}) entrySizes[i] += 1;
    names[n / 2] += ".renamed";
    const std::int64_t directoryEnd = WriteBigArchive(after, names, entrySizes);
    ChangeBytes(after, directoryEnd + 9, entrySizes, {0, n / 4, 11 * n / 20, 17 * n / 20, n - 1});
    for (const std::string& path : {before, after, copy}) WarmUp(path);

    const std::string diff = Cli("diff " + Quoted(before) + " " + Quoted(after));
    const std::string cmp = "cmp " + Quoted(before) + " " + Quoted(copy);
    std::vector<double> ours, baseline;
    for (int run = 0; run < context.sizes.largeRuns; ++run) {
        ours.push_back(SecondsExpecting(diff + " >/dev/null", 1));
        baseline.push_back(SecondsExpecting(cmp, 0));
    }
    const auto lines = OutputLines(diff, 1, In(context, "diff.txt"));
    const auto count = [&](char kind) {
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& line) { return line[0] == kind; });
    };
    Expect(context, lines.size() == 10 && count('~') == 8 && count('-') == 1 && count('+') == 1,
           "diff printed " + std::to_string(lines.size()) + " lines, not the 10 differences");
    context.report.Add({"cli diff", Median(ours), Median(baseline), 1.3});
    for (const std::string& path : {before, after, copy}) RemoveIfPresent(path);
}

void Overlay(Context& context, const CompareSizes& sizes) {
    std::vector<std::string> archives;
    const std::vector<std::size_t> entrySizes(sizes.overlayEntries, sizes.overlayEntryBytes);
    std::vector<int> differing;  // shared entries, changed in the last archive
    const int step = sizes.overlayEntries / sizes.overlayDiffering / 2 * 2;
    for (int i = 0; i < sizes.overlayDiffering; ++i) differing.push_back(i * step);
    for (int a = 0; a < sizes.overlayArchives; ++a) {
        // Even entries are shared by every archive, odd ones are this archive's own.
        std::vector<std::string> names;
        char name[64];
        for (int i = 0; i < sizes.overlayEntries; ++i) {
            if (i % 2 == 0)
                std::snprintf(name, sizeof name, "Data\\Shared\\file%05d.ini", i);
            else
                std::snprintf(name, sizeof name, "Pack%02d\\Own\\file%05d.ini", a, i);
            names.emplace_back(name);
        }
        archives.push_back(In(context, "overlay" + std::to_string(a) + ".big"));
        const std::int64_t directoryEnd = WriteBigArchive(archives.back(), names, entrySizes);
        if (a + 1 == sizes.overlayArchives)
            ChangeBytes(archives.back(), directoryEnd + 9, entrySizes, differing);
        WarmUp(archives.back());
    }
    std::string all, lists;
    for (const std::string& archive : archives) {
        all += " " + Quoted(archive);
        lists += (lists.empty() ? "" : "; ") + Cli("list " + Quoted(archive) + " >/dev/null");
    }
    const std::string overlay = Cli("overlay --conflicts" + all);
    std::vector<double> ours, baseline;
    for (int run = 0; run < context.sizes.smallRuns; ++run) {
        ours.push_back(SecondsExpecting(overlay + " >/dev/null", 1));
        baseline.push_back(SecondsExpecting(lists, 0));
    }
    const auto lines = OutputLines(overlay, 1, In(context, "overlay.txt"));
    Expect(context, int(lines.size()) == sizes.overlayDiffering,
           "overlay --conflicts printed " + std::to_string(lines.size()) + " lines, not " +
               std::to_string(sizes.overlayDiffering));
    context.report.Add({"cli overlay --conflicts", Median(ours), Median(baseline), 2});
    for (const std::string& archive : archives) RemoveIfPresent(archive);
}

}  // namespace

void RunCompareFigures(Context& context) {
    const CompareSizes sizes = SizesFor(context);
    Diff(context, sizes);
    Overlay(context, sizes);
}

}  // namespace bench
