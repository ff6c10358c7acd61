// Commands under a failing disk: every file operation of pack, extract and the in-place edits
// fails in turn. Afterwards the old archive and old files are intact, no temporary file is
// left, and the exit status is 1 with the reason on standard error.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "archive/EntryPath.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/FaultyFileSystem.h"

namespace {

using clitest::FilesUnder;
using clitest::MakeArchive;
using clitest::PutFiles;
using clitest::RunTool;
using testsupport::NamedData;
using testsupport::ReadBytes;
using testsupport::TempDir;

using Snapshot = std::map<std::string, std::string>;

const Snapshot kLooseFiles{{"Data/INI/game.ini", "[Game]\nPace=2\n"},
                           {"Data/empty.dat", ""},
                           {"Art/caf\xC3\xA9 logo.tga", std::string(70000, 'T')}};

// Runs `args` with the n-th file operation failing, for n = 1, 2, ... until the command
// succeeds. After each failure `check` is given the outcome. Returns how many runs failed.
int SweepFaults(const std::vector<std::string>& args, const std::function<void()>& reset,
                const std::function<void(const clitest::Outcome&)>& checkFailure) {
    for (int failAt = 1; failAt < 1000; ++failAt) {
        reset();
        clitest::Outcome outcome;
        {
            testsupport::ScopedFaultyFiles faulty;
            faulty.files.failAt = failAt;
            outcome = RunTool(args);
        }
        if (outcome.status == 0) return failAt - 1;
        SCOPED_TRACE("operation " + std::to_string(failAt) + " failed");
        EXPECT_EQ(outcome.status, 1);
        EXPECT_NE(outcome.err.find("vantor-cli: "), std::string::npos) << outcome.err;
        EXPECT_NE(outcome.err.find("Injected failure"), std::string::npos) << outcome.err;
        checkFailure(outcome);
    }
    ADD_FAILURE() << "the command never succeeded";
    return 0;
}

TEST(Faults, PackLeavesTheOldArchiveOrWritesTheNewOne) {
    TempDir source, target;
    PutFiles(source.path(), kLooseFiles);
    const std::string archive = target.File("packed.big");
    const NamedData old{{"old.txt", "the old archive"}};
    const int failures = SweepFaults(
        {"pack", source.path(), "-o", archive}, [&] { MakeArchive(archive, old); },
        [&](const clitest::Outcome&) {
            EXPECT_EQ(clitest::ArchiveContents(archive), old);
            EXPECT_EQ(target.List(), std::vector<std::string>{"packed.big"});
        });
    EXPECT_GT(failures, 5);
    EXPECT_EQ(clitest::ArchiveContents(archive).size(), kLooseFiles.size());
}

TEST(Faults, ExtractWritesEachFileWholeOrNotAtAll) {
    TempDir dir;
    const std::string archive = dir.File("a.big");
    NamedData entries;
    Snapshot oldFiles, newFiles;
    for (const auto& [path, bytes] : kLooseFiles) {
        std::string name = path;
        std::replace(name.begin(), name.end(), '/', '\\');
        entries.emplace_back(EntryPath::Utf8ToName(name), bytes + " new");
        oldFiles["out/" + path] = "old " + path;
        newFiles["out/" + path] = bytes + " new";
    }
    MakeArchive(archive, entries);
    const int failures = SweepFaults(
        {"extract", archive, "-C", dir.File("out")}, [&] { PutFiles(dir.path(), oldFiles); },
        [&](const clitest::Outcome&) {
            const Snapshot now = FilesUnder(dir.File("out"));
            EXPECT_EQ(now.size(), oldFiles.size());  // no temporary file
            for (const auto& [path, bytes] : now) {
                const std::string full = "out/" + path;
                EXPECT_TRUE(bytes == oldFiles[full] || bytes == newFiles[full]) << path;
            }
        });
    EXPECT_GT(failures, 5);
    for (const auto& [path, bytes] : newFiles) EXPECT_EQ(ReadBytes(dir.File(path)), bytes);
}

TEST(Faults, EditsLeaveTheOldArchiveOrWriteTheNewOne) {
    const NamedData old{{"Data\\a.ini", "a"}, {"b.dat", std::string(90000, 'b')}};
    const std::vector<std::vector<std::string>> edits{{"replace", "@", "data/A.ini", "%"},
                                                      {"add", "@", "%", "--as", "new.txt"},
                                                      {"remove", "@", "b.dat"},
                                                      {"rename", "@", "b.dat", "c.dat"}};
    for (const std::vector<std::string>& edit : edits) {
        SCOPED_TRACE(edit[0]);
        TempDir dir;
        const std::string archive = dir.File("game.big");
        testsupport::WriteBytes(dir.File("loose.txt"), "loose bytes");
        std::vector<std::string> args;
        for (const std::string& arg : edit)
            args.push_back(arg == "@" ? archive : arg == "%" ? dir.File("loose.txt") : arg);
        std::string before;
        const int failures = SweepFaults(
            args,
            [&] {
                MakeArchive(archive, old, "BIG4");
                before = ReadBytes(archive);
            },
            [&](const clitest::Outcome&) {
                EXPECT_EQ(ReadBytes(archive), before);
                EXPECT_EQ(dir.List(), (std::vector<std::string>{"game.big", "loose.txt"}));
            });
        EXPECT_GT(failures, 3);
        EXPECT_NE(ReadBytes(archive), before);
    }
}

}  // namespace
