// The archive engine: reading a directory and writing archives. Failing saves, extracts and
// archives changed after loading are swept at the window (reliability tests); the number codec's
// out-of-range values show in the messages below and in the string table's tests.
#include <gtest/gtest.h>

#include <tuple>

#include "archive/GEN_COVERT.h"
#include "archive/VTR_CORE.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace testsupport;

// The message of the load's failure, or "" when it loads.
std::string LoadError(const std::string& path, bool whole) {
    try {
        VTR_CORE::ReadDirectory(path, whole);
    } catch (const std::exception& error) {
        return error.what();
    }
    return "";
}

TEST(Codec, FourBytesInEitherOrderWithinZeroTo2147483647) {
    using GEN_COVERT::BytesToLong, GEN_COVERT::LongToBytes;
    const std::pair<std::int32_t, std::string> bigEndian[] = {
        {305419896, "\x12\x34\x56\x78"}, {0, std::string(4, '\0')},
        {255, std::string(3, '\0') + "\xFF"}, {2147483647, "\x7F\xFF\xFF\xFF"}};
    for (const auto& [value, bytes] : bigEndian) {
        const std::string reversed(bytes.rbegin(), bytes.rend());
        EXPECT_EQ(LongToBytes(value, true), bytes);
        EXPECT_EQ(LongToBytes(value, false), reversed);
        EXPECT_EQ(BytesToLong(bytes + "junk", false), value);
        EXPECT_EQ(BytesToLong(reversed, true), value);
    }
    EXPECT_EQ(BytesToLong("\x12\x34\x56\x78", true), 2018915346);
    EXPECT_EQ(BytesToLong(std::string("\xFF\0\0\0", 4), true), 255);
    EXPECT_THROW(BytesToLong(std::string("\x80\0\0\0", 4), false), std::overflow_error);
    EXPECT_THROW(BytesToLong(std::string("\0\0\0\x80", 4), true), std::overflow_error);
    EXPECT_THROW(BytesToLong("abc", true), std::invalid_argument);
    EXPECT_THROW(LongToBytes(-1, true), std::invalid_argument);
}

VTR_CORE::ArchiveEntry& Entry(int index) { return VTR_CORE::Archive().Entries.at(index); }

// Names and contents of the entries, fetching data as needed.
NamedData LoadedTable() {
    NamedData table;
    for (int i = 0; i < int(VTR_CORE::Archive().Entries.size()); ++i) {
        VTR_CORE::GetEntryData(i, "", false);
        table.emplace_back(Entry(i).Name, Entry(i).Data);
    }
    return table;
}

// What a failed load must leave as it was.
auto Snapshot() {
    return std::tuple(LoadedTable(), VTR_CORE::Archive().EntryCount,
                      VTR_CORE::Archive().ArchivePath);
}

// A header and one record, followed by `tail` (name bytes are taken as given, no zero added).
std::string OneRecord(unsigned offset, unsigned size, const std::string& nameBytes,
                      const std::string& tail = "") {
    return "BIGF" + BigEndian32(0) + BigEndian32(1) + BigEndian32(0) + BigEndian32(offset) +
           BigEndian32(size) + nameBytes + tail;
}

// `count` entries with names of about 200 bytes.
NamedData ManyEntries(int count) {
    NamedData entries;
    for (int i = 0; i < count; ++i)
        entries.emplace_back(std::to_string(i) + "\\" + std::string(195, 'n'),
                             std::string(i % 5, 'd'));
    return entries;
}

class ArchiveTest : public ::testing::Test {
protected:
    ArchiveTest() { Reset(); }
    ~ArchiveTest() override { Reset(); }
    static void Reset() {
        static_cast<VTR_CORE::BigArchive&>(VTR_CORE::Archive()) = VTR_CORE::BigArchive();
        VTR_CORE::Archive().EntryCount = VTR_CORE::Archive().LastIndex = 0;
        VTR_CORE::Archive().ArchivePath.clear();
        VTR_CORE::SetYieldHook({});
    }
    // Writes `bytes` to `name` in the test folder and returns its path.
    std::string Put(const std::string& name, const std::string& bytes) const {
        WriteBytes(dir.File(name), bytes);
        return dir.File(name);
    }

    TempDir dir;
    const NamedData sample{{"data\\ini\\game.ini", "[Game]\r\nSpeed=3\r\n"},
                           {"empty.bin", ""},
                           {"art\\logo.tga", std::string("\0\x01\x80\xff tga", 8)}};
};

TEST_F(ArchiveTest, EveryPrefixFailsKeepingThePreviousArchiveOrLoadsTheTableWithAnyGap) {
    const std::string previous = Put("previous.big", MakeBig({{"old", "kept"}, {"x\\y", "z"}}));
    for (int gap : {9, 8, 0, 37})
        for (bool whole : {false, true}) {
            // Three spare bytes at the end: the last three prefixes still hold every entry.
            const std::string valid = MakeBig(sample, gap), bytes = valid + "xyz";
            VTR_CORE::ReadDirectory(previous, whole);
            const auto before = Snapshot();
            for (std::size_t length = 0; length <= bytes.size(); ++length) {
                SCOPED_TRACE(std::to_string(length) + " bytes, gap " + std::to_string(gap) +
                             (whole ? " whole" : " lazy"));
                const std::string path = Put("prefix.big", bytes.substr(0, length));
                if (length < valid.size()) {
                    EXPECT_NE(LoadError(path, whole), "");
                    EXPECT_TRUE(Snapshot() == before);
                    continue;
                }
                EXPECT_EQ(LoadError(path, whole), "");
                const auto& archive = VTR_CORE::Archive();
                EXPECT_EQ(std::tuple(archive.EntryCount, archive.LastIndex, archive.ArchivePath,
                                     Entry(2).Loaded, Entry(2).Position),
                          std::tuple(3, 2, path, whole, 16 + 3 * 9 + 38 + gap + 17 + 1));
                EXPECT_EQ(LoadedTable(), sample);
                VTR_CORE::ReadDirectory(previous, whole);
            }
            for (const std::string& unreadable : {dir.File("missing.big"), dir.path()})
                EXPECT_NE(LoadError(unreadable, whole), "") << unreadable;
            EXPECT_TRUE(Snapshot() == before);
        }
}

TEST_F(ArchiveTest, CountsAtTheLimitsLongNamesAndNumbersOutOfRange) {
    const NamedData full = ManyEntries(VTR_CORE::MaxEntries);
    const std::string path = Put("full.big", MakeBig(full));
    ScopedFaultyFiles counting;
    VTR_CORE::ReadDirectory(path, false);
    // Open, length, and one read per 64 KiB block of the 0.8 MiB directory.
    EXPECT_LE(counting.files.operations, 2 + 14 + 2);
    EXPECT_EQ(LoadedTable(), full);
    VTR_CORE::WriteArchive(dir.File("copy.big"));  // more parts than one gathered write takes
    EXPECT_EQ(ReadBytes(dir.File("copy.big")), MakeBig(full));
    const std::string name255(255, 'x');
    EXPECT_EQ(LoadError(Put("n255.big", OneRecord(0, 4, name255 + '\0', "tail")), true), "");
    EXPECT_EQ(LoadedTable(), (NamedData{{name255, "BIGF"}}));

    const std::string pastEnd = MakeBig({{"a", "1"}, {"data\\b.ini", "2345"}}).substr(0, 57);
    const std::string at16 = "Entry 1 at offset 16: the ", a0("a\0", 2),
                      range = " is out of range (at most 2147483647).";
    const std::pair<std::string, std::string> rows[] = {
        {MakeBig(ManyEntries(4097)), "The archive lists 4097 entries; at most 4096 are supported."},
        {"BIGF" + BigEndian32(0) + BigEndian32(0x80000000u) + BigEndian32(0),
         "The archive lists 2147483648 entries; at most 4096 are supported."},
        {OneRecord(0, 0, std::string(256, 'x') + '\0'),
         at16 + "name has no terminating zero byte within 256 bytes."},
        {OneRecord(0x80000000u, 0, a0), at16 + "data offset 2147483648" + range},
        {OneRecord(0, 0x80000000u, a0), at16 + "data size 2147483648" + range},
        {pastEnd,
         "Entry 2 \"data\\b.ini\": data at offset 55 with size 4 reaches past the end of the file "
         "(57 bytes)."}};
    for (const auto& [bytes, message] : rows)
        for (bool whole : {false, true})
            EXPECT_EQ(LoadError(Put("bad.big", bytes), whole), message);
}

TEST_F(ArchiveTest, SmallArchivesAreWrittenByteForByteEmptyNamesIncluded) {
    using namespace std::string_literals;
    auto& entries = VTR_CORE::Archive().Entries;
    entries = {{"a.txt", "hello", true, true, 0, 5}};
    VTR_CORE::WriteArchive(dir.File("one.big"));
    EXPECT_EQ(ReadBytes(dir.File("one.big")),
              "BIGF\x2c\0\0\0\0\0\0\x01\0\0\0\x26\0\0\0\x27\0\0\0\x05"
              "a.txt\0L225\0\0\0\0\0hello"s);
    EXPECT_EQ(Entry(0).Position, 40);
    VTR_CORE::BlankEntries();
    VTR_CORE::WriteArchive(dir.File("empty.big"));
    EXPECT_EQ(ReadBytes(dir.File("empty.big")), "BIGF\x19\0\0\0\0\0\0\0\0\0\0\x18L225\0\0\0\0\0"s);
    // An entry with an empty name is an ordinary entry: kept, and hiding nothing after it.
    const NamedData withEmpty{{"a", "1"}, {"", "2"}, {"c", "3"}};
    VTR_CORE::ReadDirectory(Put("in.big", MakeBig(withEmpty)), false);
    VTR_CORE::WriteArchive(dir.File("out.big"));
    EXPECT_EQ(ReadBytes(dir.File("out.big")), MakeBig(withEmpty));
    // The windows load only "BIGF", and at most 4096 entries.
    EXPECT_FALSE(VTR_CORE::IsBigArchive(Put("four.big", MakeBig(withEmpty, 9, "BIG4"))));
    EXPECT_TRUE(VTR_CORE::IsBigArchive(dir.File("out.big")));
}

}  // namespace
