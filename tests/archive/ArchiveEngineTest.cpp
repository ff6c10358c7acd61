// The archive engine: the number codec, reading a directory, and moving entry data between the
// archive, memory and loose files.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <tuple>

#include "archive/GEN_COVERT.h"
#include "archive/VTR_CORE.h"
#include "platform/FileSystem.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

constexpr const char* kNoFailure = "(no failure)";

// The message of what `action` throws.
std::string Failure(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return kNoFailure;
}

std::string LoadError(const std::string& path, bool whole) {
    return Failure([&] { VTR_CORE::ReadDirectory(path, whole); });
}

// Every field of the first slots (all that the tests' archives use), the count and the path.
auto Snapshot() {
    const auto& archive = VTR_CORE::Archive();
    std::vector<std::tuple<std::string, std::string, bool, bool, std::int32_t, std::int32_t>> slots;
    for (int i = 0; i < 16; ++i) {
        const auto& e = archive.Entries[i];
        slots.emplace_back(e.Name, e.Data, e.Modified, e.Loaded, e.Position, e.Size);
    }
    return std::tuple(slots, archive.EntryCount, archive.ArchivePath);
}

VTR_CORE::ArchiveEntry& Entry(int index) { return VTR_CORE::Archive().Entries[index]; }

// Names and contents of the entries before the first empty name, fetching data as needed.
NamedData LoadedTable() {
    NamedData table;
    for (int i = 0; i < VTR_CORE::MaxEntries && !Entry(i).Name.empty(); ++i) {
        VTR_CORE::GetEntryData(i, "", false);
        EXPECT_EQ(Entry(i).Size, static_cast<std::int32_t>(Entry(i).Data.size()));
        table.emplace_back(Entry(i).Name, Entry(i).Data);
    }
    return table;
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
        VTR_CORE::Archive() = {};
        VTR_CORE::SetYieldHook({});
        platform::SetFiles(nullptr);
    }
    // Writes `bytes` to `name` in the test folder and returns its path.
    std::string Put(const std::string& name, const std::string& bytes) const {
        WriteBytes(dir.File(name), bytes);
        return dir.File(name);
    }
    // The sample archive (junk between directory and data) loaded, entry 3 replaced from a file.
    std::string LoadAndReplace() {
        const std::string path = Put("source.big", MakeBig(sample, 37));
        fs::permissions(path, fs::perms(0640));  // a save over it keeps the mode
        VTR_CORE::ReadDirectory(path, false);
        VTR_CORE::ReplaceEntryFromFile(2, Put("replacement.txt", "replaced bytes"));
        return path;
    }

    TempDir dir;
    const NamedData sample{{"data\\ini\\game.ini", "[Game]\r\nSpeed=3\r\n"},
                           {"empty.bin", ""},
                           {"art\\logo.tga", std::string("\0\x01\x80\xff tga", 8)}};
    const NamedData edited{sample[0], sample[1], {sample[2].first, "replaced bytes"}};
};

using ReadDirectoryTest = ArchiveTest;
using EntryDataTest = ArchiveTest;

TEST(Codec, BoundaryValuesInBothByteOrdersAndOutOfRangeInputs) {
    for (std::int32_t value : {0, 255, 256, 0x00ffffff, 0x12345678, 0x7fffffff}) {
        SCOPED_TRACE(value);
        const std::string big = BigEndian32(value), little = LittleEndian32(value);
        EXPECT_EQ(GEN_COVERT::LongToBytes(value, true), big);
        EXPECT_EQ(GEN_COVERT::LongToBytes(value, false), little);
        EXPECT_EQ(GEN_COVERT::BytesToLong(big, false), value);
        EXPECT_EQ(GEN_COVERT::BytesToLong(little + "\xff\x7f", true), value);  // four bytes count
    }
    for (bool little : {false, true}) {
        const std::string high = little ? LittleEndian32(0x80000000u) : BigEndian32(0x80000000u);
        for (const std::string& bytes : {high, std::string(4, '\xff')})
            EXPECT_THROW(GEN_COVERT::BytesToLong(bytes, little), std::overflow_error);
        for (const std::string& bytes : {std::string(3, '\1'), std::string()})
            EXPECT_THROW(GEN_COVERT::BytesToLong(bytes, little), std::invalid_argument);
        for (std::int32_t negative : {-1, -2147483647 - 1})
            EXPECT_THROW(GEN_COVERT::LongToBytes(negative, little), std::invalid_argument);
    }
}

TEST_F(ReadDirectoryTest, EveryPrefixFailsKeepingThePreviousArchiveOrLoadsTheTableWithAnyGap) {
    const std::string previous = Put("previous.big", MakeBig({{"old", "kept"}, {"x\\y", "z"}}));
    for (int gap : {9, 8, 0, 37})
        for (bool whole : {false, true}) {
            // Three spare bytes at the end: the last three prefixes still hold every entry.
            const std::string valid = MakeBig(sample, gap), bytes = valid + "xyz";
            auto loadPrevious = [&] {
                VTR_CORE::ReadDirectory(previous, whole);
                VTR_CORE::GetEntryData(0, "", false);
            };
            loadPrevious();
            const auto before = Snapshot();
            for (std::size_t length = 0; length <= bytes.size(); ++length) {
                SCOPED_TRACE(std::to_string(length) + " bytes, gap " + std::to_string(gap) +
                             (whole ? " whole" : " lazy"));
                const std::string path = Put("prefix.big", bytes.substr(0, length));
                if (length < valid.size()) {
                    EXPECT_NE(LoadError(path, whole), kNoFailure);
                    EXPECT_TRUE(Snapshot() == before);
                    continue;
                }
                EXPECT_EQ(LoadError(path, whole), kNoFailure);
                const auto& archive = VTR_CORE::Archive();
                EXPECT_EQ(std::tuple(archive.EntryCount, archive.LastIndex, archive.ArchivePath,
                                     Entry(2).Loaded, Entry(2).Position),
                          std::tuple(3, 2, path, whole, 16 + 3 * 9 + 38 + gap + 17 + 1));
                EXPECT_EQ(LoadedTable(), sample);
                loadPrevious();
            }
            for (const std::string& unreadable : {dir.File("missing.big"), dir.path()})
                EXPECT_NE(LoadError(unreadable, whole), kNoFailure) << unreadable;
            EXPECT_TRUE(Snapshot() == before);
        }
}

TEST_F(ReadDirectoryTest, CountsAtTheLimitsLongNamesAndNumbersOutOfRange) {
    const NamedData full = ManyEntries(VTR_CORE::MaxEntries);
    const std::string path = Put("full.big", MakeBig(full));
    ScopedFaultyFiles counting;
    VTR_CORE::ReadDirectory(path, false);
    // Open, length, and one read per 64 KiB block of the 0.8 MiB directory.
    EXPECT_LE(counting.files.operations, 2 + 14 + 2);
    EXPECT_EQ(LoadedTable(), full);
    VTR_CORE::WriteArchive(dir.File("copy.big"));  // more parts than one gathered write takes
    EXPECT_EQ(ReadBytes(dir.File("copy.big")), MakeBig(full));
    EXPECT_EQ(LoadError(Put("zero.big", MakeBig({})), true), kNoFailure);
    EXPECT_TRUE(VTR_CORE::Archive().EntryCount == 0 && LoadedTable().empty());
    const std::string name255(255, 'x');
    EXPECT_EQ(LoadError(Put("n255.big", OneRecord(0, 4, name255 + '\0', "tail")), true),
              kNoFailure);
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
        {OneRecord(0, 0, "abc"), at16 + "name is cut off by the end of the file (27 bytes)."},
        {OneRecord(0x80000000u, 0, a0), at16 + "data offset 2147483648" + range},
        {OneRecord(0, 0x80000000u, a0), at16 + "data size 2147483648" + range},
        {pastEnd,
         "Entry 2 \"data\\b.ini\": data at offset 55 with size 4 reaches past the end of the file "
         "(57 bytes)."}};
    for (const auto& [bytes, message] : rows)
        for (bool whole : {false, true})
            EXPECT_EQ(LoadError(Put("bad.big", bytes), whole), message);
}

TEST_F(EntryDataTest, SmallArchivesAreWrittenByteForByte) {
    using namespace std::string_literals;
    Entry(0) = {"a.txt", "hello", true, true, 0, 5};
    VTR_CORE::WriteArchive(dir.File("one.big"));
    EXPECT_EQ(ReadBytes(dir.File("one.big")),
              "BIGF\x2c\0\0\0\0\0\0\x01\0\0\0\x26\0\0\0\x27\0\0\0\x05"
              "a.txt\0L225\0\0\0\0\0hello"s);
    EXPECT_EQ(Entry(0).Position, 40);
    VTR_CORE::BlankEntries();
    VTR_CORE::WriteArchive(dir.File("empty.big"));
    EXPECT_EQ(ReadBytes(dir.File("empty.big")), "BIGF\x19\0\0\0\0\0\0\0\0\0\0\x18L225\0\0\0\0\0"s);
    Entry(0) = {"a", "1", true, true, 0, 1};
    Entry(2) = {"c", "3", true, true, 0, 1};  // after the empty name that ends the table
    VTR_CORE::WriteArchive(dir.File("out.big"));
    EXPECT_EQ(ReadBytes(dir.File("out.big")), MakeBig({{"a", "1"}}));
}

TEST_F(EntryDataTest, SaveAndExtractFailingAtAnyStepLeaveTheTargetAsItWasThenSucceed) {
    // Save over the loaded file, save to a new file, extract onto a longer file; the count is of
    // the operations that can fail: open, reads, create, write, flush, close and rename.
    const std::tuple<const char*, std::string, int> rows[] = {
        {"source.big", "", 8}, {"new.big", "", 8}, {"old.txt", "an existing, longer file", 7}};
    const mode_t mask = umask(022);  // a new file gets 0644
    for (const auto& [name, existing, operations] : rows) {
        const bool extract = !existing.empty();
        for (int failAt = 1;; ++failAt) {
            SCOPED_TRACE(std::string(name) + " failing operation " + std::to_string(failAt));
            fs::remove(dir.File(name));
            const std::string source = LoadAndReplace();
            const std::string target = extract ? Put(name, existing) : dir.File(name);
            const auto before = fs::exists(target) ? ReadBytes(target) : "none";
            const auto listing = dir.List();
            int yields = 0;
            VTR_CORE::SetYieldHook([&] { ++yields; });
            auto run = [&] {
                extract ? VTR_CORE::GetEntryData(0, target, true) : VTR_CORE::WriteArchive(target);
            };
            bool failed;
            {
                ScopedFaultyFiles faulty;
                faulty.files.failAt = failAt;
                failed = Failure(run) != kNoFailure;
            }
            if (failed) {
                EXPECT_EQ(dir.List(), listing);
                EXPECT_EQ(fs::exists(target) ? ReadBytes(target) : "none", before);
                run();  // what is in memory is intact
            }
            EXPECT_EQ(ReadBytes(target), extract ? sample[0].second : MakeBig(edited));
            if (failed) continue;
            EXPECT_EQ(failAt, operations + 1);
            if (!extract) {
                EXPECT_EQ(fs::status(target).permissions(),
                          fs::perms(target == source ? 0640 : 0644));
                const auto& archive = VTR_CORE::Archive();
                EXPECT_EQ(std::tuple(yields, archive.LastIndex, archive.ArchivePath),
                          std::tuple(3, 2, source));
                EXPECT_TRUE(Entry(0).Loaded && !Entry(0).Modified && Entry(2).Modified);  // fetched
                EXPECT_EQ(ReadBytes(target).substr(Entry(2).Position - 1), "replaced bytes");
                VTR_CORE::ReadDirectory(target, false);
                EXPECT_EQ(LoadedTable(), edited);
            }
            break;
        }
    }
    umask(mask);
}

TEST_F(EntryDataTest, AnArchiveChangedAfterLoadingIsNotReadFrom) {
    // Cut short, or rewritten in place with other bytes of the same length: either is another
    // version of the file than the directory came from. What is in memory is still extracted.
    for (bool cut : {true, false}) {
        SCOPED_TRACE(cut ? "cut short" : "same length");
        const std::string archive = LoadAndReplace(), bytes = ReadBytes(archive);
        VTR_CORE::GetEntryData(0, "", false);
        WriteBytes(archive, cut ? bytes.substr(0, 100) : std::string(bytes.size(), 'x'));
        const std::string message = "The archive file \"" + archive +
                                    "\" has been changed or replaced since it was loaded; load it "
                                    "again to read the entries that are not in memory.";
        EXPECT_EQ(Failure([] { VTR_CORE::GetEntryData(1, "", false); }), message);
        EXPECT_EQ(Failure([&] { VTR_CORE::WriteArchive(dir.File("copy.big")); }), message);
        EXPECT_FALSE(Entry(1).Loaded);
        for (int i : {0, 2}) {
            VTR_CORE::GetEntryData(i, dir.File("out"), true);
            EXPECT_EQ(ReadBytes(dir.File("out")), edited[i].second);
        }
    }
}

TEST_F(EntryDataTest, ReplaceFromNoFileOrAFolderChangesAndCreatesNothing) {
    LoadAndReplace();
    const auto before = Snapshot();
    const auto listing = dir.List();
    const std::string missing = dir.File("missing.txt"),
                      failure = "Entry 1 \"data\\ini\\game.ini\" cannot be replaced: ";
    EXPECT_EQ(Failure([&] { VTR_CORE::ReplaceEntryFromFile(0, missing); }),
              failure + "there is no file \"" + missing + "\".");
    EXPECT_EQ(Failure([&] { VTR_CORE::ReplaceEntryFromFile(0, dir.path()); }),
              failure + "\"" + dir.path() + "\" is a folder, not a file.");
    EXPECT_TRUE(Snapshot() == before);
    EXPECT_EQ(dir.List(), listing);
}

}  // namespace
