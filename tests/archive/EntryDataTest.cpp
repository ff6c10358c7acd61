#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "platform/FileSystem.h"
#include "tests/archive/ArchiveFixture.h"
#include "tests/support/FaultyFileSystem.h"

namespace archivetest {
namespace {

using testsupport::MakeBig;
using testsupport::ReadBytes;

class EntryDataTest : public ArchiveTest {
protected:
    std::string LoadSample() {
        const std::string path = Put("sample.big", MakeBig(sample));
        VTR_CORE::ReadDirectory(path, false);
        return path;
    }
    VTR_CORE::ArchiveEntry& Entry(int index) { return VTR_CORE::Archive().Entries[index]; }
};

TEST_F(EntryDataTest, ExtractReadsTheArchiveOnceAndWritesExactlyTheEntry) {
    const std::string archive = LoadSample();
    const std::string out = Put("out.txt", std::string(500, 'L'));
    VTR_CORE::GetEntryData(0, out, true);
    EXPECT_EQ(ReadBytes(out), sample[0].second);
    EXPECT_TRUE(Entry(0).Loaded);
    EXPECT_FALSE(Entry(0).Modified);

    std::filesystem::remove(archive);  // the second extraction takes the bytes in memory
    VTR_CORE::GetEntryData(0, dir.File("again.txt"), true);
    EXPECT_EQ(ReadBytes(dir.File("again.txt")), sample[0].second);
    EXPECT_THROW(VTR_CORE::GetEntryData(1, dir.File("empty.bin"), true), platform::FileError);
    EXPECT_FALSE(Entry(1).Loaded);
}

TEST_F(EntryDataTest, ReplacedEntriesAreExtractedWithTheirNewBytes) {
    LoadSample();
    VTR_CORE::GetEntryData(1, dir.File("zero.bin"), true);
    EXPECT_TRUE(platform::FileExists(dir.File("zero.bin")));
    EXPECT_EQ(ReadBytes(dir.File("zero.bin")), "");

    VTR_CORE::ReplaceEntryFromFile(2, Put("new.tga", "new"));
    VTR_CORE::ReplaceEntryFromFile(0, Put("nothing.ini", ""));
    EXPECT_EQ(Entry(0).Size, 0);
    EXPECT_TRUE(Entry(0).Modified && Entry(0).Loaded);
    VTR_CORE::GetEntryData(2, dir.File("logo.tga"), true);
    EXPECT_EQ(ReadBytes(dir.File("logo.tga")), "new");
    EXPECT_EQ(Entry(2).Size, 3);
}

TEST_F(EntryDataTest, AnArchiveChangedAfterLoadingIsNotReadFrom) {
    // Cut short, rewritten in place with other bytes of the same length, or replaced by a copy:
    // each is another version of the file than the directory came from.
    const std::vector<std::pair<const char*, std::string (*)(const std::string&)>> changes{
        {"cut short", [](const std::string& bytes) { return bytes.substr(0, 100); }},
        {"same length", [](const std::string& bytes) { return std::string(bytes.size(), 'x'); }},
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        const std::string archive = LoadSample();
        testsupport::WriteBytes(archive, change(ReadBytes(archive)));
        try {
            VTR_CORE::GetEntryData(2, "", false);
            ADD_FAILURE() << "read from a changed archive";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()),
                      "The archive file \"" + archive +
                          "\" has been changed or replaced since it was loaded; load it again "
                          "to read the entries that are not in memory.");
        }
        EXPECT_FALSE(Entry(2).Loaded);
    }
}

TEST_F(EntryDataTest, ReplaceFromNoFileOrAFolderChangesAndCreatesNothing) {
    LoadSample();
    const Snapshot before = TakeSnapshot();
    const auto listing = dir.List();
    struct Row {
        std::string source;
        std::string message;
    };
    const std::string missing = dir.File("missing.txt");
    const Row rows[] = {
        {missing, "Entry 1 \"data\\ini\\game.ini\" cannot be replaced: there is no file \"" +
                      missing + "\"."},
        {dir.path(), "Entry 1 \"data\\ini\\game.ini\" cannot be replaced: \"" + dir.path() +
                         "\" is a folder, not a file."}};
    for (const Row& row : rows) {
        try {
            VTR_CORE::ReplaceEntryFromFile(0, row.source);
            ADD_FAILURE() << "replaced from " << row.source;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), row.message);
        }
        EXPECT_TRUE(TakeSnapshot() == before);
        EXPECT_EQ(dir.List(), listing);
    }
}

TEST_F(EntryDataTest, AFailedExtractLeavesTheExistingFileAlone) {
    int failAt = 1;
    for (;; ++failAt) {
        SCOPED_TRACE("failing operation " + std::to_string(failAt));
        LoadSample();
        const std::string out = Put("out.txt", "an existing, longer file");
        const auto listing = dir.List();
        bool failed = false;
        {
            testsupport::ScopedFaultyFiles faulty;
            faulty.files.failAt = failAt;
            try {
                VTR_CORE::GetEntryData(0, out, true);
            } catch (const platform::FileError&) {
                failed = true;
            }
        }
        if (!failed) break;
        EXPECT_EQ(ReadBytes(out), "an existing, longer file");
        EXPECT_EQ(dir.List(), listing);
        VTR_CORE::GetEntryData(0, out, true);
        EXPECT_EQ(ReadBytes(out), sample[0].second);
    }
    // Open, read, create, write, flush, close and rename each failed once.
    EXPECT_EQ(failAt, 8);
}

}  // namespace
}  // namespace archivetest
