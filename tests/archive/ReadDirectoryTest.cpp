#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "platform/FileSystem.h"
#include "tests/archive/ArchiveFixture.h"
#include "tests/support/FaultyFileSystem.h"

namespace archivetest {
namespace {

using testsupport::BigEndian32;
using testsupport::MakeBig;
using testsupport::NamedData;

// A header and one record, followed by `tail` (name bytes are taken as given, no zero added).
std::string OneRecord(unsigned offset, unsigned size, const std::string& nameBytes,
                      const std::string& tail = "") {
    return "BIGF" + testsupport::LittleEndian32(0) + BigEndian32(1) + BigEndian32(0) +
           BigEndian32(offset) + BigEndian32(size) + nameBytes + tail;
}

NamedData ManyEntries(int count, std::size_t nameLength = 12) {
    NamedData entries;
    for (int i = 0; i < count; ++i) {
        std::string name = "dir\\" + std::to_string(i);
        name.resize(nameLength, 'n');
        entries.emplace_back(name, std::string(static_cast<std::size_t>(i % 5), 'd'));
    }
    return entries;
}

std::string LoadError(const std::string& path, bool loadWhole) {
    try {
        VTR_CORE::ReadDirectory(path, loadWhole);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(loaded)";
}

using ReadDirectoryTest = ArchiveTest;

TEST_F(ReadDirectoryTest, AnyGapBetweenDirectoryAndDataReadsAlike) {
    for (int gap : {9, 8, 0, 37}) {
        for (bool whole : {false, true}) {
            SCOPED_TRACE("gap " + std::to_string(gap) + (whole ? " whole" : " lazy"));
            const std::string path = Put("gap.big", MakeBig(sample, gap));
            VTR_CORE::ReadDirectory(path, whole);
            const auto& archive = VTR_CORE::Archive();
            EXPECT_EQ(archive.EntryCount, 3);
            EXPECT_EQ(archive.ArchivePath, path);
            EXPECT_EQ(archive.Entries[0].Loaded, whole);
            EXPECT_EQ(archive.Entries[2].Data.empty(), !whole);
            EXPECT_EQ(archive.Entries[2].Size, 8);
            EXPECT_EQ(archive.Entries[2].Position, 16 + 3 * 9 + 38 + gap + 17 + 1);
            EXPECT_EQ(LoadedTable(), sample);
        }
    }
}

TEST_F(ReadDirectoryTest, RecordCountsAtAndAroundTheLimits) {
    EXPECT_EQ(LoadError(Put("zero.big", MakeBig({})), false), "(loaded)");
    EXPECT_EQ(VTR_CORE::Archive().EntryCount, 0);
    EXPECT_TRUE(VTR_CORE::Archive().Entries[0].Name.empty());

    const NamedData full = ManyEntries(VTR_CORE::MaxEntries);
    EXPECT_EQ(LoadError(Put("full.big", MakeBig(full)), true), "(loaded)");
    EXPECT_EQ(VTR_CORE::Archive().EntryCount, 4096);
    EXPECT_EQ(LoadedTable(), full);

    EXPECT_EQ(LoadError(Put("over.big", MakeBig(ManyEntries(4097))), false),
              "The archive lists 4097 entries; at most 4096 are supported.");
    const std::string huge = "BIGF" + BigEndian32(0) + BigEndian32(0x80000000u) + BigEndian32(0);
    EXPECT_EQ(LoadError(Put("huge.big", huge), false),
              "The archive lists 2147483648 entries; at most 4096 are supported.");
}

TEST_F(ReadDirectoryTest, RecordsThatCannotBeRepresentedFailWithTheirPlace) {
    const std::string name255(255, 'x');
    const std::string path255 = Put("n255.big", OneRecord(0, 4, name255 + '\0', "tail"));
    EXPECT_EQ(LoadError(path255, true), "(loaded)");
    EXPECT_EQ(VTR_CORE::Archive().Entries[0].Name, name255);

    struct Row {
        const char* name;
        std::string bytes;
        bool whole;
        std::string message;
    };
    const std::string past = MakeBig({{"a", "1"}, {"data\\b.ini", "2345"}}).substr(0, 57);
    const Row rows[] = {
        {"Name256", OneRecord(0, 0, std::string(256, 'x') + '\0'), false,
         "Entry 1 at offset 16: the name has no terminating zero byte within 256 bytes."},
        {"NameCut", OneRecord(0, 0, "abc"), false,
         "Entry 1 at offset 16: the name is cut off by the end of the file (27 bytes)."},
        {"Offset2Pow31", OneRecord(0x80000000u, 0, "a", std::string(1, '\0')), false,
         "Entry 1 at offset 16: the data offset 2147483648 is out of range (at most 2147483647)."},
        {"Size2Pow31", OneRecord(0, 0x80000000u, "a", std::string(1, '\0')), true,
         "Entry 1 at offset 16: the data size 2147483648 is out of range (at most 2147483647)."},
        {"PastEndLazy", past, false,
         "Entry 2 \"data\\b.ini\": data at offset 55 with size 4 reaches past the end of the file "
         "(57 bytes)."},
        {"PastEndWhole", past, true,
         "Entry 2 \"data\\b.ini\": data at offset 55 with size 4 reaches past the end of the file "
         "(57 bytes)."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(LoadError(Put("bad.big", row.bytes), row.whole), row.message);
    }
}

TEST_F(ReadDirectoryTest, FailedLoadKeepsThePreviousArchiveAndClosesTheFile) {
    const std::string good = Put("good.big", MakeBig(sample));
    VTR_CORE::ReadDirectory(good, false);
    VTR_CORE::GetEntryData(0, "", false);
    const Snapshot before = TakeSnapshot();
    const int descriptors = OpenDescriptorCount();
    const std::string bad[] = {dir.File("missing.big"), dir.path(),
                               Put("over.big", MakeBig(ManyEntries(4097))),
                               Put("cut.big", MakeBig(ManyEntries(40)).substr(0, 300))};
    for (const std::string& path : bad) {
        SCOPED_TRACE(path);
        EXPECT_THROW(VTR_CORE::ReadDirectory(path, true), std::runtime_error);
        EXPECT_TRUE(TakeSnapshot() == before);
        EXPECT_EQ(OpenDescriptorCount(), descriptors);
    }
}

TEST_F(ReadDirectoryTest, EveryTruncatedPrefixFailsCleanlyOrLoadsTheWholeTable) {
    // Three spare bytes at the end: the last three prefixes still hold every entry.
    const std::string valid = MakeBig(sample);
    const std::string bytes = valid + "xyz";
    const std::string previous = Put("previous.big", MakeBig({{"old", "kept"}}));
    for (bool whole : {false, true}) {
        VTR_CORE::ReadDirectory(previous, whole);
        const Snapshot before = TakeSnapshot();
        for (std::size_t length = 0; length <= bytes.size(); ++length) {
            SCOPED_TRACE(std::to_string(length) + (whole ? " whole" : " lazy"));
            const std::string path = Put("prefix.big", bytes.substr(0, length));
            if (length < valid.size()) {
                EXPECT_NE(LoadError(path, whole), "(loaded)");
                EXPECT_TRUE(TakeSnapshot() == before);
            } else {
                EXPECT_EQ(LoadError(path, whole), "(loaded)");
                EXPECT_EQ(LoadedTable(), sample);
                VTR_CORE::ReadDirectory(previous, whole);
            }
        }
    }
}

TEST_F(ReadDirectoryTest, SignatureCountAndYieldOncePerRecord) {
    struct Row {
        const char* name;
        std::string bytes;
        bool isBig;
    };
    const Row rows[] = {{"Archive", MakeBig(sample), true},
                        {"Exact", "BIGF", true},
                        {"LowerCase", "bigf....", false},
                        {"OtherFourth", "BIGx", false},
                        {"Short", "BIG", false},
                        {"Empty", "", false}};
    for (const Row& row : rows)
        EXPECT_EQ(VTR_CORE::IsBigArchive(Put(row.name, row.bytes)), row.isBig) << row.name;
    EXPECT_FALSE(VTR_CORE::IsBigArchive(dir.File("missing")));
    EXPECT_FALSE(VTR_CORE::IsBigArchive(dir.path()));

    const std::string path = Put("sample.big", MakeBig(sample));
    VTR_CORE::Archive().LastIndex = 9;
    VTR_CORE::ReadEntryCount(path);
    EXPECT_EQ(VTR_CORE::Archive().EntryCount, 3);
    EXPECT_EQ(VTR_CORE::Archive().LastIndex, 0);

    std::vector<std::pair<int, int>> progress;  // EntryCount and LastIndex seen at each yield
    VTR_CORE::SetYieldHook([&] {
        progress.emplace_back(VTR_CORE::Archive().EntryCount, VTR_CORE::Archive().LastIndex);
    });
    VTR_CORE::ReadDirectory(path, false);
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{3, 0}, {3, 0}, {3, 1}}));
    EXPECT_EQ(VTR_CORE::Archive().LastIndex, 2);
}

TEST_F(ReadDirectoryTest, FullDirectoryLoadsInAFewLargeReads) {
    const NamedData entries = ManyEntries(VTR_CORE::MaxEntries, 200);
    const std::string path = Put("large.big", MakeBig(entries));
    testsupport::ScopedFaultyFiles counting;
    const auto start = std::chrono::steady_clock::now();
    VTR_CORE::ReadDirectory(path, false);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("[ measured ] 4096-entry directory (%zu KiB) loaded in %.2f ms\n",
                (16 + entries.size() * 209) / 1024, took.count());
    // Open, length, and one read per 64 KiB block of the 0.8 MiB directory.
    EXPECT_LE(counting.files.operations, 2 + 14 + 2);
    EXPECT_EQ(VTR_CORE::Archive().Entries[4095].Name, entries[4095].first);
}

}  // namespace
}  // namespace archivetest
