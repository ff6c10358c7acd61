// The command-line tool's figures: pack, extract and list, each run as a whole process against
// tar doing the same with the same files in the same run.
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "archive/BigArchive.h"
#include "bench/BenchInputs.h"
#include "bench/Figures.h"
#include "bench/RawFiles.h"

#ifndef VANTOR_CLI_PATH
#error "VANTOR_CLI_PATH must name the built vantor-cli"
#endif

namespace bench {

namespace {

std::string In(const Context& context, const std::string& name) {
    return context.folder + "/" + name;
}

// The scratch folder's paths hold no quote, so single quotes keep them whole for the shell.
std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string Cli(const std::string& arguments) { return Quoted(VANTOR_CLI_PATH) + " " + arguments; }

void RunCommand(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

double SecondsForCommand(const std::string& command) {
    return SecondsFor([&] { RunCommand(command); });
}

std::vector<std::string> RelativePaths(int count) {
    std::vector<std::string> paths = TreeNames(count);
    for (std::string& path : paths) std::replace(path.begin(), path.end(), '\\', '/');
    return paths;
}

// `count` files of `totalBytes` in all, in the folder tree of TreeNames.
void MakeFiles(const std::string& folder, const std::vector<std::string>& paths,
               std::size_t totalBytes) {
    const std::size_t count = paths.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::string path = folder + "/" + paths[i];
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        const std::size_t size = totalBytes / count + (i < totalBytes % count ? 1 : 0);
        WriteFast(path, EntryBytes(int(i), size));
    }
}

void Expect(Context& context, bool holds, const std::string& what) {
    if (!holds) context.report.Fail(what);
}

bool SameTrees(const std::string& first, const std::string& second,
               const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        if (!SameContents(first + "/" + path, second + "/" + path)) return false;
    return true;
}

void Fresh(const std::string& folder) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
}

void PackAndExtract(Context& context) {
    const Sizes& sizes = context.sizes;
    const std::vector<std::string> paths = RelativePaths(sizes.cliFiles);
    const std::string files = In(context, "cli-files"), big = In(context, "cli.big"),
                      tar = In(context, "cli.tar");
    MakeFiles(files, paths, sizes.cliBytes);
    const std::string pack = Cli("pack " + Quoted(files) + " -o " + Quoted(big));
    const std::string tarCreate = "tar -cf " + Quoted(tar) + " -C " + Quoted(files) + " .";
    RunCommand(pack);  // once untimed, so that both sides find the files in the page cache
    std::vector<double> ours, baseline;
    for (int run = 0; run < sizes.largeRuns; ++run) {
        RemoveIfPresent(big);
        SyncAll();
        ours.push_back(SecondsForCommand(pack));
        RemoveIfPresent(tar);
        SyncAll();
        baseline.push_back(SecondsForCommand(tarCreate));
    }
    VTR_CORE::BigArchive archive;
    archive.Open(big, false);
    Expect(context, archive.Entries.size() == paths.size(), "pack left out files");
    context.report.Add({"cli pack", Median(ours), Median(baseline), 1.3});

    const std::string ourOut = In(context, "cli-out"), tarOut = In(context, "tar-out");
    ours.clear();
    baseline.clear();
    for (int run = 0; run < sizes.largeRuns; ++run) {
        Fresh(ourOut);
        Fresh(tarOut);
        SyncAll();
        ours.push_back(SecondsForCommand(Cli("extract " + Quoted(big) + " -C " + Quoted(ourOut))));
        baseline.push_back(SecondsForCommand("tar -xf " + Quoted(tar) + " -C " + Quoted(tarOut)));
    }
    Expect(context, SameTrees(files, ourOut, paths), "extract wrote other bytes than packed");
    context.report.Add({"cli extract", Median(ours), Median(baseline), 1.3});
    for (const std::string& folder : {files, ourOut, tarOut}) std::filesystem::remove_all(folder);
    RemoveIfPresent(big);
    RemoveIfPresent(tar);
}

void List(Context& context) {
    const Sizes& sizes = context.sizes;
    const std::string files = In(context, "cli-small"), big = In(context, "cli-small.big"),
                      tar = In(context, "cli-small.tar"), listing = In(context, "listing.txt");
    MakeFiles(files, RelativePaths(sizes.cliListFiles), std::size_t(sizes.cliListFiles) * 200);
    RunCommand(Cli("pack " + Quoted(files) + " -o " + Quoted(big)));
    RunCommand("tar -cf " + Quoted(tar) + " -C " + Quoted(files) + " .");
    std::filesystem::remove_all(files);
    WarmUp(big);
    WarmUp(tar);
    std::vector<double> ours, baseline;
    for (int run = 0; run < sizes.smallRuns; ++run) {
        ours.push_back(SecondsForCommand(Cli("list " + Quoted(big) + " >/dev/null")));
        baseline.push_back(SecondsForCommand("tar -tf " + Quoted(tar) + " >/dev/null"));
    }
    RunCommand(Cli("list " + Quoted(big) + " >" + Quoted(listing)));
    std::ifstream lines(listing);
    const auto count =
        std::count(std::istreambuf_iterator<char>(lines), std::istreambuf_iterator<char>(), '\n');
    Expect(context, count == sizes.cliListFiles,
           "list printed " + std::to_string(count) + " lines");
    context.report.Add({"cli list", Median(ours), Median(baseline), 1});
    for (const std::string& path : {big, tar, listing}) RemoveIfPresent(path);
}

}  // namespace

void RunCliFigures(Context& context) {
    PackAndExtract(context);
    List(context);
}

}  // namespace bench
