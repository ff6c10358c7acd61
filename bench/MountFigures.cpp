// The mount's figures: the built vantor-cli serving an archive in the foreground, measured with
// tar and ls against the same over the extracted files, and the server's memory. Needs FUSE
// (/dev/fuse and fusermount3); without the mount command in the build the group is skipped.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "bench/BenchInputs.h"
#include "bench/Figures.h"
#include "bench/RawFiles.h"

extern char** environ;

namespace bench {

#ifdef VANTOR_MOUNT_AVAILABLE

namespace {

std::string In(const Context& context, const std::string& name) {
    return context.folder + "/" + name;
}

// The scratch folder's paths hold no quote, so single quotes keep them whole for the shell.
std::string Quoted(const std::string& path) { return "'" + path + "'"; }

void RunCommand(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

bool IsMounted(const std::string& folder) {
    struct stat self {
    }, parent{};
    return ::stat(folder.c_str(), &self) == 0 && ::stat((folder + "/..").c_str(), &parent) == 0 &&
           self.st_dev != parent.st_dev;
}

// `vantor-cli mount -f` as a child process, for as long as the object lives.
class MountedArchive {
public:
    MountedArchive(const std::string& archive, const std::string& folder) : folder_(folder) {
        std::filesystem::create_directories(folder);
        std::vector<std::string> args = {VANTOR_CLI_PATH, "mount", "-f", archive, folder};
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            throw std::runtime_error("cannot start vantor-cli mount");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!IsMounted(folder)) {
            if (std::chrono::steady_clock::now() > deadline || waitpid(pid_, nullptr, WNOHANG))
                throw std::runtime_error("vantor-cli mount did not mount " + folder);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    ~MountedArchive() {
        RunCommand("fusermount3 -u " + Quoted(folder_));
        waitpid(pid_, nullptr, 0);
    }
    MountedArchive(const MountedArchive&) = delete;
    MountedArchive& operator=(const MountedArchive&) = delete;

    // The server's resident memory at its highest so far.
    double PeakMiB() const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.starts_with("VmHWM:")) return std::stod(line.substr(6)) / 1024;
        throw std::runtime_error("cannot read the mount's memory");
    }

private:
    std::string folder_;
    pid_t pid_ = -1;
};

// An archive of `names` and, for the baseline, the same files extracted by the tool.
void MakeArchiveAndFiles(const std::string& archive, const std::string& files,
                         const std::vector<std::string>& names, std::size_t eachSize) {
    WriteBigArchive(archive, names, std::vector<std::size_t>(names.size(), eachSize));
    RunCommand(Quoted(VANTOR_CLI_PATH) + " extract " + Quoted(archive) + " -C " + Quoted(files));
}

double SecondsForCommand(const std::string& command) {
    return SecondsFor([&] { RunCommand(command); });
}

void FirstReads(Context& context) {
    const Sizes& sizes = context.sizes;
    const std::string archive = In(context, "mount.big"), files = In(context, "mount-files"),
                      folder = In(context, "mount-point");
    const std::size_t eachSize = sizes.archiveBytes / std::size_t(sizes.archiveEntries);
    MakeArchiveAndFiles(archive, files, TreeNames(sizes.archiveEntries), eachSize);
    {
        MountedArchive mount(archive, folder);
        RunCommand("diff -r " + Quoted(folder) + " " +
                   Quoted(files));  // and both in the page cache
        const auto tarOf = [](const std::string& dir) {
            return "tar -cf - -C " + Quoted(dir) + " . | cat >/dev/null";
        };
        std::vector<double> ours, baseline;
        for (int run = 0; run < sizes.largeRuns; ++run) {
            ours.push_back(SecondsForCommand(tarOf(folder)));
            baseline.push_back(SecondsForCommand(tarOf(files)));
        }
        context.report.Add({"mount first read (tar)", Median(ours), Median(baseline), 1.5});
        context.report.Add(
            {"mount memory after reading everything", mount.PeakMiB(), {}, 64, "MiB"});
    }
    std::filesystem::remove_all(files);
    RemoveIfPresent(archive);
}

void Listing(Context& context) {
    const Sizes& sizes = context.sizes;
    const std::string archive = In(context, "mount-many.big"),
                      files = In(context, "mount-many-files"),
                      folder = In(context, "mount-many-point");
    MakeArchiveAndFiles(archive, files, TreeNames(sizes.directoryEntries), 16);
    {
        MountedArchive mount(archive, folder);
        const auto listing = [&](const std::string& dir) {
            return "cd " + Quoted(dir) + " && ls -R . >" + Quoted(In(context, "listing.txt"));
        };
        RunCommand(listing(files));
        const std::string expected = [&] {
            std::ifstream in(In(context, "listing.txt"));
            return std::string(std::istreambuf_iterator<char>(in), {});
        }();
        RunCommand(listing(folder));
        std::ifstream in(In(context, "listing.txt"));
        if (std::string(std::istreambuf_iterator<char>(in), {}) != expected)
            context.report.Fail("ls -R of the mount differs from ls -R of the extracted files");
        std::vector<double> ours, baseline;
        for (int run = 0; run < sizes.smallRuns; ++run) {
            ours.push_back(SecondsForCommand("ls -R " + Quoted(folder) + " >/dev/null"));
            baseline.push_back(SecondsForCommand("ls -R " + Quoted(files) + " >/dev/null"));
        }
        context.report.Add({"mount ls -R", Median(ours), Median(baseline), 2});
    }
    std::filesystem::remove_all(files);
    RemoveIfPresent(archive);
}

}  // namespace

void RunMountFigures(Context& context) {
    if (::access("/dev/fuse", F_OK) != 0) {
        std::printf("# mount figures skipped: there is no /dev/fuse\n");
        return;
    }
    FirstReads(context);
    Listing(context);
}

#else

void RunMountFigures(Context&) {
    std::printf("# mount figures skipped: vantor-cli was built without the mount command\n");
}

#endif

}  // namespace bench
