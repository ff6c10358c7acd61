// The archive object over both signatures: reading and writing back, editing, the format's
// limits, names that outlive their archive, writes in pieces that fail or go through links.
// Then the main window's archive (VTR_CORE), a BigArchive with its path: a load opens the file
// once, refuses a file with neither signature and keeps the previous archive when it fails.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <tuple>

#include "archive/ArchiveCheck.h"
#include "archive/BigArchive.h"
#include "archive/VTR_CORE.h"
#include "archive/VTR_STR.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace testsupport;
using VTR_CORE::BigArchive;

// The message of the action's failure, or "" when it goes through.
std::string Message(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

NamedData Table(BigArchive& archive) {
    NamedData table;
    for (std::size_t i = 0; i < archive.Entries.size(); ++i)
        table.emplace_back(archive.Entries[i].Name, archive.Data(i));
    return table;
}

class InTempDir {
protected:
    std::string Put(const std::string& name, const std::string& bytes) const {
        WriteBytes(dir.File(name), bytes);
        return dir.File(name);
    }
    TempDir dir;
};

class BigArchiveTest : public ::testing::TestWithParam<std::string>, public InTempDir {
protected:
    std::string Big(const NamedData& entries, int gap = 9) const {
        return MakeBig(entries, gap, GetParam());
    }
    // An empty name is an ordinary entry; two names differ only in case.
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

TEST_P(BigArchiveTest, EditsKeepTheOrderLeaveOtherArchivesAloneAndNamesCompareWithoutCase) {
    BigArchive archive, other;
    archive.Open(Put("in.big", Big(sample)), false);
    other.Open(dir.File("in.big"), false);
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
    archive.Write(dir.File("out.big"));
    EXPECT_EQ(ReadBytes(dir.File("out.big")), Big(expected));
    EXPECT_EQ(Table(other), sample);

    // What cannot be stored is refused.
    EXPECT_THROW(archive.Add(std::string(256, 'n'), ""), VTR_STR::LimitExceeded);
    EXPECT_THROW(archive.Rename(0, std::string("a\0b", 3)), VTR_STR::MalformedData);
    EXPECT_THROW(archive.AddFromFile("x", dir.File("missing")), platform::FileError);
    EXPECT_THROW(archive.Remove(6), std::out_of_range);
    EXPECT_EQ(archive.Entries.size(), 6u);
    EXPECT_EQ(BigArchive().Signature(), "BIGF");
    EXPECT_THROW(BigArchive("BIGX"), std::invalid_argument);
}

TEST_P(BigArchiveTest, MalformedDirectoriesFailAtOnceNamingTheFault) {
    // A header and one record, followed by `tail` (name bytes taken as given, no zero added).
    const auto oneRecord = [&](unsigned offset, unsigned size, const std::string& nameBytes,
                               const std::string& tail = "") {
        return GetParam() + BigEndian32(0) + BigEndian32(1) + BigEndian32(0) + BigEndian32(offset) +
               BigEndian32(size) + nameBytes + tail;
    };
    const std::string header = GetParam() + LittleEndian32(40), a0("a\0", 2);
    const std::string at16 = "Entry 1 at offset 16: the ",
                      range = " is out of range (at most 2147483647).";
    const std::pair<std::string, std::string> rows[] = {
        {header + BigEndian32(2147483647) + BigEndian32(0) + std::string(24, 'x'),
         "lists 2147483647 entries, but its 40 bytes can hold at most 2 directory records."},
        {header + BigEndian32(0x80000000u) + BigEndian32(0), "the entry count 2147483648" + range},
        {header, "is too short to be a BIG archive: it has only 8 bytes."},
        {"BIGf" + std::string(12, '\0'), "is not a BIG archive"},
        {oneRecord(0, 0, std::string(256, 'x') + '\0'),
         at16 + "name has no terminating zero byte within 256 bytes."},
        {oneRecord(0x80000000u, 0, a0), at16 + "data offset 2147483648" + range},
        {oneRecord(0, 0x80000000u, a0), at16 + "data size 2147483648" + range},
        {Big({{"a", "1"}, {"data\\b.ini", "2345"}}).substr(0, 57),
         "Entry 2 \"data\\b.ini\": data at offset 55 with size 4 reaches past the end of the file "
         "(57 bytes)."}};
    for (const auto& [bytes, message] : rows)
        for (bool whole : {false, true}) {
            const auto started = std::chrono::steady_clock::now();
            BigArchive archive;
            const std::string error = Message([&] { archive.Open(Put("bad.big", bytes), whole); });
            EXPECT_NE(error.find(message), std::string::npos) << error;
            EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(100));
        }
    const std::string name255(255, 'x');
    BigArchive longest;
    longest.Open(Put("n255.big", oneRecord(0, 4, name255 + '\0', "tail")), true);
    EXPECT_EQ(Table(longest), (NamedData{{name255, GetParam()}}));
}

// The check reads the directory with the loader's reader, collecting faults instead of stopping:
// it finds an archive wrong exactly when the loader refuses it, over every truncated prefix of
// an archive and with stray bytes between directory and data.
TEST_P(BigArchiveTest, TheCheckFindsWrongWhatTheLoaderRefusesAndNothingElse) {
    const NamedData entries{{"Data\\a.ini", "[A]\r\n"}, {"b.txt", ""}, {"c.bin", "0123456789"}};
    for (const int gap : {9, 0, 7}) {
        const std::string full = Big(entries, gap);
        for (std::size_t size = 0; size <= full.size(); ++size) {
            SCOPED_TRACE(std::to_string(gap) + " bytes between, " + std::to_string(size));
            const std::string path = Put("p.big", full.substr(0, size));
            BigArchive archive;
            const std::string refusal = Message([&] { archive.Open(path, false); });
            const ArchiveCheck::Report report = ArchiveCheck::CheckArchive(path);
            EXPECT_EQ(report.AnyWrong(), !refusal.empty()) << refusal;
            if (refusal.empty()) {
                EXPECT_EQ(report.entriesRead, std::int64_t(archive.Entries.size()));
                EXPECT_TRUE(report.findings.empty());
            }
        }
    }
}

// Names read from a directory share blocks of storage: each must still be its own value. The
// write also takes more parts than one gathered write can.
TEST_P(BigArchiveTest, AHundredThousandNamesRoundTripQuicklyOutliveTheirArchiveAndChangeAlone) {
    const auto started = std::chrono::steady_clock::now();
    NamedData many;
    BigArchive made(GetParam());
    for (int i = 0; i < 100000; ++i) {
        many.emplace_back("set" + std::to_string(i % 97) + "\\item" + std::to_string(i) + ".dat",
                          std::string(i % 7, char('a' + i % 26)));
        made.Add(many.back().first, many.back().second);
    }
    made.Write(dir.File("many.big"));
    std::vector<VTR_CORE::ArchiveEntry> kept;
    BigArchive copy;
    {
        BigArchive archive;
        archive.Open(dir.File("many.big"), false);
        archive.LoadAll();
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
        kept.assign(archive.Entries.begin(), archive.Entries.end());
        copy = archive;
        archive.Rename(1, "renamed in the first");
    }
    ASSERT_EQ(kept.size(), many.size());
    for (std::size_t i = 0; i < kept.size(); ++i)
        ASSERT_TRUE(kept[i].Name == many[i].first && kept[i].Data == many[i].second &&
                    copy.Entries[i].Name == many[i].first)
            << i;
    copy.Rename(99999, std::string(255, 'z'));
    many.back().first = std::string(255, 'z');
    copy.Write(dir.File("copy.big"));
    EXPECT_EQ(ReadBytes(dir.File("copy.big")), Big(many));
}

// Each file operation of a save fails in turn until the save runs through: the old file stays
// and no temporary file is left. 18 MiB go out in pieces of at most 4 MiB, with progress.
TEST_P(BigArchiveTest, WritesGoOutInPiecesWithProgressAndAFailureLeavesTheOldFile) {
    const std::string target = Put("target.big", Big(sample));
    BigArchive archive;
    archive.Open(target, false);
    NamedData expected = sample;
    for (int i = 0; i < 3; ++i) {
        expected.emplace_back("part" + std::to_string(i), std::string(6 << 20, 'p'));
        archive.Add(expected.back().first, expected.back().second);
    }
    std::vector<VTR_CORE::Progress> reports;
    for (int failAt = 1;; ++failAt) {
        SCOPED_TRACE(failAt);
        BigArchive attempt = archive;
        ScopedFaultyFiles faulty;
        faulty.files.failAt = failAt;
        reports.clear();
        const std::string error = Message([&] {
            attempt.Write(target, [&](const VTR_CORE::Progress& p) { reports.push_back(p); });
        });
        platform::SetFiles(nullptr);
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"target.big"}));
        if (error.empty()) break;
        EXPECT_NE(error.find("Injected failure"), std::string::npos) << error;
        EXPECT_EQ(ReadBytes(target), Big(sample));
    }
    const std::int64_t length = std::filesystem::file_size(target);
    EXPECT_EQ(ReadBytes(target), Big(expected));  // its length needs all four bytes of its field
    ASSERT_FALSE(reports.empty());
    int pieces = 0;
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_GE(reports[i].bytesDone, reports[i - 1].bytesDone);
        EXPECT_GE(reports[i].entriesDone, reports[i - 1].entriesDone);
        EXPECT_EQ(reports[i].bytesTotal, length);
        pieces += reports[i].bytesDone > reports[i - 1].bytesDone;
    }
    EXPECT_GE(pieces, 5);
    EXPECT_EQ(reports.back().bytesDone, length);
    EXPECT_EQ(reports.back().entriesDone, 8);
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

INSTANTIATE_TEST_SUITE_P(Signatures, BigArchiveTest, ::testing::Values("BIGF", "BIG4"));

// Names and contents of the window's entries, fetching data as needed.
NamedData LoadedTable(VTR_CORE::ArchiveDirectory& archive) {
    NamedData table;
    for (int i = 0; i < int(archive.Entries.size()); ++i) {
        archive.GetEntryData(i, "", false);
        table.emplace_back(archive.Entries[i].Name, archive.Entries[i].Data);
    }
    return table;
}

class WindowsArchive : public ::testing::Test, public InTempDir {
protected:
    // What a refused or failed load must leave as it was.
    auto Snapshot() {
        return std::tuple(LoadedTable(archive), archive.EntryCount, archive.ArchivePath);
    }
    // The message of a failed load, "" for a load, "refused" for a file that is no "BIGF" archive.
    std::string LoadError(const std::string& path, bool whole,
                          const VTR_CORE::ProgressCallback& progress = {}) {
        bool loaded = false;
        const std::string message =
            Message([&] { loaded = archive.ReadDirectory(path, whole, progress); });
        return loaded || !message.empty() ? message : "refused";
    }
    VTR_CORE::ArchiveDirectory archive;
};

TEST_F(WindowsArchive, EveryPrefixFailsKeepingThePreviousArchiveAndTheWholeFileLoads) {
    const NamedData sample{{"data\\ini\\game.ini", "[Game]\r\nSpeed=3\r\n"},
                           {"empty.bin", ""},
                           {"art\\logo.tga", std::string("\0\x01\x80\xff tga", 8)}};
    const std::string previous = Put("previous.big", MakeBig({{"old", "kept"}, {"x\\y", "z"}}));
    // Three spare bytes at the end: the last three prefixes still hold every entry.
    const std::string valid = MakeBig(sample), bytes = valid + "xyz";
    for (bool whole : {false, true}) {
        ASSERT_TRUE(archive.ReadDirectory(previous, whole));
        const auto before = Snapshot();
        for (std::size_t length = 0; length <= bytes.size(); ++length) {
            SCOPED_TRACE(std::to_string(length) + (whole ? " bytes, whole" : " bytes, lazy"));
            const std::string path = Put("prefix.big", bytes.substr(0, length));
            if (length < valid.size()) {
                EXPECT_EQ(LoadError(path, whole) == "refused", length < 4);
                EXPECT_TRUE(Snapshot() == before);
                continue;
            }
            EXPECT_EQ(LoadError(path, whole), "");
            EXPECT_EQ(std::tuple(archive.EntryCount, archive.ArchivePath, archive.Entries[2].Loaded,
                                 archive.Entries[2].Position),
                      std::tuple(3, path, whole, 16 + 3 * 9 + 38 + 9 + 17 + 1));
            EXPECT_EQ(LoadedTable(archive), sample);
            archive.ReadDirectory(previous, whole);
        }
        for (const std::string& unreadable : {dir.File("missing.big"), dir.path()})
            EXPECT_EQ(LoadError(unreadable, whole), "refused") << unreadable;
        EXPECT_TRUE(Snapshot() == before);
    }
}

TEST_F(WindowsArchive, ManyEntriesLoadOpeningTheFileOnceAndCountsBeyondTheFormatAreRefused) {
    const auto many = [](int count) {  // names of about 200 bytes
        NamedData entries;
        for (int i = 0; i < count; ++i)
            entries.emplace_back(std::to_string(i) + "\\" + std::string(195, 'n'),
                                 std::string(i % 5, 'd'));
        return entries;
    };
    const NamedData full = many(5000);
    std::vector<VTR_CORE::Progress> reports;
    {
        ScopedFaultyFiles counting;
        EXPECT_EQ(LoadError(Put("full.big", MakeBig(full)), false,
                            [&](const auto& progress) { reports.push_back(progress); }),
                  "");
        // One open; the signature, the length, and one read per 64 KiB block of the 1 MiB
        // directory.
        EXPECT_EQ(counting.files.opens, 1);
        EXPECT_LE(counting.files.operations, 3 + 16 + 2);
    }
    EXPECT_EQ(LoadedTable(archive), full);
    // The count comes first, before any record is read (the progress window's maximum).
    ASSERT_EQ(reports.size(), full.size() + 1);
    EXPECT_TRUE(reports[0].entriesDone == 0 && reports[0].entriesTotal == 5000);
    EXPECT_EQ(reports.back().entriesDone, 5000);
    for (bool whole : {false, true}) {
        const std::string bad = "BIGF" + BigEndian32(0) + BigEndian32(0x80000000u) + BigEndian32(0);
        EXPECT_NE(LoadError(Put("bad.big", bad), whole).find("2147483648"), std::string::npos);
    }
    EXPECT_EQ(LoadedTable(archive), full);
}

TEST_F(WindowsArchive, ArchivesAreWrittenByteForByteAndBothSignaturesLoad) {
    using namespace std::string_literals;
    archive.Entries = {{"a.txt", "hello", true, true, 0, 5}};
    archive.WriteArchive(dir.File("one.big"));
    EXPECT_EQ(ReadBytes(dir.File("one.big")),
              "BIGF\x2c\0\0\0\0\0\0\x01\0\0\0\x26\0\0\0\x27\0\0\0\x05"
              "a.txt\0L225\0\0\0\0\0hello"s);
    EXPECT_EQ(archive.Entries[0].Position, 40);
    archive.Entries.clear();
    archive.WriteArchive(dir.File("empty.big"));
    EXPECT_EQ(ReadBytes(dir.File("empty.big")), "BIGF\x19\0\0\0\0\0\0\0\0\0\0\x18L225\0\0\0\0\0"s);
    EXPECT_TRUE(VTR_CORE::IsBigArchive(dir.File("one.big")));
    // IsBigArchive takes "BIGF" only; the load takes what the engine reads.
    const std::string four = Put("four.big", MakeBig({{"a", "1"}}, 9, "BIG4"));
    EXPECT_FALSE(VTR_CORE::IsBigArchive(four));
    EXPECT_EQ(LoadError(four, false), "");
    EXPECT_EQ(archive.Signature(), "BIG4");
    EXPECT_EQ(LoadError(Put("bigx.big", MakeBig({{"a", "1"}}, 9, "BIGX")), false), "refused");
}

}  // namespace
