// The archive file changes under the program after a lazy load: deleted, cut short, or replaced
// by another file. Extract, Edit file and Save of entries that were never read then each fail
// with one message and one log line saying why, write nothing, and the program goes on working.
#include <gtest/gtest.h>

#include <QPushButton>
#include <filesystem>
#include <ostream>

#include "tests/reliability/SampleArchive.h"
#include "tests/reliability/WindowDriver.h"

namespace reliability {
namespace {

using testsupport::NamedData;

enum class Change { Deleted, Truncated, ReplacedByOtherArchive, ReplacedBySameLength };

struct WorldCase {
    const char* name;
    Change change;
};

// The sample archive with every data byte changed: same length and layout, other contents.
std::string SameLayoutOtherContents() {
    NamedData entries = SampleEntries();
    for (auto& [name, data] : entries)
        for (char& byte : data) byte = static_cast<char>(byte ^ 0x5A);
    return testsupport::MakeBig(entries);
}

void ChangeArchive(Change change, const std::string& path) {
    switch (change) {
        case Change::Deleted:
            std::filesystem::remove(path);
            break;
        case Change::Truncated:
            std::filesystem::resize_file(path, 40);
            break;
        case Change::ReplacedByOtherArchive:
            testsupport::WriteBytes(path, testsupport::MakeBig(OtherEntries()));
            break;
        case Change::ReplacedBySameLength:
            // Written aside and renamed over, as editors save: a new file of the same length.
            // (A rewrite in place of the same length is told apart only by its timestamps,
            // which coarse file-system clocks may leave unchanged; it is not tested here.)
            testsupport::WriteBytes(path + ".new", SameLayoutOtherContents());
            std::filesystem::rename(path + ".new", path);
            break;
    }
}

void PrintTo(const WorldCase& row, std::ostream* out) { *out << row.name; }

class WorldChange : public ::testing::TestWithParam<WorldCase> {
protected:
    void SetUp() override {
        testsupport::WriteBytes(archive_, testsupport::MakeBig(SampleEntries()));
        testsupport::WriteBytes(dir_.File("other.big"), testsupport::MakeBig(OtherEntries()));
        driver_.Load(archive_, false);
        ASSERT_NE(driver_.FileNode(kLogo), nullptr);
        ChangeArchive(GetParam().change, archive_);
    }

    // Runs `command` and expects it to fail visibly and to leave every file as it was.
    template <typename Command>
    void ExpectFailsCleanly(const char* what, Command command) {
        SCOPED_TRACE(what);
        const FolderSnapshot before = Snapshot(dir_);
        const std::size_t messages = driver_.MessageCount();
        const int logLines = driver_.LogLineCount();
        command();
        EXPECT_EQ(SnapshotDifferences(before, Snapshot(dir_)), "")
            << "a file was written or changed";
        ASSERT_EQ(driver_.MessageCount(), messages + 1)
            << "not one message; the last one: " << driver_.LastMessage().toStdString();
        EXPECT_TRUE(driver_.LastMessage().startsWith("Unable to"))
            << driver_.LastMessage().toStdString();
        EXPECT_EQ(driver_.LogLineCount(), logLines + 1);
        EXPECT_TRUE(driver_.window().isEnabled());
        EXPECT_EQ(driver_.window().OpenEditor(), nullptr) << "an editor opened";
        // Keeps one failure from cascading into the next command.
        if (QWidget* editor = driver_.window().OpenEditor()) editor->close();
        DeleteClosedWindows();
    }

    testsupport::TempDir dir_;
    const std::string archive_ = dir_.File("game.big");
    WindowDriver driver_;
};

TEST_P(WorldChange, CommandsFailWithAMessageAndTheProgramGoesOn) {
    ExpectFailsCleanly("extract", [&] { driver_.Extract(kLogo, dir_.File("logo.tga")); });
    ExpectFailsCleanly("edit file", [&] { driver_.Edit(kGameIni); });
    ExpectFailsCleanly("save over the archive", [&] { driver_.Save(archive_); });
    ExpectFailsCleanly("save to a new file", [&] { driver_.Save(dir_.File("new.big")); });

    // Entries already in memory are unaffected, and another archive loads and works.
    driver_.Load(dir_.File("other.big"), false);
    driver_.Extract(1, dir_.File("notes.txt"));
    EXPECT_EQ(driver_.LastMessage(), "File extracted.");
    EXPECT_EQ(testsupport::ReadBytes(dir_.File("notes.txt")), OtherEntries()[1].second);
    driver_.Save(dir_.File("resaved.big"));
    EXPECT_EQ(driver_.LastMessage(), "File saved.");
    EXPECT_EQ(ParseBig(testsupport::ReadBytes(dir_.File("resaved.big"))), OtherEntries());
}

INSTANTIATE_TEST_SUITE_P(
    ArchiveFile, WorldChange,
    ::testing::Values(WorldCase{"Deleted", Change::Deleted},
                      WorldCase{"Truncated", Change::Truncated},
                      WorldCase{"ReplacedByOtherArchive", Change::ReplacedByOtherArchive},
                      WorldCase{"ReplacedBySameLength", Change::ReplacedBySameLength}),
    [](const ::testing::TestParamInfo<WorldCase>& info) { return info.param.name; });

}  // namespace
}  // namespace reliability
