// The mount command run as a program, on archives made here, through the real FUSE: what the
// folder shows against what extract writes, reads of ranges, the archive changed under the
// mount, every way a mount fails to start and every way it ends. Skipped where /dev/fuse is
// missing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "tests/cli/CliTestSupport.h"

extern char** environ;

namespace {

using namespace clitest;
using testsupport::NamedData;
using testsupport::ReadBytes;
using testsupport::TempDir;

// The command line that mounts `archive` at `folder` with `extra` arguments.
std::vector<std::string> MountCommand(const std::string& archive, const std::string& folder,
                                      const std::vector<std::string>& extra = {}) {
    std::vector<std::string> command = {VANTOR_CLI_PATH, "mount", archive, folder};
    command.insert(command.end(), extra.begin(), extra.end());
    return command;
}

// Starts `command` with its standard output gone and its standard error in `errPath`.
pid_t Start(const std::vector<std::string>& command, const std::string& errPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<char*> argv;
    for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

// The exit status, or 128 plus the signal that ended the process.
int WaitFor(pid_t pid) {
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool IsMounted(const std::string& folder) {
    struct stat self {
    }, parent{};
    return stat(folder.c_str(), &self) == 0 && stat((folder + "/..").c_str(), &parent) == 0 &&
           self.st_dev != parent.st_dev;
}

// Polls `holds` until it is true or five seconds have passed.
bool Eventually(const std::function<bool()>& holds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!holds()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

std::vector<std::string> FoldersUnder(const std::string& root) {
    std::vector<std::string> folders;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root))
        if (item.is_directory()) folders.push_back(item.path().lexically_relative(root).string());
    std::sort(folders.begin(), folders.end());
    return folders;
}

// Bytes that differ at every offset for a long stretch, so a range read at the wrong place shows.
std::string Pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = char((i * 131 + seed * 7 + i / 251) & 0xFF);
    return bytes;
}

class Mount : public ::testing::Test {
protected:
    void SetUp() override {
        if (access("/dev/fuse", F_OK) != 0)
            GTEST_SKIP() << "/dev/fuse is missing: this system offers no FUSE, so nothing can be "
                            "mounted and the mount tests do not run.";
        std::filesystem::create_directory(mountPoint);
    }
    void TearDown() override {
        if (IsMounted(mountPoint))
            std::system(("fusermount3 -u -z '" + mountPoint + "' 2>/dev/null").c_str());
    }

    // Runs the mount in the background; returns its exit status, its standard error in `err`.
    int MountInBackground(const std::string& archive, std::string& err) {
        const int status = WaitFor(Start(MountCommand(archive, mountPoint), errFile));
        err = ReadBytes(errFile);
        return status;
    }
    // Starts a mount in the foreground and waits until its folder answers.
    pid_t MountInForeground(const std::string& archive) {
        const pid_t pid = Start(MountCommand(archive, mountPoint, {"-f"}), errFile);
        EXPECT_TRUE(Eventually([&] { return IsMounted(mountPoint); })) << ReadBytes(errFile);
        return pid;
    }

    TempDir dir;
    std::string mountPoint = dir.File("mnt");
    std::string errFile = dir.File("stderr");
};

TEST_F(Mount, ShowsWhatExtractWritesAndReadsAnyRange) {
    const std::string deep = Pattern(700000, 1);
    const NamedData entries = {{"Data\\INI\\game.ini", "[Game]\r\nPace=2\r\n"},
                               {"Data\\empty.dat", ""},
                               {"Data\\Deep\\er\\bytes.bin", deep},
                               {"Art\\Caf\xE9 \x80.tga", Pattern(5000, 2)},
                               {"top.txt", "top"},
                               {"bad:name.txt", "refused"},
                               {"DATA\\ini\\GAME.INI", "twin"},
                               {"top.txt\\under", "under a file"}};
    const std::string archive = dir.File("game.big");
    MakeArchive(archive, entries);
    ASSERT_EQ(RunTool({"extract", archive, "-C", dir.File("extracted")}).status, cli::ExitFailure);

    std::string err;
    ASSERT_EQ(MountInBackground(archive, err), 0) << err;
    ASSERT_TRUE(IsMounted(mountPoint));
    const std::vector<std::string> warnings = Lines(err);
    ASSERT_EQ(warnings.size(), 3u) << err;
    EXPECT_TRUE(Contains(warnings[0], "warning: entry 6 \"bad:name.txt\" is left out")) << err;
    EXPECT_TRUE(Contains(warnings[1],
                         "warning: entry 7 \"DATA\\ini\\GAME.INI\" differs from "
                         "entry 1 \"Data\\INI\\game.ini\" only in letter case"))
        << err;
    EXPECT_TRUE(Contains(warnings[2], "warning: entry 8 \"top.txt\\under\" is left out")) << err;

    EXPECT_EQ(FilesUnder(mountPoint), FilesUnder(dir.File("extracted")));
    EXPECT_EQ(FoldersUnder(mountPoint), FoldersUnder(dir.File("extracted")));

    const int file = open((mountPoint + "/Data/Deep/er/bytes.bin").c_str(), O_RDONLY);
    ASSERT_GE(file, 0);
    struct Range {
        std::size_t offset, count;
    };
    for (const Range range : {Range{0, 1}, Range{4095, 3}, Range{131071, 2}, Range{300000, 70000},
                              Range{deep.size() - 5, 100}, Range{deep.size(), 10}}) {
        std::string got(range.count, '\0');
        const ssize_t read = pread(file, got.data(), got.size(), off_t(range.offset));
        ASSERT_GE(read, 0) << range.offset;
        got.resize(std::size_t(read));
        EXPECT_EQ(got, deep.substr(std::min(range.offset, deep.size()), range.count))
            << range.offset;
    }
    close(file);

    // Readers at once, each on its own file, all get their own bytes.
    std::vector<std::thread> readers;
    std::vector<std::string> got(4);
    const std::vector<std::string> paths = {"Data/Deep/er/bytes.bin",
                                            "Art/Caf\xC3\xA9 \xE2\x82\xAC.tga", "Data/INI/game.ini",
                                            "Data/Deep/er/bytes.bin"};
    for (std::size_t i = 0; i < paths.size(); ++i)
        readers.emplace_back([&, i] { got[i] = ReadBytes(mountPoint + "/" + paths[i]); });
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(got[0], deep);
    EXPECT_EQ(got[1], Pattern(5000, 2));
    EXPECT_EQ(got[3], deep);

    EXPECT_EQ(std::system(("fusermount3 -u '" + mountPoint + "'").c_str()), 0);
    EXPECT_FALSE(IsMounted(mountPoint));
}

enum class Change { RewrittenInPlace, RenamedOver };

class ArchiveChange : public Mount, public ::testing::WithParamInterface<Change> {};

TEST_P(ArchiveChange, ReadsAndOpensFailWithEioAndOneLineSaysWhy) {
    const std::string archive = dir.File("live.big");
    const std::string first = Pattern(4 << 20, 3);
    MakeArchive(archive, {{"a.bin", first}, {"b.txt", "bee"}});
    const pid_t server = MountInForeground(archive);
    const int file = open((mountPoint + "/a.bin").c_str(), O_RDONLY);
    ASSERT_GE(file, 0);
    char byte = 0;
    ASSERT_EQ(pread(file, &byte, 1, 0), 1);
    EXPECT_EQ(byte, first[0]);

    if (GetParam() == Change::RewrittenInPlace) {
        const int writer = open(archive.c_str(), O_WRONLY);
        ASSERT_EQ(pwrite(writer, "XYZ", 3, 100), 3);
        close(writer);
    } else {
        MakeArchive(archive + ".new", {{"a.bin", Pattern(4 << 20, 4)}, {"b.txt", "bee"}});
        ASSERT_EQ(rename((archive + ".new").c_str(), archive.c_str()), 0);
    }
    // Bytes never fetched go to the server, which refuses them at once; bytes the kernel held
    // from before are dropped as soon as the server hears of the change.
    errno = 0;
    EXPECT_EQ(pread(file, &byte, 1, 3 << 20), -1);
    EXPECT_EQ(errno, EIO);
    EXPECT_TRUE(Eventually([&] { return pread(file, &byte, 1, 0) == -1 && errno == EIO; }));
    close(file);
    EXPECT_EQ(open((mountPoint + "/b.txt").c_str(), O_RDONLY), -1);
    EXPECT_EQ(errno, EIO);

    kill(server, SIGTERM);
    EXPECT_EQ(WaitFor(server), 0);
    EXPECT_FALSE(IsMounted(mountPoint));
    const std::vector<std::string> lines = Lines(ReadBytes(errFile));
    ASSERT_EQ(lines.size(), 1u) << ReadBytes(errFile);
    EXPECT_EQ(lines[0], "vantor-cli: \"" + archive + "\" changed after it was mounted at \"" +
                            mountPoint + "\"; reads of it fail from now on.");
}

INSTANTIATE_TEST_SUITE_P(Ways, ArchiveChange,
                         ::testing::Values(Change::RewrittenInPlace, Change::RenamedOver),
                         [](const auto& info) {
                             return info.param == Change::RenamedOver ? "RenamedOver"
                                                                      : "RewrittenInPlace";
                         });

class Unmount : public Mount, public ::testing::WithParamInterface<std::string> {};

TEST_P(Unmount, EndsTheForegroundMountCleanly) {
    const std::string archive = dir.File("small.big");
    MakeArchive(archive, {{"x.txt", "x"}});
    const pid_t server = MountInForeground(archive);
    ASSERT_EQ(ReadBytes(mountPoint + "/x.txt"), "x");
    if (GetParam() == "fusermount3")
        EXPECT_EQ(std::system(("fusermount3 -u '" + mountPoint + "'").c_str()), 0);
    else
        kill(server, GetParam() == "SIGTERM" ? SIGTERM : SIGINT);
    EXPECT_EQ(WaitFor(server), 0);
    EXPECT_FALSE(IsMounted(mountPoint));
    EXPECT_EQ(ReadBytes(errFile), "");
}

INSTANTIATE_TEST_SUITE_P(By, Unmount, ::testing::Values("fusermount3", "SIGTERM", "SIGINT"),
                         [](const auto& info) { return info.param; });

struct StartFailure {
    std::string title;
    std::string expected;  // the one line on standard error, after "vantor-cli: "
};

class FailedStart : public Mount, public ::testing::WithParamInterface<StartFailure> {};

TEST_P(FailedStart, IsOneLineAndExitStatusOne) {
    const std::string archive = dir.File("ok.big");
    MakeArchive(archive, {{"x.txt", "x"}});
    testsupport::WriteBytes(dir.File("plain.txt"), "not a folder");
    const std::string title = GetParam().title;
    std::vector<std::string> command = MountCommand(archive, mountPoint);
    if (title == "ArchiveMissing") command[2] = dir.File("missing.big");
    if (title == "FolderMissing") command[3] = dir.File("nowhere");
    if (title == "FolderIsAFile") command[3] = dir.File("plain.txt");
    if (title == "AlreadyMounted") {
        std::string err;
        ASSERT_EQ(MountInBackground(archive, err), 0) << err;
    }
    if (title == "NoFuseDevice") {
        // A mount namespace of its own with an empty /dev: needs root and unshare.
        if (geteuid() != 0 || std::system("unshare -m true 2>/dev/null") != 0)
            GTEST_SKIP() << "hiding /dev/fuse needs root and unshare";
        std::string shell = "mount -t tmpfs none /dev && exec";
        for (const std::string& arg : command) shell += " '" + arg + "'";
        command = {"unshare", "-m", "sh", "-c", shell};
    }
    const int status = WaitFor(Start(command, errFile));
    std::string expected = GetParam().expected;
    for (const auto& [mark, path] : {std::pair<std::string, std::string>{"@archive", archive},
                                     {"@missing", dir.File("missing.big")},
                                     {"@nowhere", dir.File("nowhere")},
                                     {"@plain", dir.File("plain.txt")},
                                     {"@mnt", mountPoint}})
        if (const auto at = expected.find(mark); at != std::string::npos)
            expected.replace(at, mark.size(), path);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(ReadBytes(errFile), "vantor-cli: " + expected + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, FailedStart,
    ::testing::Values(
        StartFailure{"ArchiveMissing", "Cannot open \"@missing\": No such file or directory"},
        StartFailure{"FolderMissing", "Cannot mount at \"@nowhere\": it does not exist."},
        StartFailure{"FolderIsAFile", "Cannot mount at \"@plain\": it is not a folder."},
        StartFailure{"AlreadyMounted", "Cannot mount at \"@mnt\": it is already a mount point."},
        StartFailure{"NoFuseDevice",
                     "Cannot mount: there is no /dev/fuse, so this system offers no FUSE."}),
    [](const auto& info) { return info.param.title; });

}  // namespace
