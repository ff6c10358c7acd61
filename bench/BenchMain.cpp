// vantor_bench: measures the engine and the windows against plain file operations on this
// machine and prints one line per figure. The exit status is 1 when a result was wrong or a
// figure could not be measured; missed targets do not change it. Options: --small (tiny inputs, for
// CI), --dir FOLDER (where the inputs are made; default the system's temporary folder), --only
// GROUP (archive, stringtable, str, window, cli, mount or compare).
#include <QApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/Figures.h"
#include "bench/RawFiles.h"

namespace {

struct Options {
    bool small = false;
    std::string folder;
    std::string only;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--small") {
            options.small = true;
        } else if ((arg == "--dir" || arg == "--only") && i + 1 < argc) {
            (arg == "--dir" ? options.folder : options.only) = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: vantor_bench [--small] [--dir FOLDER] "
                         "[--only archive|stringtable|str|window|cli|mount|compare]\n");
            return false;
        }
    }
    if (options.folder.empty()) options.folder = std::filesystem::temp_directory_path().string();
    return true;
}

std::string LoadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

void RunGroup(const char* name, const Options& options, bench::Context& context,
              void (*group)(bench::Context&)) {
    if (!options.only.empty() && options.only != name) return;
    try {
        group(context);
    } catch (const std::exception& error) {
        context.report.Fail(std::string(name) + " figures stopped: " + error.what());
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return 2;
    // A closed pipe (vantor_bench | head) must not end the run before the scratch folder goes.
    std::signal(SIGPIPE, SIG_IGN);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);

    bench::Report report;
    try {
        bench::ScratchFolder scratch(options.folder);
        bench::Context context{options.small ? bench::SmallSizes() : bench::FullSizes(),
                               scratch.Path(), report};
        const bench::Sizes& sizes = context.sizes;
        std::printf(
            "# vantor_bench %s sizes, load average %s\n"
            "# inputs: directory of %d entries; archive of %zu MiB in %d entries; entry of %zu MiB;"
            " trees of %d and %d entries; string tables of %d and %d labels\n",
            options.small ? "small" : "full", LoadAverage().c_str(), sizes.directoryEntries,
            sizes.archiveBytes >> 20, sizes.archiveEntries, sizes.extractBytes >> 20,
            sizes.treeEntriesSmall, sizes.treeEntriesLarge, sizes.labelsSmall, sizes.labelsLarge);
        RunGroup("archive", options, context, bench::RunArchiveFigures);
        RunGroup("stringtable", options, context, bench::RunStringTableFigures);
        RunGroup("str", options, context, bench::RunStrFigures);
        RunGroup("window", options, context, bench::RunWindowFigures);
        RunGroup("cli", options, context, bench::RunCliFigures);
        RunGroup("mount", options, context, bench::RunMountFigures);
        RunGroup("compare", options, context, bench::RunCompareFigures);
    } catch (const std::exception& error) {
        report.Fail(std::string("stopped: ") + error.what());
    }
    std::printf("# load average at the end %s\n", LoadAverage().c_str());
    report.PrintSummary();
    // Missed targets are figures, not faults: only a wrong result or a failed step fails the run.
    return report.Failed() ? 1 : 0;
}
