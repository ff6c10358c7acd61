// The built vantor-cli run as a separate program, as a user or a script runs it, on archives
// and folders made here: round trips, identical output for identical input, unsafe names and
// bad input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <thread>

#include "tests/cli/CliTestSupport.h"

namespace {

using namespace clitest;
using testsupport::ReadBytes;
using testsupport::TempDir;

std::string Quote(const std::string& arg) {
    EXPECT_EQ(arg.find_first_of("\"$`%"), std::string::npos) << "cannot quote " << arg;
    return "\"" + arg + "\"";
}

// Runs the built vantor-cli with `args` through the shell, its output caught in `scratch`.
Outcome RunProgram(const std::vector<std::string>& args, const TempDir& scratch) {
    std::string command = Quote(VANTOR_CLI_PATH);
    for (const std::string& arg : args) command += " " + Quote(arg);
    command += " >" + Quote(scratch.File("stdout")) + " 2>" + Quote(scratch.File("stderr"));
#ifdef _WIN32
    command = "\"" + command + "\"";  // cmd.exe strips one pair of quotes around the whole line
#endif
    const int raw = std::system(command.c_str());
    // POSIX returns the wait status (exit status times 256), Windows the exit status itself.
    const int status = raw >= 256 ? raw / 256 : raw;
    return {status, ReadBytes(scratch.File("stdout")), ReadBytes(scratch.File("stderr"))};
}

// Every byte value, over more than the 4 MiB that pack reads at a time.
std::string ManyBytes() {
    std::string bytes;
    for (int i = 0; i < (4 << 20) + 256; ++i) bytes += char(i);
    return bytes;
}

// Nested folders, an empty file, spaces and Windows-1252 letters in names.
const Files kTree{{"Data/INI/game.ini", "[Game]\r\nPace=2\r\n"},
                  {"Data/empty.dat", ""},
                  {"Data/Deep/er/still/bytes.bin", ManyBytes()},
                  {"name with spaces.txt", "spaced"},
                  {"Art/Caf\xC3\xA9 \xC3\x96l \xE2\x82\xAC.tga", std::string(3000, '\x80')},
                  {"top.txt", "top"}};

// list's output for kTree: sizes and UTF-8 names in the byte order of the stored names.
const std::string kListing =
    "      3000  Art\\Caf\xC3\xA9 \xC3\x96l \xE2\x82\xAC.tga\n"
    "   4194560  Data\\Deep\\er\\still\\bytes.bin\n"
    "        16  Data\\INI\\game.ini\n"
    "         0  Data\\empty.dat\n"
    "         6  name with spaces.txt\n"
    "         3  top.txt\n";

class RoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(RoundTrip, PackListExtractGivesBackEveryFileAndPackingAgainGivesTheSameBytes) {
    const std::string& signature = GetParam();
    TempDir dir, scratch;
    const auto run = [&](const std::vector<std::string>& args) {
        return RunProgram(InDir(dir, args), scratch);
    };
    PutFiles(dir.File("src"), kTree);
    const Outcome pack = run({"pack", "@src", "-o", "@a.big", "--signature", signature});
    ASSERT_EQ(pack.status, 0) << pack.err;
    EXPECT_EQ(pack.err, "");
    EXPECT_EQ(ReadBytes(dir.File("a.big")).substr(0, 4), signature);
    const std::string info = run({"info", "@a.big"}).out;
    EXPECT_TRUE(info.starts_with("signature:  " + signature + "\nentries:    6\n")) << info;
    EXPECT_EQ(run({"list", "@a.big"}).out, kListing);
    EXPECT_EQ(ArchiveContents(dir.File("a.big"))[0].first, "Art\\Caf\xE9 \xD6l \x80.tga");
    const std::string json = run({"list", "--json", "@a.big"}).out;
    EXPECT_TRUE(
        json.starts_with("[\n  {\"name\": \"Art\\\\Caf\xC3\xA9 \xC3\x96l \xE2\x82\xAC.tga\", "
                         "\"size\": 3000, \"offset\": 182},"))
        << json;

    EXPECT_EQ(run({"verify", "@a.big"}).out, "6 entries read: nothing wrong.\n");

    const Outcome extract = run({"extract", "@a.big", "-C", "@out/deeper"});  // folders made
    ASSERT_EQ(extract.status, 0) << extract.err;
    EXPECT_EQ(FilesUnder(dir.File("out/deeper")), kTree);
    for (const std::string folder : {"@src", "@out/deeper"}) {  // the same folder, then its copy
        ASSERT_EQ(run({"pack", folder, "-o", "@b.big", "-s", signature}).status, 0);
        EXPECT_EQ(ReadBytes(dir.File("b.big")), ReadBytes(dir.File("a.big"))) << folder;
    }
}

INSTANTIATE_TEST_SUITE_P(Signatures, RoundTrip, ::testing::Values("BIGF", "BIG4"));

TEST(BlackBox, UnsafeNamesAreReportedAndNothingIsWrittenOutsideTheFolder) {
    TempDir dir, scratch;
    const std::vector<std::string> unsafe{"..\\escaped.txt",   "inner\\..\\..\\escaped2.txt",
                                          "\\rooted.txt",      "/rooted2.txt",
                                          "C:\\drive.txt",     "c:drive2.txt",
                                          "a/../../slash.txt", ""};
    testsupport::NamedData entries{{"good\\kept.txt", "kept"}};
    for (const std::string& name : unsafe) entries.emplace_back(name, "bad " + name);
    Files expected{{"out/good/kept.txt", "kept"}, {"outside.txt", "untouched"}};
    // Enough entries for a progress bar, which is not drawn when standard error is a file.
    for (int i = 0; i < 1500; ++i) {
        entries.emplace_back("many\\" + std::to_string(i), "x");
        expected["out/many/" + std::to_string(i)] = "x";
    }
    MakeArchive(dir.File("crafted.big"), entries);
    expected["crafted.big"] = ReadBytes(dir.File("crafted.big"));
    // A link where a file goes is replaced, not followed.
    testsupport::WriteBytes(dir.File("outside.txt"), "untouched");
    std::filesystem::create_directories(testsupport::FsPath(dir.File("out/good")));
    std::error_code noLinks;  // where there are none, the file is simply made
    std::filesystem::create_symlink(testsupport::FsPath(dir.File("outside.txt")),
                                    testsupport::FsPath(dir.File("out/good/kept.txt")), noLinks);

    const Outcome outcome =
        RunProgram({"extract", dir.File("crafted.big"), "-C", dir.File("out")}, scratch);
    EXPECT_EQ(outcome.status, 1);
    for (std::size_t i = 0; i < unsafe.size(); ++i)
        EXPECT_TRUE(Contains(outcome.err, "vantor-cli: Entry " + std::to_string(i + 2) + " "))
            << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), unsafe.size());
    EXPECT_EQ(outcome.err.find('\r'), std::string::npos);
    EXPECT_EQ(FilesUnder(dir.path()), expected);
}

TEST(BlackBox, TwentyEditsStartedTogetherWaitForEachOtherAndAllLand) {
    constexpr int Edits = 20;
    TempDir dir;
    const std::string archive = dir.File("game.big");
    testsupport::WriteBytes(archive,
                            testsupport::MakeBig({{"base.txt", std::string(100000, 'b')}}));
    std::vector<std::unique_ptr<TempDir>> scratch;
    std::vector<Outcome> outcomes(Edits);
    std::vector<std::thread> runs;
    for (int i = 0; i < Edits; ++i) {
        const std::string name = "new" + std::to_string(i) + ".txt";
        testsupport::WriteBytes(dir.File(name), "bytes of " + name);
        scratch.push_back(std::make_unique<TempDir>());
        runs.emplace_back([&, i, name] {
            outcomes[i] = RunProgram({"add", archive, dir.File(name), "--as", name}, *scratch[i]);
        });
    }
    for (std::thread& run : runs) run.join();
    for (const Outcome& outcome : outcomes) EXPECT_EQ(outcome.status, 0) << outcome.err;
    const testsupport::NamedData contents = ArchiveContents(archive);
    ASSERT_EQ(contents.size(), std::size_t(Edits) + 1);
    std::set<std::string> added;
    for (const auto& [name, data] : contents)
        if (name != "base.txt") {
            EXPECT_EQ(data, "bytes of " + name);
            added.insert(name);
        }
    EXPECT_EQ(added.size(), std::size_t(Edits));
    EXPECT_EQ(dir.List().size(), std::size_t(Edits) + 2);  // the files, the archive, its lock
}

TEST(BlackBox, BadInputGivesOneLineNamingTheFileExitStatusOneAndLeavesNothingBehind) {
    const std::tuple<std::vector<std::string>, std::string, std::string> rows[] = {
        // the arguments ("@x" is the file x in the test's folder), the file named, the reason
        {{"list", "@missing.big"}, "missing.big", "Cannot open"},
        {{"info", "@plain.txt"}, "plain.txt", "is not a BIG archive"},
        {{"extract", "@truncated.big", "-C", "@out"}, "truncated.big", "past the end"},
        {{"list", "@cut.big"}, "cut.big", "can hold at most"},
        {{"extract", "@good.big", "-C", "@plain.txt"}, "plain.txt", "Entry 1 \"a.txt\""},
        {{"add", "@good.big", "@none.txt"}, "none.txt", "there is no such file"},
        {{"replace", "@good.big", "a.txt", "@none.txt"}, "none.txt", "there is no file"},
        {{"pack", "@nowhere", "-o", "@new.big"}, "nowhere", "is not a folder"},
        {{"verify", "@missing.big"}, "missing.big", "Cannot open"},
    };
    const std::string good =
        testsupport::MakeBig({{"a.txt", "a"}, {"b.txt", std::string(5000, 'b')}});
    const Files before{{"good.big", good},
                       {"truncated.big", good.substr(0, good.size() - 10)},
                       {"cut.big", good.substr(0, 30)},
                       {"plain.txt", "not an archive"}};
    for (const auto& [args, named, reason] : rows) {
        TempDir dir, scratch;
        PutFiles(dir.path(), before);
        const Outcome outcome = RunProgram(InDir(dir, args), scratch);
        EXPECT_EQ(outcome.status, 1) << args[0];
        EXPECT_TRUE(outcome.err.starts_with("vantor-cli: ")) << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        EXPECT_TRUE(Contains(outcome.err, reason)) << outcome.err;
        EXPECT_TRUE(Contains(outcome.err, "\"" + dir.File(named))) << outcome.err;
        // An edit that got as far as locking the archive leaves its (empty) lock file.
        Files after = FilesUnder(dir.path());
        if (args[0] == "add" || args[0] == "replace") {
            EXPECT_EQ(after.extract("good.big.lock").mapped(), "");
        }
        EXPECT_EQ(after, before);
        EXPECT_EQ(outcome.out, "");
    }
}

}  // namespace
