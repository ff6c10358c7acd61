// The archive commands run in-process: unsafe and duplicate names on extract, patterns, the
// in-place edits, and what verify finds in crafted archives.
#include <gtest/gtest.h>

#include "tests/cli/CliTestSupport.h"

namespace {

using clitest::ArchiveContents;
using clitest::FilesUnder;
using clitest::MakeArchive;
using clitest::RunTool;
using testsupport::MakeBig;
using testsupport::NamedData;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(Extract, NamesThatWouldLeaveTheFolderAreReportedAndTheRestIsWritten) {
    TempDir dir;
    const std::vector<std::string> unsafe{"..\\escaped.txt",   "inner\\..\\..\\escaped2.txt",
                                          "\\rooted.txt",      "/rooted2.txt",
                                          "C:\\drive.txt",     "c:drive2.txt",
                                          "a/../../slash.txt", ""};
    NamedData entries{{"good\\kept.txt", "kept"}};
    for (const std::string& name : unsafe) entries.emplace_back(name, "bad " + name);
    entries.emplace_back("good\\last.txt", "last");
    MakeArchive(dir.File("crafted.big"), entries);

    const clitest::Outcome outcome =
        RunTool({"extract", dir.File("crafted.big"), "-C", dir.File("out/deeper")});
    EXPECT_EQ(outcome.status, 1);
    for (std::size_t i = 0; i < unsafe.size(); ++i)
        EXPECT_TRUE(Contains(outcome.err, "Entry " + std::to_string(i + 2) + " ")) << outcome.err;
    EXPECT_EQ(FilesUnder(dir.path()), (std::map<std::string, std::string>{
                                          {"crafted.big", ReadBytes(dir.File("crafted.big"))},
                                          {"out/deeper/good/kept.txt", "kept"},
                                          {"out/deeper/good/last.txt", "last"}}));
}

TEST(Extract, TheFirstOfTwoEntriesWithOneNameIsWrittenAndTheSecondNamedInAWarning) {
    TempDir dir;
    MakeArchive(
        dir.File("pair.big"),
        {{"Data\\Twin.txt", "first"}, {"other.txt", "other"}, {"data\\TWIN.TXT", "second"}});
    for (const bool quiet : {false, true}) {
        std::vector<std::string> args{"extract", dir.File("pair.big"), "-C", dir.File("out")};
        if (quiet) args.push_back("-q");
        const clitest::Outcome outcome = RunTool(args);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(ReadBytes(dir.File("out/Data/Twin.txt")), "first");
        EXPECT_EQ(FilesUnder(dir.File("out")).size(), 2u);
        EXPECT_EQ(Contains(outcome.err, "warning: entry 3 \"data\\TWIN.TXT\""), !quiet)
            << outcome.err;
    }
}

TEST(Extract, PatternsChooseEntriesAndOneThatMatchesNothingFails) {
    TempDir dir;
    MakeArchive(dir.File("a.big"), {{"Data\\INI\\one.ini", "1"},
                                    {"Data\\INI\\two.INI", "2"},
                                    {"Data\\readme.txt", "r"},
                                    {"Art\\logo.tga", "l"}});
    struct Row {
        std::vector<std::string> patterns;
        std::vector<std::string> written;
        int status;
    };
    const std::vector<Row> rows{
        {{"*.ini"}, {"Data/INI/one.ini", "Data/INI/two.INI"}, 0},
        {{"data/readme.TXT", "art\\*"}, {"Art/logo.tga", "Data/readme.txt"}, 0},
        {{"Data/INI/?wo.ini", "*.wav"}, {"Data/INI/two.INI"}, 1},
        {{}, {"Art/logo.tga", "Data/INI/one.ini", "Data/INI/two.INI", "Data/readme.txt"}, 0}};
    for (const Row& row : rows) {
        TempDir out;
        std::vector<std::string> args{"extract", dir.File("a.big"), "-C", out.path()};
        args.insert(args.end(), row.patterns.begin(), row.patterns.end());
        const clitest::Outcome outcome = RunTool(args);
        EXPECT_EQ(outcome.status, row.status) << outcome.err;
        std::vector<std::string> written;
        for (const auto& [path, bytes] : FilesUnder(out.path())) written.push_back(path);
        EXPECT_EQ(written, row.written);
    }
}

TEST(Extract, ALinkWhereAFileGoesIsReplacedNotFollowed) {
    TempDir dir;
    WriteBytes(dir.File("outside.txt"), "untouched");
    std::filesystem::create_directory(testsupport::FsPath(dir.File("out")));
    std::error_code noLinks;
    std::filesystem::create_symlink(testsupport::FsPath(dir.File("outside.txt")),
                                    testsupport::FsPath(dir.File("out/x.txt")), noLinks);
    if (noLinks) GTEST_SKIP() << "no symbolic links here";
    MakeArchive(dir.File("a.big"), {{"x.txt", "from the archive"}});
    EXPECT_EQ(RunTool({"extract", dir.File("a.big"), "-C", dir.File("out")}).status, 0);
    EXPECT_EQ(ReadBytes(dir.File("outside.txt")), "untouched");
    EXPECT_EQ(ReadBytes(dir.File("out/x.txt")), "from the archive");
}

TEST(Pack, WritesTheBytesTheArchiveObjectWrites) {
    for (const std::string signature : {"BIGF", "BIG4"}) {
        TempDir dir;
        const std::map<std::string, std::string> files{
            {"a/empty.dat", ""},
            {"a/piece.bin", std::string((4 << 20) + 1, '\x7F')},  // past one piece of reading
            {"b.txt", "b"}};
        clitest::PutFiles(dir.File("in"), files);
        ASSERT_EQ(
            RunTool({"pack", dir.File("in"), "-o", dir.File("x.big"), "-s", signature}).status, 0);
        VTR_CORE::BigArchive expected(signature);
        for (const auto& [path, bytes] : files) {
            std::string name = path;
            std::replace(name.begin(), name.end(), '/', '\\');
            expected.Add(name, bytes);
        }
        EXPECT_EQ(ReadBytes(dir.File("x.big")), expected.ToBytes()) << signature;
    }
}

TEST(Pack, AnOldCopyOfTheArchiveInTheFolderIsLeftOut) {
    TempDir dir;
    clitest::PutFiles(dir.path(), {{"Data/a.ini", "a"}, {"b.txt", "b"}});
    const std::string archive = dir.File("Data/self.big");
    ASSERT_EQ(RunTool({"pack", dir.path(), "-o", archive}).status, 0);
    const std::string bytes = ReadBytes(archive);
    const clitest::Outcome again = RunTool({"pack", dir.path(), "-o", archive});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(Contains(again.err, "self.big\" is left out")) << again.err;
    EXPECT_EQ(ReadBytes(archive), bytes);
    EXPECT_EQ(ArchiveContents(archive), (NamedData{{"Data\\a.ini", "a"}, {"b.txt", "b"}}));
}

TEST(Pack, FilesWhoseNamesDifferOnlyInCaseArePackedWithAWarning) {
    TempDir dir;
    clitest::PutFiles(dir.File("in"), {{"Data/a.ini", "a"}, {"data/A.INI", "A"}});
    if (FilesUnder(dir.File("in")).size() != 2) GTEST_SKIP() << "names here ignore letter case";
    const clitest::Outcome outcome = RunTool({"pack", dir.File("in"), "-o", dir.File("x.big")});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_TRUE(Contains(outcome.err, "differ only in letter case")) << outcome.err;
    EXPECT_EQ(ArchiveContents(dir.File("x.big")),
              (NamedData{{"Data\\a.ini", "a"}, {"data\\A.INI", "A"}}));
}

struct EditRow {
    const char* label;
    std::vector<std::string> args;  // after the archive; "@" + name stands for a loose file
    int status;
    NamedData after;  // empty: the archive's bytes are unchanged
    std::string errPart;
};

class EditTest : public ::testing::TestWithParam<EditRow> {};

const NamedData kBefore{{"Data\\a.ini", "a"}, {"Data\\b.txt", "b"}, {"c.dat", "c"}};

TEST_P(EditTest, ChangesTheArchiveInPlaceKeepingSignatureAndOrder) {
    const EditRow& row = GetParam();
    TempDir dir;
    const std::string archive = dir.File("game.big");
    MakeArchive(archive, kBefore, "BIG4");
    const std::string before = ReadBytes(archive);
    std::filesystem::create_directory(testsupport::FsPath(dir.File("Loose")));
    WriteBytes(dir.File("Loose/new.txt"), "new bytes");
    std::vector<std::string> args{row.args[0], archive};
    for (std::size_t i = 1; i < row.args.size(); ++i)
        args.push_back(row.args[i].starts_with("@") ? dir.File(row.args[i].substr(1))
                                                    : row.args[i]);

    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(testsupport::FsPath(dir.path()));  // "add" names by the path
    const clitest::Outcome outcome = RunTool(args);
    std::filesystem::current_path(previous);

    EXPECT_EQ(outcome.status, row.status) << outcome.err;
    EXPECT_TRUE(Contains(outcome.err, row.errPart)) << outcome.err;
    if (row.after.empty()) {
        EXPECT_EQ(ReadBytes(archive), before);
    } else {
        EXPECT_EQ(ArchiveContents(archive), row.after);
        EXPECT_EQ(ReadBytes(archive).substr(0, 4), "BIG4");
    }
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"Loose", "game.big"}));
}

INSTANTIATE_TEST_SUITE_P(
    Edits, EditTest,
    ::testing::Values(
        EditRow{"AddByPath",
                {"add", "Loose/new.txt"},
                0,
                {kBefore[0], kBefore[1], kBefore[2], {"Loose\\new.txt", "new bytes"}},
                ""},
        EditRow{"AddAs",
                {"add", "@Loose/new.txt", "--as", "Data/\xC3\xA9t\xC3\xA9.txt"},
                0,
                {kBefore[0], kBefore[1], kBefore[2], {"Data\\\xE9t\xE9.txt", "new bytes"}},
                ""},
        EditRow{"AddTakenName",
                {"add", "@Loose/new.txt", "--as", "DATA/A.INI"},
                1,
                {},
                "already has entry 1"},
        EditRow{"AddUnsafeName", {"add", "@Loose/new.txt", "--as", "../x"}, 1, {}, "\"..\""},
        EditRow{"AddMissingFile", {"add", "Loose/none.txt"}, 1, {}, "none.txt"},
        EditRow{"Replace",
                {"replace", "data/B.TXT", "@Loose/new.txt"},
                0,
                {kBefore[0], {"Data\\b.txt", "new bytes"}, kBefore[2]},
                ""},
        EditRow{"ReplaceMissingEntry",
                {"replace", "Data/z.txt", "@Loose/new.txt"},
                1,
                {},
                "no entry named \"Data/z.txt\""},
        EditRow{"Remove", {"remove", "data\\a.ini", "C.DAT"}, 0, {kBefore[1]}, ""},
        EditRow{"RemoveMissingEntry", {"remove", "c.dat", "d.dat"}, 1, {}, "\"d.dat\""},
        EditRow{"Rename",
                {"rename", "Data/b.txt", "Docs/b.txt"},
                0,
                {kBefore[0], {"Docs\\b.txt", "b"}, kBefore[2]},
                ""},
        EditRow{"RenameCase",
                {"rename", "c.dat", "C.DAT"},
                0,
                {kBefore[0], kBefore[1], {"C.DAT", "c"}},
                ""},
        EditRow{"RenameOntoOther", {"rename", "c.dat", "data/b.TXT"}, 1, {}, "already has entry 2"},
        EditRow{"RenameToUnmappable", {"rename", "c.dat", "\xC5\x8B"}, 1, {}, "U+014B"}),
    [](const auto& info) { return std::string(info.param.label); });

struct VerifyRow {
    const char* label;
    std::string archive;
    int status;
    std::string finding;  // part of the report
};

class VerifyTest : public ::testing::TestWithParam<VerifyRow> {};

// `archive` with the four bytes at `offset` replaced by `bytes`.
std::string Patched(std::string archive, std::size_t offset, const std::string& bytes) {
    return archive.replace(offset, bytes.size(), bytes);
}

const NamedData kSample{{"one.txt", "11111"}, {"two.txt", "22222"}, {"three.txt", "333"}};
// Offsets in MakeBig(kSample): records at 16, 32 and 48; data at 75, 80 and 85.
const std::string kGood = MakeBig(kSample);

TEST_P(VerifyTest, ReportsWhatIsWrongOrDoubtful) {
    const VerifyRow& row = GetParam();
    TempDir dir;
    WriteBytes(dir.File("x.big"), row.archive);
    const clitest::Outcome outcome = RunTool({"verify", dir.File("x.big")});
    EXPECT_EQ(outcome.status, row.status) << outcome.out;
    EXPECT_TRUE(Contains(outcome.out, row.finding)) << outcome.out;
}

using testsupport::BigEndian32;
INSTANTIATE_TEST_SUITE_P(
    Archives, VerifyTest,
    ::testing::Values(
        VerifyRow{"Sound", kGood, 0, "3 entries read: nothing wrong."},
        VerifyRow{"DataPastTheEnd", kGood.substr(0, kGood.size() - 1), 1,
                  "wrong:    Entry 3 \"three.txt\": data at offset 85 with size 3 reaches past"},
        VerifyRow{"Overlap", Patched(kGood, 32, BigEndian32(77)), 1,
                  "Entry 2 \"two.txt\": data at offset 77 overlaps the data of entry 1"},
        VerifyRow{"Shared", Patched(kGood, 32, BigEndian32(75)), 0,
                  "doubtful: Entry 2 \"two.txt\" shares its data with entry 1"},
        VerifyRow{"OverTheDirectory", Patched(kGood, 48, BigEndian32(40)), 1, "over the directory"},
        VerifyRow{"CountTooSmall", Patched(kGood, 8, BigEndian32(2)), 1,
                  "The header counts 2 entries, but the directory holds 3 records."},
        VerifyRow{"CountTooLarge", Patched(kGood, 8, BigEndian32(4)), 1, "The header counts 4"},
        VerifyRow{"Duplicate", MakeBig({{"a.txt", "1"}, {"A.TXT", "2"}}), 0,
                  "Entry 2 \"A.TXT\" has the same name as entry 1"},
        VerifyRow{"EmptyName", MakeBig({{"", "1"}}), 0, "Entry 1 has an empty name."},
        VerifyRow{"Unsafe", MakeBig({{"..\\x", "1"}}), 0, "cannot be extracted: it has a \"..\""},
        VerifyRow{"WindowsOnly", MakeBig({{"aux.txt", "1"}}), 0, "cannot be extracted on Windows"},
        VerifyRow{"FileLength", Patched(kGood, 4, std::string("\x01\0\0\0", 4)), 0,
                  "gives the file length as 1"},
        VerifyRow{"NotBig", "BIGX and more bytes", 1, "not a BIG archive"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Verify, AnUnreadableFileFailsWithItsName) {
    const clitest::Outcome outcome = RunTool({"verify", "no-such-archive.big"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(Contains(outcome.err, "vantor-cli: Cannot open \"no-such-archive.big\""))
        << outcome.err;
}

}  // namespace
