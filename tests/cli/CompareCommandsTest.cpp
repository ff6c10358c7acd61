// diff and overlay run in-process: their lines and JSON, worked out by hand for small archives
// of both signatures, their exit statuses, the merged view overlay --extract writes, and a
// failing disk, which must end in exit status 2 and never in an answer.
#include <gtest/gtest.h>

#include "tests/cli/CliTestSupport.h"
#include "tests/support/CsfBuilder.h"
#include "tests/support/FaultyFileSystem.h"

namespace {

using namespace clitest;
using csftest::Label;
using testsupport::TempDir;

struct Row {
    std::vector<std::string> args;  // "@x" is the file x in the test's folder
    int status;
    std::string out;
};

class CompareCommands : public ::testing::Test {
protected:
    void Check(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            std::string line;
            for (const std::string& arg : row.args) line += arg + " ";
            SCOPED_TRACE(line);
            const Outcome outcome = RunTool(InDir(dir, row.args));
            EXPECT_EQ(outcome.status, row.status) << outcome.err;
            EXPECT_EQ(outcome.out, row.out);
            // An error says what failed; a comparison that ran says nothing on standard error.
            EXPECT_EQ(outcome.err.empty(), row.status != 2) << outcome.err;
        }
    }
    TempDir dir;
};

// "Data\Text\read me.txt" changes one byte; the accented name differs only in case; a string
// table changes a label; one entry goes, one comes. OLD is a "BIGF" archive, NEW a "BIG4" one.
class Diff : public CompareCommands {
protected:
    void SetUp() override {
        MakeArchive(dir.File("old.big"),
                    {{"Data\\Text\\read me.txt", "hello"},
                     {"Lang\\game.csf", csftest::File({Label("Menu:Start", u"Start")})},
                     {"gone.bin", "xyz"},
                     {"Donn\xE9"
                      "es\\caf\xE9.txt",
                      "1"}});
        MakeArchive(dir.File("new.big"),
                    {{"DATA\\text\\READ ME.TXT", "hellO"},
                     {"Lang\\game.csf", csftest::File({Label("MENU:START", u"Go")})},
                     {"new.bin", "n"},
                     {"donn\xC9"
                      "es\\CAF\xC9.txt",
                      "1"}},
                    "BIG4");
        testsupport::WriteBytes(dir.File("note.txt"), "not an archive");
    }
};

TEST_F(Diff, PrintsALinePerDifferenceInNameOrderAndExitsWithOneWhenThereIsAny) {
    const std::string lines =
        "~ DATA\\text\\READ ME.TXT 5 -> 5\n"
        "- gone.bin 3\n"
        "~ Lang\\game.csf 64 -> 58\n";
    Check({{{"diff", "@old.big", "@new.big"}, 1, lines + "+ new.bin 1\n"},
           {{"diff", "--strings", "@old.big", "@new.big"},
            1,
            lines + "    ~ MENU:START = \"Start\" -> \"Go\"\n+ new.bin 1\n"},
           {{"diff", "@new.big", "@old.big"},
            1,
            "~ Data\\Text\\read me.txt 5 -> 5\n+ gone.bin 3\n~ Lang\\game.csf 58 -> 64\n"
            "- new.bin 1\n"},
           {{"diff", "@new.big", "@new.big"}, 0, ""},
           {{"diff", "--json", "@new.big", "@new.big"}, 0, "[]\n"},
           {{"diff", "@old.big", "@missing.big"}, 2, ""},
           {{"diff", "@old.big", "@note.txt"}, 2, ""},
           {{"diff", "@old.big"}, 2, ""}});
}

TEST_F(Diff, JsonGivesTheSameFactsAndTheLabelChangesWithStrings) {
    const std::string first =
        "[\n"
        "  {\"change\": \"changed\", \"name\": \"DATA\\\\text\\\\READ ME.TXT\", \"oldSize\": 5, "
        "\"newSize\": 5},\n"
        "  {\"change\": \"removed\", \"name\": \"gone.bin\", \"oldSize\": 3},\n"
        "  {\"change\": \"changed\", \"name\": \"Lang\\\\game.csf\", \"oldSize\": 64, "
        "\"newSize\": 58";
    const std::string last =
        "},\n  {\"change\": \"added\", \"name\": \"new.bin\", \"newSize\": 1}\n]\n";
    Check({{{"diff", "--json", "@old.big", "@new.big"}, 1, first + last},
           {{"diff", "--json", "--strings", "@old.big", "@new.big"},
            1,
            first + ", \"labels\": [\"~ MENU:START = \\\"Start\\\" -> \\\"Go\\\"\"]" + last}});
}

// Three archives: a name in all three (the same bytes in a and c, others in b), one whose
// copies differ only in size, one in a and b alike, a repeated name in a whose second copy
// readers never find, and a name in c alone. The names print as UTF-8.
class Overlay : public CompareCommands {
protected:
    void SetUp() override {
        MakeArchive(dir.File("a.big"), {{"Data\\rules.ini", "one"},
                                        {"data\\RULES.ini", "a repeat"},
                                        {"same.txt", "s"},
                                        {"size.bin", "12"},
                                        {"Caf\xE9.txt", "c"}});
        MakeArchive(dir.File("b.big"),
                    {{"DATA\\Rules.INI", "two"}, {"Same.txt", "s"}, {"size.bin", "123"}}, "BIG4");
        MakeArchive(dir.File("c.big"), {{"data\\rules.ini", "one"}, {"only-c.txt", "c"}});
    }
    std::string A() const { return dir.File("a.big"); }
    std::string B() const { return dir.File("b.big"); }
    std::string C() const { return dir.File("c.big"); }
    // A path as a JSON string holds it (Windows paths have backslashes).
    static std::string Json(std::string path) {
        for (std::size_t at = 0; (at = path.find('\\', at)) != std::string::npos; at += 2)
            path.insert(at, 1, '\\');
        return "\"" + path + "\"";
    }
};

TEST_F(Overlay, NamesTheArchiveThatProvidesEachNameAndTheConflicts) {
    const std::string rules = "data\\rules.ini\t" + A() + "\t" + B() + "\t*" + C() + "\n";
    const std::string size = "size.bin\t" + A() + "\t*" + B() + "\n";
    Check(
        {{{"overlay", "@a.big", "@b.big", "@c.big"},
          0,
          "Caf\xC3\xA9.txt\t" + A() + "\ndata\\rules.ini\t" + C() + "\nonly-c.txt\t" + C() +
              "\nSame.txt\t" + B() + "\nsize.bin\t" + B() + "\n"},
         {{"overlay", "--first-wins", "@a.big", "@b.big", "@c.big"},
          0,
          "Caf\xC3\xA9.txt\t" + A() + "\nData\\rules.ini\t" + A() + "\nonly-c.txt\t" + C() +
              "\nsame.txt\t" + A() + "\nsize.bin\t" + A() + "\n"},
         {{"overlay", "--conflicts", "@a.big", "@b.big", "@c.big"}, 1, rules + size},
         {{"overlay", "--conflicts", "--first-wins", "@a.big", "@b.big", "@c.big"},
          1,
          "Data\\rules.ini\t*" + A() + "\t" + B() + "\t" + C() + "\nsize.bin\t*" + A() + "\t" +
              B() + "\n"},
         {{"overlay", "--conflicts", "@a.big", "@c.big"}, 0, ""},
         {{"overlay", "--conflicts", "--json", "@c.big", "@b.big"},
          1,
          "[\n  {\"name\": \"DATA\\\\Rules.INI\", \"size\": 3, \"archive\": " + Json(B()) +
              ", \"archives\": [" + Json(C()) + ", " + Json(B()) + "]}\n]\n"},
         {{"overlay", "--json", "@c.big"},
          0,
          "[\n  {\"name\": \"data\\\\rules.ini\", \"size\": 3, \"archive\": " + Json(C()) +
              "},\n  {\"name\": \"only-c.txt\", \"size\": 1, \"archive\": " + Json(C()) + "}\n]\n"},
         {{"overlay", "@a.big", "@missing.big"}, 2, ""},
         {{"overlay"}, 2, ""}});
}

TEST_F(Overlay, ExtractWritesTheMergedViewByExtractsRules) {
    MakeArchive(dir.File("bad.big"), {{"..\\outside.txt", "x"}, {"same.txt", "from bad"}});
    const Files merged{{"Caf\xC3\xA9.txt", "c"},
                       {"data/rules.ini", "one"},
                       {"only-c.txt", "c"},
                       {"Same.txt", "s"},
                       {"size.bin", "123"}};
    Check({{{"overlay", "@a.big", "@b.big", "@c.big", "--extract", "@out"}, 0, ""}});
    EXPECT_EQ(FilesUnder(dir.File("out")), merged);
    // A name that would leave the folder is reported (exit status 1); the others are written.
    const Outcome outcome = RunTool(
        InDir(dir, {"overlay", "--first-wins", "@bad.big", "@c.big", "-q", "--extract", "@out2"}));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_TRUE(Contains(outcome.err, "\"..\\outside.txt\" is not extracted")) << outcome.err;
    EXPECT_EQ(FilesUnder(dir.File("out2")),
              (Files{{"data/rules.ini", "one"}, {"only-c.txt", "c"}, {"same.txt", "from bad"}}));
}

TEST(CompareFaults, AFailedReadOrWriteIsExitStatusTwoNeverAnAnswer) {
    TempDir dir;
    const std::string large(300000, 'L');
    MakeArchive(dir.File("old.big"), {{"a.txt", "alpha"}, {"big.bin", large + "1"}, {"c", "c"}});
    MakeArchive(dir.File("new.big"), {{"A.TXT", "alphA"}, {"big.bin", large + "2"}, {"d", "d"}});
    const std::vector<std::string> commands[] = {
        {"diff", "--strings", "@old.big", "@new.big"},
        {"overlay", "--conflicts", "@old.big", "@new.big"},
        {"overlay", "@old.big", "@new.big", "--extract", "@out"}};
    for (const std::vector<std::string>& command : commands) {
        SCOPED_TRACE(command[0] + " " + command[1]);
        const Outcome right = RunTool(InDir(dir, command));
        for (int failAt = 1;; ++failAt) {
            SCOPED_TRACE(failAt);
            Outcome outcome;
            bool reached = false;
            {
                testsupport::ScopedFaultyFiles faulty;
                faulty.files.failAt = failAt;
                outcome = RunTool(InDir(dir, command));
                reached = faulty.files.operations >= failAt;
            }
            if (!reached) {
                EXPECT_EQ(outcome.status, right.status);
                EXPECT_EQ(outcome.out, right.out);
                break;
            }
            EXPECT_EQ(outcome.status, 2);
            EXPECT_EQ(outcome.out, "");
            EXPECT_TRUE(Contains(outcome.err, "Injected failure")) << outcome.err;
        }
    }
}

}  // namespace
