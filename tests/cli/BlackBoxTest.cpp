// The built vantor-cli run as a separate program, as a user or a script runs it, on archives
// and folders made here: round trips, identical output for identical input, bad input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>

#include "archive/EntryPath.h"
#include "tests/cli/CliTestSupport.h"

#ifndef VANTOR_CLI_PATH
#error "VANTOR_CLI_PATH must name the built vantor-cli"
#endif

namespace {

using clitest::FilesUnder;
using clitest::MakeArchive;
using clitest::PutFiles;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

struct Process {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& arg) {
    EXPECT_EQ(arg.find_first_of("\"$`%"), std::string::npos) << "cannot quote " << arg;
    return "\"" + arg + "\"";
}

// Runs vantor-cli with `args` through the system's shell, its output caught in `scratch`.
Process RunProgram(const std::vector<std::string>& args, const TempDir& scratch) {
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

std::string AllBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += char(i);
    return bytes;
}

// A tree with nested folders, an empty file, spaces and letters beyond ASCII in names.
const std::map<std::string, std::string> kTree{{"Data/INI/game.ini", "[Game]\r\nPace=2\r\n"},
                                               {"Data/empty.dat", ""},
                                               {"Data/Deep/er/still/bytes.bin", AllBytes()},
                                               {"name with spaces.txt", "spaced"},
                                               {"Art/Caf\xC3\xA9 \xC3\x9C"
                                                "ber \xE2\x82\xAC.tga",
                                                std::string(3000, '\x80')},
                                               {"top.txt", "top"}};

std::string EntryNameOf(const std::string& relativePath) {
    std::string name = EntryPath::Utf8ToName(relativePath);
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

// The "size  name" pairs of list's output.
std::set<std::pair<std::string, std::string>> ListedEntries(const std::string& listing) {
    std::set<std::pair<std::string, std::string>> listed;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t start = line.find_first_not_of(' ');
        const std::size_t gap = line.find("  ", start);
        listed.emplace(line.substr(start, gap - start), line.substr(gap + 2));
    }
    return listed;
}

class RoundTrip : public ::testing::TestWithParam<std::string> {
protected:
    TempDir dir, scratch;
    Process Run(const std::vector<std::string>& args) { return RunProgram(args, scratch); }
};

TEST_P(RoundTrip, PackListExtractGivesBackEveryFileAndName) {
    const std::string& signature = GetParam();
    PutFiles(dir.File("src"), kTree);
    const Process pack =
        Run({"pack", dir.File("src"), "-o", dir.File("a.big"), "--signature", signature});
    ASSERT_EQ(pack.status, 0) << pack.err;
    EXPECT_EQ(pack.err, "");
    EXPECT_EQ(ReadBytes(dir.File("a.big")).substr(0, 4), signature);

    std::set<std::pair<std::string, std::string>> expected;
    for (const auto& [path, bytes] : kTree) {
        std::string shown = path;
        std::replace(shown.begin(), shown.end(), '/', '\\');
        expected.emplace(std::to_string(bytes.size()), shown);
    }
    const Process list = Run({"list", dir.File("a.big")});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(ListedEntries(list.out), expected);
    const testsupport::NamedData stored = clitest::ArchiveContents(dir.File("a.big"));
    std::map<std::string, std::string> expectedByName;
    for (const auto& [path, bytes] : kTree) expectedByName[EntryNameOf(path)] = bytes;
    const std::map<std::string, std::string> storedByName(stored.begin(), stored.end());
    EXPECT_EQ(storedByName, expectedByName);
    EXPECT_TRUE(std::is_sorted(stored.begin(), stored.end()));  // in byte order of the names

    const Process extract = Run({"extract", dir.File("a.big"), "-C", dir.File("out")});
    ASSERT_EQ(extract.status, 0) << extract.err;
    EXPECT_EQ(FilesUnder(dir.File("out")), kTree);

    ASSERT_EQ(Run({"pack", dir.File("out"), "-o", dir.File("b.big"), "-s", signature}).status, 0);
    EXPECT_EQ(ReadBytes(dir.File("b.big")), ReadBytes(dir.File("a.big")));
}

TEST_P(RoundTrip, PackingTheSameFolderTwiceGivesTheSameBytes) {
    PutFiles(dir.File("src"), kTree);
    for (const char* name : {"one.big", "two.big"})
        ASSERT_EQ(Run({"pack", dir.File("src"), "-o", dir.File(name), "-s", GetParam()}).status, 0);
    EXPECT_EQ(ReadBytes(dir.File("one.big")), ReadBytes(dir.File("two.big")));
    const Process info = Run({"info", dir.File("one.big")});
    EXPECT_NE(info.out.find("signature:  " + GetParam()), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("entries:    6\n"), std::string::npos) << info.out;
}

INSTANTIATE_TEST_SUITE_P(Signatures, RoundTrip, ::testing::Values("BIGF", "BIG4"));

TEST(BlackBox, NamesAreStoredInTheCodePageAndListedAsUtf8) {
    TempDir dir, scratch;
    PutFiles(dir.File("src"), kTree);
    ASSERT_EQ(RunProgram({"pack", dir.File("src"), "-o", dir.File("a.big")}, scratch).status, 0);
    std::set<std::string> names;
    for (const auto& [name, bytes] : clitest::ArchiveContents(dir.File("a.big")))
        names.insert(name);
    EXPECT_EQ(names.count("Art\\Caf\xE9 \xDC"
                          "ber \x80.tga"),
              1u);
    const Process json = RunProgram({"list", "--json", dir.File("a.big")}, scratch);
    EXPECT_NE(json.out.find("{\"name\": \"Art\\\\Caf\xC3\xA9 \xC3\x9C"
                            "ber \xE2\x82\xAC.tga\", "
                            "\"size\": 3000, \"offset\": "),
              std::string::npos)
        << json.out;
}

struct BadInputRow {
    const char* label;
    std::vector<std::string> args;  // "@x" stands for the file x in the test's folder
    std::string named;              // the file the message names
    std::string reason;             // part of the one line on standard error
};

class BadInput : public ::testing::TestWithParam<BadInputRow> {};

TEST_P(BadInput, OneLineNamingTheFileExitStatusOneAndNothingLeftBehind) {
    TempDir dir, scratch;
    MakeArchive(dir.File("good.big"), {{"a.txt", "a"}, {"b.txt", std::string(5000, 'b')}});
    const std::string good = ReadBytes(dir.File("good.big"));
    WriteBytes(dir.File("truncated.big"), good.substr(0, good.size() - 10));
    WriteBytes(dir.File("cut.big"), good.substr(0, 30));
    WriteBytes(dir.File("plain.txt"), "not an archive");
    std::filesystem::create_directory(testsupport::FsPath(dir.File("folder.big")));
    const std::map<std::string, std::string> before = FilesUnder(dir.path());

    std::vector<std::string> args;
    for (const std::string& arg : GetParam().args)
        args.push_back(arg.starts_with("@") ? dir.File(arg.substr(1)) : arg);
    const Process process = RunProgram(args, scratch);
    EXPECT_EQ(process.status, 1);
    EXPECT_TRUE(process.err.starts_with("vantor-cli: ")) << process.err;
    EXPECT_EQ(std::count(process.err.begin(), process.err.end(), '\n'), 1) << process.err;
    EXPECT_NE(process.err.find(GetParam().reason), std::string::npos) << process.err;
    EXPECT_NE(process.err.find("\"" + dir.File(GetParam().named)), std::string::npos)
        << process.err;
    EXPECT_EQ(FilesUnder(dir.path()), before);
    EXPECT_EQ(process.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadInput,
    ::testing::Values(
        BadInputRow{"MissingArchive", {"list", "@missing.big"}, "missing.big", "Cannot open"},
        BadInputRow{"FolderAsArchive",
                    {"extract", "@folder.big", "-C", "@out"},
                    "folder.big",
                    "is a folder"},
        BadInputRow{"NotAnArchive", {"info", "@plain.txt"}, "plain.txt", "is not a BIG archive"},
        BadInputRow{"TruncatedData",
                    {"extract", "@truncated.big", "-C", "@out"},
                    "truncated.big",
                    "past the end"},
        BadInputRow{"TruncatedDirectory", {"list", "@cut.big"}, "cut.big", "can hold at most"},
        BadInputRow{"MissingInputFile",
                    {"add", "@good.big", "@none.txt"},
                    "none.txt",
                    "there is no such file"},
        BadInputRow{"MissingReplacement",
                    {"replace", "@good.big", "a.txt", "@none.txt"},
                    "none.txt",
                    "there is no file"},
        BadInputRow{
            "MissingFolder", {"pack", "@nowhere", "-o", "@new.big"}, "nowhere", "is not a folder"},
        BadInputRow{"UnwritableOutput",
                    {"pack", "@folder.big", "-o", "@no/new.big"},
                    "no/new.big",
                    "Cannot create a temporary file"},
        BadInputRow{"ExtractOntoAFile",
                    {"extract", "@good.big", "-C", "@plain.txt"},
                    "plain.txt",
                    "Entry 1 \"a.txt\""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(BlackBox, NoProgressBarWhenStandardErrorIsNotATerminal) {
    TempDir dir, scratch;
    testsupport::NamedData many;
    for (int i = 0; i < 1500; ++i) many.emplace_back("f\\" + std::to_string(i), "x");
    MakeArchive(dir.File("many.big"), many);
    const Process process =
        RunProgram({"extract", dir.File("many.big"), "-C", dir.File("out")}, scratch);
    EXPECT_EQ(process.status, 0);
    EXPECT_EQ(process.err, "");
    EXPECT_EQ(FilesUnder(dir.File("out")).size(), many.size());
}

}  // namespace
