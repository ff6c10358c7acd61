// The groups of figures the benchmark measures, and the sizes they work on.
#pragma once

#include <cstddef>
#include <string>

#include "bench/BenchReport.h"

namespace bench {

struct Sizes {
    int directoryEntries = 100000;
    std::size_t archiveBytes = std::size_t(512) << 20;
    int archiveEntries = 1024;  // the large archive holds entries of archiveBytes / archiveEntries
    std::size_t extractBytes = std::size_t(64) << 20;
    int treeEntriesSmall = 1024;
    int treeEntriesLarge = 4096;
    int labelsSmall = 10000;
    int labelsLarge = 40000;
    int largeRuns = 5;  // runs of the figures that move the large archive
    int extractRuns = 11;
    int smallRuns = 21;  // runs of the figures that take milliseconds
    int cliFiles = 10000;  // files in the folder the command-line tool packs and extracts
    std::size_t cliBytes = std::size_t(512) << 20;  // their total size
    int cliListFiles = 100000;  // small files in the archive the tool lists
};

Sizes FullSizes();
// Tiny inputs and few runs, so that a CI run takes seconds.
Sizes SmallSizes();

// Where the inputs are made, and what the figures share.
struct Context {
    Sizes sizes;
    std::string folder;  // a scratch folder, removed afterwards
    Report& report;
};

void RunArchiveFigures(Context& context);
void RunStringTableFigures(Context& context);
void RunStrFigures(Context& context);
void RunWindowFigures(Context& context);
void RunCliFigures(Context& context);
void RunMountFigures(Context& context);
void RunCompareFigures(Context& context);

}  // namespace bench
