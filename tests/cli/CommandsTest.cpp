// The archive commands run in-process: patterns and duplicate names on extract, links in the
// target folder, what pack writes, the in-place edits, and what verify finds in crafted archives.
#include <gtest/gtest.h>

#include <chrono>

#include "archive/EditLock.h"
#include "tests/cli/CliTestSupport.h"

namespace {

using namespace clitest;
using testsupport::BigEndian32;
using testsupport::MakeBig;
using testsupport::NamedData;
using testsupport::ReadBytes;
using testsupport::TempDir;

TEST(Extract, PatternsChooseEntriesAndOfTwoWithOneNameOnlyTheFirstIsWritten) {
    TempDir dir;
    MakeArchive(dir.File("a.big"), {{"Data\\INI\\one.ini", "1"},
                                    {"Data\\INI\\two.INI", "2"},
                                    {"Data\\readme.txt", "r"},
                                    {"Art\\logo.tga", "l"},
                                    {"data\\ini\\ONE.ini", "second"}});
    const Files ini{{"Data/INI/one.ini", "1"}, {"Data/INI/two.INI", "2"}};
    const std::string twin =
        "warning: entry 5 \"data\\ini\\ONE.ini\" has the same name as entry 1; only the first "
        "is extracted.";
    const std::tuple<std::vector<std::string>, int, Files, std::string> rows[] = {
        {{"*.ini"}, 0, ini, twin},  // "*" crosses folders
        {{"-q", "data/ini/*"}, 0, ini, ""},
        {{"data/readme.TXT", "art\\*"}, 0, {{"Art/logo.tga", "l"}, {"Data/readme.txt", "r"}}, ""},
        {{"*/?wo.ini", "*.wav"}, 1, {{"Data/INI/two.INI", "2"}}, "No entry matches \"*.wav\"."},
    };
    for (const auto& [patterns, status, written, err] : rows) {
        TempDir out;
        std::vector<std::string> args{"extract", dir.File("a.big"), "-C", out.path()};
        args.insert(args.end(), patterns.begin(), patterns.end());
        const Outcome outcome = RunTool(args);
        EXPECT_EQ(outcome.status, status) << outcome.err;
        EXPECT_EQ(FilesUnder(out.path()), written);
        EXPECT_EQ(outcome.err, err.empty() ? "" : "vantor-cli: " + err + "\n");
    }
}

TEST(Pack, LeavesOutAnOldCopyOfItsArchiveAndWarnsOfNamesThatDifferOnlyInCase) {
    TempDir dir;
    PutFiles(dir.path(), {{"Data/a.ini", "a"}, {"b.txt", "b"}});
    PutFiles(dir.path(), {{"data/A.INI", "A"}});  // the same file where names ignore case
    const bool twins = FilesUnder(dir.path()).size() == 3;
    const std::string archive = dir.File("Data/self.big");
    ASSERT_EQ(RunTool({"pack", dir.path(), "-o", archive}).status, 0);
    const std::string bytes = ReadBytes(archive);
    const Outcome again = RunTool({"pack", dir.path(), "-o", archive});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(Contains(again.err, "self.big\" is left out")) << again.err;
    EXPECT_EQ(Contains(again.err, "differ only in letter case"), twins) << again.err;
    EXPECT_EQ(ReadBytes(archive), bytes);
    NamedData expected{{"Data\\a.ini", twins ? "a" : "A"}, {"b.txt", "b"}};
    if (twins) expected.emplace_back("data\\A.INI", "A");
    EXPECT_EQ(ArchiveContents(archive), expected);
}

// "name=data;" for each entry.
std::string Joined(const NamedData& entries) {
    std::string text;
    for (const auto& [name, data] : entries) text += name + "=" + data + ";";
    return text;
}

TEST(Edits, ChangeTheArchiveInPlaceKeepingSignatureAndOrderOrLeaveItAsItWas) {
    // the command and its arguments (the archive goes after the command), the exit status, the
    // archive's entries after it (Joined(); "": its bytes are unchanged), part of standard error
    const std::tuple<std::vector<std::string>, int, std::string, std::string> rows[] = {
        {{"add", "New/x.txt"}, 0, "Data\\a.ini=a;Data\\b.txt=b;c.dat=c;New\\x.txt=n;", ""},
        {{"add", "New/x.txt", "--as", "Data/\xC3\xA9t\xC3\xA9.txt"},
         0,
         "Data\\a.ini=a;Data\\b.txt=b;c.dat=c;Data\\\xE9t\xE9.txt=n;",
         ""},
        {{"add", "New/x.txt", "--as", "DATA/A.INI"}, 1, "", "already has entry 1"},
        {{"add", "New/x.txt", "--as", "../x"}, 1, "", "\"..\""},
        {{"replace", "data/B.TXT", "New/x.txt"}, 0, "Data\\a.ini=a;Data\\b.txt=n;c.dat=c;", ""},
        {{"replace", "Data/z.txt", "New/x.txt"}, 1, "", "no entry named \"Data/z.txt\""},
        {{"remove", "data\\a.ini", "C.DAT"}, 0, "Data\\b.txt=b;", ""},
        {{"remove", "c.dat", "d.dat"}, 1, "", "\"d.dat\""},
        {{"rename", "Data/b.txt", "Docs/b.txt"}, 0, "Data\\a.ini=a;Docs\\b.txt=b;c.dat=c;", ""},
        {{"rename", "c.dat", "C.DAT"}, 0, "Data\\a.ini=a;Data\\b.txt=b;C.DAT=c;", ""},
        {{"rename", "c.dat", "data/b.TXT"}, 1, "", "already has entry 2"},
        {{"rename", "c.dat", "\xC5\x8B"}, 1, "", "U+014B"},
    };
    const std::string before =
        MakeBig({{"Data\\a.ini", "a"}, {"Data\\b.txt", "b"}, {"c.dat", "c"}}, 9, "BIG4");
    const std::filesystem::path previous = std::filesystem::current_path();
    for (const auto& [args, status, after, errPart] : rows) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        TempDir dir;
        std::filesystem::current_path(testsupport::FsPath(dir.path()));  // paths as users type them
        PutFiles(".", {{"game.big", before}, {"New/x.txt", "n"}});
        std::vector<std::string> withArchive = args;
        withArchive.insert(withArchive.begin() + 1, "game.big");
        const Outcome outcome = RunTool(withArchive);
        EXPECT_EQ(outcome.status, status) << outcome.err;
        EXPECT_TRUE(Contains(outcome.err, errPart)) << outcome.err;
        EXPECT_EQ(after.empty() ? ReadBytes("game.big") : Joined(ArchiveContents("game.big")),
                  after.empty() ? before : after);
        EXPECT_EQ(ReadBytes("game.big").substr(0, 4), "BIG4");
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"New", "game.big", "game.big.lock"}));
        std::filesystem::current_path(previous);
    }
}

// The real file system, but another program, which takes no lock, rewrites the archive at the
// moment an edit creates its temporary file, or once it has written all of it.
class RewrittenMeanwhile : public platform::FileSystem {
public:
    RewrittenMeanwhile(std::string archive, std::string bytes, bool whenWritten)
        : archive_(std::move(archive)), bytes_(std::move(bytes)), whenWritten_(whenWritten) {}
    platform::PathKind Kind(const std::string& p) override { return Real().Kind(p); }
    std::unique_ptr<platform::ReadableFile> OpenRead(const std::string& p) override {
        return Real().OpenRead(p);
    }
    std::unique_ptr<platform::WritableFile> CreateTempBeside(const std::string& target,
                                                             std::string& temp) override {
        if (!whenWritten_) Rewrite();
        return std::make_unique<Closing>(*this, Real().CreateTempBeside(target, temp));
    }
    void Rename(const std::string& from, const std::string& to, bool durable) override {
        Real().Rename(from, to, durable);
    }
    void Remove(const std::string& p) override { Real().Remove(p); }
    std::string WriteTarget(const std::string& p) override { return Real().WriteTarget(p); }
    void CreateFolder(const std::string& p) override { Real().CreateFolder(p); }
    std::vector<platform::FolderItem> ListFolder(const std::string& p) override {
        return Real().ListFolder(p);
    }
    std::unique_ptr<platform::FileLock> TryLock(const std::string& p) override {
        return Real().TryLock(p);
    }

private:
    // The temporary file; the archive is rewritten when it is closed, the last step before the
    // rename.
    struct Closing : platform::WritableFile {
        Closing(RewrittenMeanwhile& owner, std::unique_ptr<platform::WritableFile> inner)
            : owner(owner), inner(std::move(inner)) {}
        void Write(const std::vector<std::string_view>& parts) override { inner->Write(parts); }
        void Flush() override { inner->Flush(); }
        void Close() override {
            inner->Close();
            if (owner.whenWritten_) owner.Rewrite();
        }
        RewrittenMeanwhile& owner;
        std::unique_ptr<platform::WritableFile> inner;
    };
    static platform::FileSystem& Real() { return platform::RealFiles(); }
    void Rewrite() {
        if (!bytes_.empty()) testsupport::WriteBytes(archive_, std::exchange(bytes_, ""));
    }
    std::string archive_, bytes_;
    bool whenWritten_;
};

TEST(Edits, WaitForEachOtherAndNeverOverwriteAnotherProgramsChangeOrLeaveTemporaryFiles) {
    TempDir dir;
    const std::string archive = dir.File("game.big"), loose = dir.File("x.txt");
    const std::string before = MakeBig({{"a.txt", "a"}});
    testsupport::WriteBytes(archive, before);
    testsupport::WriteBytes(loose, "x");
    const std::string busy =
        "vantor-cli: \"" + archive + "\" is being changed by another program.\n";
    {
        // Another program holds the lock: the edit waits, then gives up and changes nothing.
        const VTR_CORE::EditLock held(archive, std::chrono::milliseconds(0));
        const auto start = std::chrono::steady_clock::now();
        const Outcome outcome = RunTool({"add", archive, loose, "--as", "x.txt", "--wait", "0.3"});
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err, busy);
        EXPECT_EQ(ReadBytes(archive), before);
    }
    for (const bool whenWritten : {false, true}) {
        // A program that takes no lock rewrites the archive while the edit runs: its change stays.
        const std::string theirs = MakeBig({{"theirs.txt", "t"}});
        RewrittenMeanwhile meanwhile(archive, theirs, whenWritten);
        platform::SetFiles(&meanwhile);
        const Outcome outcome = RunTool({"add", archive, loose, "--as", "x.txt"});
        platform::SetFiles(nullptr);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err, busy);
        EXPECT_EQ(ReadBytes(archive), theirs);
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"game.big", "game.big.lock", "x.txt"}));
        testsupport::WriteBytes(archive, before);
    }
    // A killed edit left its temporary file; the next edit removes it, and only it.
    std::string leftover;
    platform::Files().CreateTempBeside(archive, leftover)->Write({std::string(4000, 'k')});
    std::string another;
    platform::Files().CreateTempBeside(dir.File("other.big"), another);
    ASSERT_EQ(dir.List().size(), 5u);
    ASSERT_EQ(RunTool({"add", archive, loose, "--as", "x.txt"}).status, 0);
    EXPECT_EQ(Joined(ArchiveContents(archive)), "a.txt=a;x.txt=x;");
    EXPECT_EQ(dir.List(), (std::vector<std::string>{another.substr(dir.path().size() + 1),
                                                    "game.big", "game.big.lock", "x.txt"}));
}

TEST(Verify, ReportsWhatIsWrongOrDoubtfulAndFailsOnlyForWhatIsWrong) {
    // Records at 16, 32 and 48, the directory ends at 66; data at 75, 80 and 85.
    const NamedData three{{"one.txt", "11111"}, {"two.txt", "22222"}, {"three.txt", "333"}};
    const std::string good = MakeBig(three);
    const auto patched = [](std::string bytes, std::size_t at, unsigned value) {
        return bytes.replace(at, 4, BigEndian32(value));
    };
    const std::string clean = "3 entries read: nothing wrong.\n";
    std::vector<std::tuple<std::string, int, std::string>> rows = {
        {good.substr(0, good.size() - 1), 1,
         "wrong:    Entry 3 \"three.txt\": data at offset 85 with size 3 reaches past the end of "
         "the file (87 bytes).\n3 entries read: 1 wrong, 0 doubtful.\n"},
        {patched(good, 32, 77), 1,
         "Entry 2 \"two.txt\": data at offset 77 overlaps the data of entry 1"},
        {patched(good, 32, 75), 0,
         "doubtful: Entry 2 \"two.txt\" shares its data with entry 1 \"one.txt\": replacing one "
         "in place would change the other.\n3 entries read: 0 wrong, 1 doubtful.\n"},
        {patched(good, 48, 40), 1, "over the directory"},
        {patched(good, 8, 2), 0, "2 entries read: nothing wrong.\n"},  // a record as stray bytes
        {patched(good, 8, 4), 1, "wrong:    Entry 4 \"\": data at offset 1278358069"},
        {good.substr(0, 40), 1,
         "wrong:    Entry 2 at offset 32: the name is cut off by the end of the file (40 bytes)."},
        {"BIGF\0\0\0\0\0", 1, "wrong:    The file is too short to be a BIG archive"},
        {MakeBig({{"a.txt", "1"}, {"A.TXT", "2"}}), 0,
         "Entry 2 \"A.TXT\" has the same name as entry 1"},
        {MakeBig({{"", "1"}}), 0, "Entry 1 has an empty name."},
        {MakeBig({{"..\\x", "1"}}), 0, "cannot be extracted: it has a \"..\""},
        {MakeBig({{"aux.txt", "1"}}), 0, "cannot be extracted on Windows"},
        {"BIGX and more bytes", 1, "not a BIG archive"},
    };
    // The fields readers never use, and bytes of other writers before the data, are no finding:
    // the header length as D + 8, D + 4, the first data offset and 0; a wrong archive size.
    for (const int gap : {9, 0, 7})
        for (const unsigned headerLength : {66u + 8, 66u + 4, 66u + gap, 0u}) {
            std::string bytes = patched(MakeBig(three, gap, "BIG4"), 12, headerLength);
            rows.emplace_back(bytes.replace(4, 4, std::string("\x7F\0\0\x01", 4)), 0, clean);
        }
    TempDir dir;
    for (const auto& [bytes, status, finding] : rows) {
        testsupport::WriteBytes(dir.File("x.big"), bytes);
        const Outcome outcome = RunTool({"verify", dir.File("x.big")});
        EXPECT_EQ(outcome.status, status) << outcome.out;
        EXPECT_TRUE(Contains(outcome.out, finding)) << outcome.out;
    }
}

TEST(Verify, ChecksSeveralArchivesInBlocksAndFailsWhenAnyIsWrong) {
    TempDir dir;
    testsupport::WriteBytes(dir.File("good.big"), MakeBig({{"a.txt", "1"}}));
    testsupport::WriteBytes(dir.File("cut.big"), MakeBig({{"a.txt", "12"}}).substr(0, 30));
    const std::string good = dir.File("good.big"), cut = dir.File("cut.big");
    const std::string missing = dir.File("missing.big");
    std::string cannotOpen;  // in the system's words
    try {
        platform::Files().OpenRead(missing);
    } catch (const platform::FileError& error) {
        cannotOpen = error.what();
    }
    const Outcome all = RunTool({"verify", good, cut, missing, good});
    EXPECT_EQ(all.status, 1);
    EXPECT_EQ(all.out, good + ":\n1 entries read: nothing wrong.\n\n" + cut +
                           ":\nwrong:    Entry 1 \"a.txt\": data at offset 39 with size 2 "
                           "reaches past the end of the file (30 bytes).\n1 entries read: 1 "
                           "wrong, 0 doubtful.\n\n" +
                           missing + ":\nwrong:    " + cannotOpen +
                           "\n0 entries read: 1 wrong, 0 doubtful.\n\n" + good +
                           ":\n1 entries read: nothing wrong.\n");
    EXPECT_EQ(RunTool({"verify", good, good}).status, 0);
    const Outcome info = RunTool({"info", good, missing, good});
    EXPECT_EQ(info.status, 1);
    EXPECT_TRUE(Contains(info.out, good + ":\nsignature:  BIGF\nentries:    1\n")) << info.out;
    EXPECT_TRUE(Contains(info.out, "\n\n" + missing + ":\n\n" + good + ":\n")) << info.out;
    EXPECT_TRUE(Contains(info.err, "Cannot open \"" + missing)) << info.err;
}

}  // namespace
