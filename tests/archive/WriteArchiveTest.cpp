#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "tests/archive/ArchiveFixture.h"
#include "tests/support/FaultyFileSystem.h"

namespace archivetest {
namespace {

using testsupport::MakeBig;
using testsupport::NamedData;
using testsupport::ReadBytes;

void SetEntry(int index, const std::string& name, const std::string& data) {
    auto& entry = VTR_CORE::Archive().Entries[index];
    entry.Name = name;
    entry.Data = data;
    entry.Size = static_cast<std::int32_t>(data.size());
    entry.Modified = true;
}

class WriteArchiveTest : public ArchiveTest {
protected:
    // The sample archive (with junk between directory and data) loaded without its data,
    // entry 1 replaced from a file; returns its path.
    std::string LoadAndReplace(bool loadWhole = false) {
        const std::string path = Put("source.big", MakeBig(sample, 37));
        VTR_CORE::ReadDirectory(path, loadWhole);
        VTR_CORE::ReplaceEntryFromFile(1, Put("replacement.txt", "replaced bytes"));
        return path;
    }
    NamedData Edited() const {
        NamedData edited = sample;
        edited[1].second = "replaced bytes";
        return edited;
    }
};

TEST_F(WriteArchiveTest, SmallArchivesByteForByte) {
    SetEntry(0, "a.txt", "hello");
    VTR_CORE::WriteArchive(dir.File("one.big"));
    using namespace std::string_literals;
    EXPECT_EQ(ReadBytes(dir.File("one.big")),
              "BIGF\x2c\0\0\0\0\0\0\x01\0\0\0\x26\0\0\0\x27\0\0\0\x05"
              "a.txt\0L225\0\0\0\0\0hello"s);
    EXPECT_EQ(VTR_CORE::Archive().Entries[0].Position, 40);

    VTR_CORE::BlankEntries();
    VTR_CORE::WriteArchive(dir.File("empty.big"));
    EXPECT_EQ(ReadBytes(dir.File("empty.big")), "BIGF\x19\0\0\0\0\0\0\0\0\0\0\x18L225\0\0\0\0\0"s);

    // The first empty name ends the table.
    SetEntry(0, "a", "1");
    SetEntry(2, "c", "3");
    VTR_CORE::WriteArchive(dir.File("out.big"));
    EXPECT_EQ(ReadBytes(dir.File("out.big")), MakeBig({{"a", "1"}}));
}

TEST_F(WriteArchiveTest, RoundTripsOverTheLoadedFileAndToANewOne) {
    for (bool overLoaded : {true, false})
        for (bool whole : {false, true}) {
            SCOPED_TRACE(std::string(overLoaded ? "over loaded" : "new file") +
                         (whole ? " whole" : " lazy"));
            const std::string source = LoadAndReplace(whole);
            const std::string target = overLoaded ? source : dir.File("copy.big");
            int yields = 0;
            VTR_CORE::SetYieldHook([&] { ++yields; });
            VTR_CORE::WriteArchive(target);
            VTR_CORE::SetYieldHook({});
            EXPECT_EQ(ReadBytes(target), MakeBig(Edited()));
            const auto& archive = VTR_CORE::Archive();
            EXPECT_EQ(yields, 3);
            EXPECT_EQ(archive.LastIndex, 2);
            EXPECT_EQ(archive.ArchivePath, source);
            EXPECT_TRUE(archive.Entries[2].Loaded);
            EXPECT_FALSE(archive.Entries[2].Modified);
            EXPECT_TRUE(archive.Entries[1].Modified);
            EXPECT_EQ(ReadBytes(target).substr(archive.Entries[2].Position - 1), sample[2].second);
            VTR_CORE::ReadDirectory(target, false);
            EXPECT_EQ(LoadedTable(), Edited());
        }
}

TEST_F(WriteArchiveTest, AFailureAtAnyStepLeavesTheTargetAsItWas) {
    struct Row {
        const char* name;
        bool overLoaded;
        bool existing;
    };
    for (const Row& row : {Row{"OverLoaded", true, true}, Row{"NewFile", false, false},
                           Row{"OverOtherFile", false, true}}) {
        int failAt = 1;
        for (;; ++failAt) {
            SCOPED_TRACE(std::string(row.name) + " failing operation " + std::to_string(failAt));
            const std::string source = LoadAndReplace();
            const std::string target = row.overLoaded ? source : dir.File("target.big");
            if (!row.overLoaded && row.existing) Put("target.big", "an older file");
            const std::string before = row.existing ? ReadBytes(target) : "";
            const auto listing = dir.List();
            bool failed = false;
            {
                testsupport::ScopedFaultyFiles faulty;
                faulty.files.failAt = failAt;
                try {
                    VTR_CORE::WriteArchive(target);
                } catch (const std::runtime_error&) {
                    failed = true;
                }
            }
            if (!failed) break;
            EXPECT_EQ(dir.List(), listing);
            if (row.existing) {
                EXPECT_EQ(ReadBytes(target), before);
            }
            VTR_CORE::WriteArchive(target);
            EXPECT_EQ(ReadBytes(target), MakeBig(Edited()));
            std::filesystem::remove(target);
        }
        // Open (once for both unread entries), two reads, create, write, flush, close and rename
        // each failed once.
        EXPECT_EQ(failAt, 9) << row.name;
    }
}

}  // namespace
}  // namespace archivetest
