// The archive object: both signatures, the format's own limits, editing operations, several
// archives at once, writing in pieces with progress, and writes that fail or go through links.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "archive/BigArchive.h"
#include "archive/VTR_STR.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace testsupport;
using VTR_CORE::BigArchive;

NamedData Table(BigArchive& archive) {
    NamedData table;
    for (std::size_t i = 0; i < archive.Entries.size(); ++i)
        table.emplace_back(archive.Entries[i].Name, archive.Data(i));
    return table;
}

std::string Message(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

class BigArchiveTest : public ::testing::TestWithParam<std::string> {
protected:
    std::string Put(const std::string& name, const std::string& bytes) const {
        WriteBytes(dir.File(name), bytes);
        return dir.File(name);
    }
    std::string Big(const NamedData& entries, int gap = 9) const {
        return MakeBig(entries, gap, GetParam());
    }

    TempDir dir;
    const NamedData sample{{"cfg\\base\\rules.ini", "[Rules]\r\nPace=3\r\n"},
                           {"", "nameless"},
                           {"gfx\\\xC9mblem.tga", std::string("\0\x01\x80\xff tga", 8)},
                           {"GFX\\\xE9mblem.TGA", "second of the pair"},
                           {"empty.bin", ""}};
};

TEST_P(BigArchiveTest, ReadsLazilyWholeOrFromMemoryAndWritesBackTheSameBytes) {
    for (int gap : {9, 0, 23}) {
        const std::string path = Put("in.big", Big(sample, gap));
        for (bool whole : {false, true}) {
            BigArchive archive;
            archive.Open(path, whole);
            EXPECT_EQ(archive.Signature(), GetParam());
            EXPECT_EQ(archive.Entries[2].Loaded, whole);
            EXPECT_EQ(Table(archive), sample);
            archive.Write(dir.File("out.big"));
            EXPECT_EQ(ReadBytes(dir.File("out.big")), Big(sample));
        }
        BigArchive fromMemory;
        fromMemory.OpenBytes(Big(sample, gap));
        EXPECT_EQ(fromMemory.ToBytes(), Big(sample));
    }
}

TEST_P(BigArchiveTest, EditsKeepTheOrderAndNamesCompareWithoutCase) {
    BigArchive archive;
    archive.Open(Put("in.big", Big(sample)), false);
    EXPECT_EQ(archive.Find("gfx/\xE9mblem.tga"), (std::vector<std::size_t>{}));
    EXPECT_EQ(archive.Find("GFX\\\xC9MBLEM.tga"), (std::vector<std::size_t>{2, 3}));
    EXPECT_EQ(archive.FindFirst(""), 1u);
    archive.Rename(0, "cfg\\rules.ini");
    archive.Remove(1);
    archive.ReplaceWithBytes(1, "redrawn");
    archive.ReplaceFromFile(3, Put("loose.bin", "from a file"));
    EXPECT_EQ(archive.Add("new\\late.txt", "appended"), 4u);
    archive.AddFromFile("new\\later.txt", dir.File("loose.bin"));
    const NamedData expected{{"cfg\\rules.ini", "[Rules]\r\nPace=3\r\n"},
                             {"gfx\\\xC9mblem.tga", "redrawn"},
                             {"GFX\\\xE9mblem.TGA", "second of the pair"},
                             {"empty.bin", "from a file"},
                             {"new\\late.txt", "appended"},
                             {"new\\later.txt", "from a file"}};
    EXPECT_EQ(Table(archive), expected);
    archive.Write(dir.File("out.big"));
    EXPECT_EQ(ReadBytes(dir.File("out.big")), Big(expected));

    // What cannot be stored is refused, naming the name or the file.
    EXPECT_THROW(archive.Add(std::string(256, 'n'), ""), VTR_STR::LimitExceeded);
    EXPECT_THROW(archive.Rename(0, std::string("a\0b", 3)), VTR_STR::MalformedData);
    EXPECT_THROW(archive.AddFromFile("x", dir.File("missing")), platform::FileError);
    EXPECT_THROW(archive.Remove(6), std::out_of_range);
    EXPECT_EQ(archive.Entries.size(), 6u);
}

TEST_P(BigArchiveTest, HostileCountsFailAtOnceNamingWhatTheFileCanHold) {
    const std::string header = GetParam() + LittleEndian32(40);
    const std::pair<std::string, std::string> rows[] = {
        {header + BigEndian32(2147483647) + BigEndian32(0) + std::string(24, 'x'),
         "lists 2147483647 entries, but its 40 bytes can hold at most 2 directory records."},
        {header + BigEndian32(0x80000000u) + BigEndian32(0),
         "the entry count 2147483648 is out of range (at most 2147483647)."},
        {header, "is too short to be a BIG archive: it has only 8 bytes."},
        {"BIGf" + std::string(12, '\0'), "is not a BIG archive"}};
    for (const auto& [bytes, message] : rows) {
        const auto started = std::chrono::steady_clock::now();
        BigArchive archive;
        const std::string error = Message([&] { archive.Open(Put("bad.big", bytes), false); });
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(100));
    }
}

TEST_P(BigArchiveTest, AHundredThousandEntriesRoundTripInAFewSeconds) {
    const auto started = std::chrono::steady_clock::now();
    BigArchive made(GetParam());
    for (int i = 0; i < 100000; ++i)
        made.Add("set" + std::to_string(i % 97) + "\\item" + std::to_string(i) + ".dat",
                 std::string(i % 7, char('a' + i % 26)));
    made.Write(dir.File("many.big"));
    BigArchive read;
    read.Open(dir.File("many.big"), false);
    ASSERT_EQ(read.Entries.size(), made.Entries.size());
    read.LoadAll();
    for (std::size_t i = 0; i < made.Entries.size(); ++i)
        ASSERT_TRUE(read.Entries[i].Name == made.Entries[i].Name &&
                    read.Entries[i].Data == made.Entries[i].Data)
            << i;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

TEST_P(BigArchiveTest, TwoArchivesAtOnceStayApart) {
    const std::string path = Put("shared.big", Big(sample));
    BigArchive first, second;
    first.Open(path, false);
    second.Open(path, false);
    first.ReplaceWithBytes(0, "changed in the first");
    first.Remove(4);
    EXPECT_EQ(Table(second), sample);
    second.Write(dir.File("second.big"));
    EXPECT_EQ(ReadBytes(dir.File("second.big")), Big(sample));
    EXPECT_EQ(first.Data(0), "changed in the first");
}

// Names read from a directory share storage: each must still be its own value.
TEST_P(BigArchiveTest, NamesOutliveTheirArchiveAndChangeOneAtATime) {
    NamedData longNames;
    for (int i = 0; i < 600; ++i)  // about 150 KiB of names, so more than one shared block
        longNames.emplace_back(std::string(250, char('a' + i % 26)) + std::to_string(i),
                               std::to_string(i));
    const std::string path = Put("long.big", Big(longNames));
    std::vector<VTR_CORE::ArchiveEntry> kept;
    BigArchive copy;
    {
        BigArchive archive;
        archive.Open(path, true);
        kept.assign(archive.Entries.begin(), archive.Entries.end());
        copy = archive;
        archive.Rename(1, "renamed in the first");
        EXPECT_EQ(archive.Entries[0].Name, longNames[0].first);
        EXPECT_EQ(archive.Entries[2].Name, longNames[2].first);
    }
    ASSERT_EQ(kept.size(), longNames.size());
    for (std::size_t i = 0; i < kept.size(); ++i)
        ASSERT_TRUE(kept[i].Name == longNames[i].first && copy.Entries[i].Name == longNames[i].first)
            << i;
    copy.Rename(599, std::string(255, 'z'));
    copy.Write(dir.File("copy.big"));
    longNames.back().first = std::string(255, 'z');
    EXPECT_EQ(ReadBytes(dir.File("copy.big")), Big(longNames));
}

TEST_P(BigArchiveTest, LargeWritesGoOutInPiecesWithProgress) {
    BigArchive archive(GetParam());
    for (int i = 0; i < 3; ++i) archive.Add("part" + std::to_string(i), std::string(5 << 20, 'p'));
    std::vector<VTR_CORE::Progress> reports;
    archive.Write(dir.File("large.big"), [&](const VTR_CORE::Progress& p) { reports.push_back(p); });
    const std::int64_t length = std::filesystem::file_size(dir.File("large.big"));
    ASSERT_GE(reports.size(), 4u);  // 15 MiB in pieces of 4 MiB at most
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_GE(reports[i].bytesDone, reports[i - 1].bytesDone);
        EXPECT_GE(reports[i].entriesDone, reports[i - 1].entriesDone);
        EXPECT_EQ(reports[i].bytesTotal, length);
    }
    EXPECT_EQ(reports.back().bytesDone, length);
    EXPECT_EQ(reports.back().entriesDone, 3);
}

TEST_P(BigArchiveTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    const std::string target = Put("target.big", Big(sample));
    BigArchive archive;
    archive.Open(target, false);
    archive.Add("extra", "more");
    for (int failAt = 1;; ++failAt) {
        SCOPED_TRACE(failAt);
        BigArchive attempt = archive;
        ScopedFaultyFiles faulty;
        faulty.files.failAt = failAt;
        const std::string error = Message([&] { attempt.Write(target); });
        platform::SetFiles(nullptr);
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"target.big"}));
        if (error.empty()) break;
        EXPECT_NE(error.find("Injected failure"), std::string::npos) << error;
        EXPECT_EQ(ReadBytes(target), Big(sample));
    }
}

#ifndef _WIN32
TEST_P(BigArchiveTest, SavingThroughALinkReplacesItsTargetAndKeepsTheLink) {
    const std::string real = Put("real.big", Big(sample));
    std::filesystem::create_symlink("real.big", dir.File("link.big"));
    BigArchive archive;
    archive.Open(dir.File("link.big"), false);
    archive.Remove(0);
    archive.Write(dir.File("link.big"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.big")));
    EXPECT_EQ(ReadBytes(real), Big(NamedData(sample.begin() + 1, sample.end())));
}
#endif

TEST(BigArchive, NewArchivesAreBIGFUnlessChosen) {
    EXPECT_EQ(BigArchive().Signature(), "BIGF");
    EXPECT_EQ(BigArchive("BIG4").Signature(), "BIG4");
    EXPECT_THROW(BigArchive("BIGX"), std::invalid_argument);
}

INSTANTIATE_TEST_SUITE_P(Signatures, BigArchiveTest, ::testing::Values("BIGF", "BIG4"));

}  // namespace
