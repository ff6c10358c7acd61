// Commands under a failing disk: every file operation of pack, extract, the in-place edits and
// str2csf fails in turn. Afterwards the old archive and old files are intact, no temporary file
// is left, and the exit status is 1 with the reason on standard error.
#include <gtest/gtest.h>

#include <functional>

#include "archive/EntryPath.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/FaultyFileSystem.h"

namespace {

using namespace clitest;

// Runs `args` with the n-th file operation failing, for n = 1, 2, ... until the command runs
// through without reaching the failure; `reset` comes before each run, `check` after each run
// that failed, `done` after each that succeeded although an operation failed (the tidying of
// leftover temporary files tolerates failures). Returns how many runs failed.
int SweepFaults(const std::vector<std::string>& args, const std::function<void()>& reset,
                const std::function<void()>& check, const std::function<void()>& done) {
    int failures = 0;
    for (int failAt = 1; failAt < 1000; ++failAt) {
        reset();
        Outcome outcome;
        bool reached = false;
        {
            testsupport::ScopedFaultyFiles faulty;
            faulty.files.failAt = failAt;
            outcome = RunTool(args);
            reached = faulty.files.operations >= failAt;
        }
        if (!reached) {
            EXPECT_EQ(outcome.status, 0) << outcome.err;
            return failures;
        }
        if (outcome.status == 0) {
            done();
            continue;
        }
        ++failures;
        SCOPED_TRACE("operation " + std::to_string(failAt) + " failed");
        EXPECT_EQ(outcome.status, 1);
        EXPECT_TRUE(Contains(outcome.err, "vantor-cli: ")) << outcome.err;
        EXPECT_TRUE(Contains(outcome.err, "Injected failure")) << outcome.err;
        check();
    }
    ADD_FAILURE() << "the command never succeeded";
    return failures;
}

// The files under `root`, but for the lock file an edit leaves beside the archive: it is empty
// and stays, and no part of what a failure must leave intact.
Files WithoutLock(const std::string& root) {
    Files files = FilesUnder(root);
    files.erase("game.big.lock");
    return files;
}

TEST(Faults, AFailedCommandLeavesEveryFileWholeAndNoTemporaryFile) {
    const testsupport::NamedData old{{"Data\\a.ini", "a"}, {"b.dat", std::string(90000, 'b')}};
    Files before{{"game.big", testsupport::MakeBig(old, 9, "BIG4")},
                 {"loose.txt", "loose bytes"},
                 {"good.str", "A\n\"a\"\nEND\n"},
                 {"out.csf", "the old table"}};
    testsupport::NamedData entries;
    for (const auto& [path, bytes] : Files{{"Data/INI/game.ini", "[Game]\nPace=2\n"},
                                           {"Data/empty.dat", ""},
                                           {"Art/caf\xC3\xA9 logo.tga", std::string(70000, 'T')}}) {
        before["src/" + path] = bytes;
        before["out/" + path] = "old " + path;
        std::string name = EntryPath::Utf8ToName(path);
        std::replace(name.begin(), name.end(), '/', '\\');
        entries.emplace_back(name, bytes + " new");
    }
    before["new.big"] = testsupport::MakeBig(entries);
    // Whether the command writes one file, which must then be as it was; extract writes file
    // after file, each of which must be the old or the new one.
    const std::pair<std::vector<std::string>, bool> commands[] = {
        {{"pack", "@src", "-o", "@game.big"}, true},
        {{"replace", "@game.big", "data/A.ini", "@loose.txt"}, true},
        {{"add", "@game.big", "@loose.txt", "--as", "new.txt"}, true},
        {{"remove", "@game.big", "b.dat"}, true},
        {{"rename", "@game.big", "b.dat", "c.dat"}, true},
        {{"str2csf", "@good.str", "-o", "@out.csf"}, true},
        {{"extract", "@new.big", "-C", "@out"}, false},
    };
    for (const auto& [command, oneFile] : commands) {
        SCOPED_TRACE(command[0]);
        testsupport::TempDir dir;
        const std::vector<std::string> args = InDir(dir, command);
        PutFiles(dir.path(), before);
        ASSERT_EQ(RunTool(args).status, 0);
        const Files after = WithoutLock(dir.path());
        EXPECT_NE(after, before);
        const int failures = SweepFaults(
            args, [&] { PutFiles(dir.path(), before); },
            [&] {
                const Files now = WithoutLock(dir.path());
                EXPECT_TRUE(!oneFile || now == before);
                EXPECT_EQ(now.size(), before.size());
                for (const auto& [path, bytes] : now)
                    EXPECT_TRUE(before.count(path) &&
                                (bytes == before.at(path) || bytes == after.at(path)))
                        << path;
            },
            [&] { EXPECT_EQ(WithoutLock(dir.path()), after); });
        EXPECT_GT(failures, 3);
        EXPECT_EQ(WithoutLock(dir.path()), after);
    }
}

}  // namespace
