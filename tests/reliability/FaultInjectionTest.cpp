// Every file operation of a window command fails in turn (the 1st, the 2nd, ... until the command
// runs through). After each failure the files on disk are byte for byte as before, no temporary
// file is left, the user got one message and one log line, and the archive in memory is intact:
// a following Save succeeds and writes exactly the expected archive.
#include <gtest/gtest.h>

#include <QPushButton>
#include <algorithm>
#include <iostream>
#include <ostream>

#include "tests/reliability/SampleArchive.h"
#include "tests/reliability/WindowDriver.h"
#include "tests/support/FaultyFileSystem.h"

namespace reliability {
namespace {

using testsupport::NamedData;

enum class Command { SaveOverLoaded, SaveToNewFile, ExtractOntoExisting, Replace, Load };

struct FaultCase {
    const char* name;
    Command command;
    bool loadWhole;
};

const std::string kNewReadme = "A new readme.\r\n";
const std::string kOlderLongerFile(5000, 'o');

// One fresh window with the sample archive loaded, and the files around it.
class Scenario {
public:
    explicit Scenario(const FaultCase& row) : row_(row) {
        testsupport::WriteBytes(archive, testsupport::MakeBig(SampleEntries()));
        testsupport::WriteBytes(dir.File("other.big"), testsupport::MakeBig(OtherEntries()));
        testsupport::WriteBytes(dir.File("readme.new"), kNewReadme);
        testsupport::WriteBytes(dir.File("existing.ini"), kOlderLongerFile);
        driver.Load(archive, row.loadWhole);
        expected = SampleEntries();
        if (row.command == Command::SaveOverLoaded || row.command == Command::SaveToNewFile) {
            // The save must also carry a replacement that exists only in memory.
            driver.Replace(kReadme, dir.File("readme.new"));
            expected[kReadme].second = kNewReadme;
        }
    }

    void Run() {
        switch (row_.command) {
            case Command::SaveOverLoaded:
                return driver.Save(archive);
            case Command::SaveToNewFile:
                return driver.Save(dir.File("new.big"));
            case Command::ExtractOntoExisting:
                return driver.Extract(kGameIni, dir.File("existing.ini"));
            case Command::Replace:
                return driver.Replace(kLogo, dir.File("readme.new"));
            case Command::Load:
                return driver.Load(dir.File("other.big"), row_.loadWhole);
        }
    }

    // What a successful run leaves on disk; `expected` follows the change it made in memory.
    void ExpectSucceeded() {
        switch (row_.command) {
            case Command::SaveOverLoaded:
                EXPECT_EQ(ParseBig(testsupport::ReadBytes(archive)), expected);
                break;
            case Command::SaveToNewFile:
                EXPECT_EQ(ParseBig(testsupport::ReadBytes(dir.File("new.big"))), expected);
                break;
            case Command::ExtractOntoExisting:
                EXPECT_EQ(testsupport::ReadBytes(dir.File("existing.ini")),
                          expected[kGameIni].second);
                break;
            case Command::Replace:
                expected[kLogo].second = kNewReadme;
                break;
            case Command::Load:
                expected = OtherEntries();
                break;
        }
    }

    std::vector<std::string> FilesAfterSuccess(const FolderSnapshot& before) const {
        std::vector<std::string> names;
        for (const auto& [name, bytes] : before) names.push_back(name);
        if (row_.command == Command::SaveToNewFile) names.push_back("new.big");
        std::sort(names.begin(), names.end());
        return names;
    }

    // A following Save writes exactly the archive expected in memory.
    void ExpectSavesConsistently() {
        const std::string check = dir.File("check.big");
        driver.Save(check);
        ASSERT_EQ(driver.LastMessage(), "File saved.");
        EXPECT_EQ(ParseBig(testsupport::ReadBytes(check)), expected);
    }

    testsupport::TempDir dir;
    const std::string archive = dir.File("game.big");
    WindowDriver driver;
    NamedData expected;

private:
    FaultCase row_;
};

void PrintTo(const FaultCase& row, std::ostream* out) { *out << row.name; }

class FaultInjection : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultInjection, EveryFailingOperationLeavesFilesAndArchiveIntact) {
    constexpr int kMostOperations = 400;
    std::string injected;  // the operations that failed, in order
    int failures = 0;
    bool succeeded = false;
    for (int n = 1; n <= kMostOperations && !succeeded; ++n) {
        SCOPED_TRACE("file operation " + std::to_string(n) + " fails");
        Scenario scenario(GetParam());
        const FolderSnapshot before = Snapshot(scenario.dir);
        const std::size_t messagesBefore = scenario.driver.MessageCount();
        const int logBefore = scenario.driver.LogLineCount();
        {
            testsupport::ScopedFaultyFiles faults;
            faults.files.failAt = n;
            scenario.Run();
            succeeded = faults.files.operations < n;
        }
        auto& driver = scenario.driver;
        EXPECT_EQ(driver.window().OpenEditor(), nullptr);
        EXPECT_TRUE(driver.window().but_Save->isEnabled());
        EXPECT_FALSE(driver.window().IsBusy());
        if (succeeded) {
            scenario.ExpectSucceeded();
            EXPECT_EQ(scenario.dir.List(), scenario.FilesAfterSuccess(before))
                << "a temporary file was left";
        } else {
            ++failures;
            const QString message = driver.LastMessage();
            const int at = message.indexOf("Injected failure of ");
            if (at >= 0) injected += " " + message.mid(at + 20).section(' ', 0, 0).toStdString();
            EXPECT_EQ(SnapshotDifferences(before, Snapshot(scenario.dir)), "")
                << "files on disk changed or were left";
            ASSERT_EQ(driver.MessageCount(), messagesBefore + 1);
            EXPECT_TRUE(driver.LastMessage().startsWith("Unable to"))
                << driver.LastMessage().toStdString();
            EXPECT_TRUE(driver.LastMessage().contains("Injected failure"))
                << "the message does not give the reason: " << driver.LastMessage().toStdString();
            EXPECT_EQ(driver.LogLineCount(), logBefore + 1);
        }
        scenario.ExpectSavesConsistently();
    }
    EXPECT_TRUE(succeeded) << "the command never ran through";
    EXPECT_GT(failures, 0);
    std::cout << "[ FAULTS   ] " << GetParam().name << ": " << failures << " failing operations ("
              << injected << " ), then success\n";
}

INSTANTIATE_TEST_SUITE_P(
    WindowCommands, FaultInjection,
    ::testing::Values(FaultCase{"SaveOverLoadedLazy", Command::SaveOverLoaded, false},
                      FaultCase{"SaveOverLoadedWhole", Command::SaveOverLoaded, true},
                      FaultCase{"SaveToNewFile", Command::SaveToNewFile, false},
                      FaultCase{"ExtractOntoExisting", Command::ExtractOntoExisting, false},
                      FaultCase{"Replace", Command::Replace, false},
                      FaultCase{"LoadOverLoadedLazy", Command::Load, false},
                      FaultCase{"LoadOverLoadedWhole", Command::Load, true}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

}  // namespace
}  // namespace reliability
