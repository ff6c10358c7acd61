// The string-table commands run in-process on files in a private folder.
#include <gtest/gtest.h>

#include "stringtable/CsfTable.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/CsfBuilder.h"

namespace {

using namespace clitest;
using testsupport::ReadBytes;
using testsupport::WriteBytes;
using VTR_CSF::CsfTable;

// Each test works in a folder of its own, with file names relative to it.
class CliCsf : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::current_path(testsupport::FsPath(dir.path())); }
    void TearDown() override { std::filesystem::current_path(previous); }
    testsupport::TempDir dir;
    const std::filesystem::path previous = std::filesystem::current_path();
};

TEST_F(CliCsf, TablesGoThroughTextAndBackByteForByte) {
    // What a converter could lose: duplicates, extras, line breaks, code-page names. Each label:
    // name, has a string, value, string tag, has an extra, extra.
    const std::string csf = CsfTable{{{"Menu:Open", true, u"Open \"it\"\r\n\\n", "RTS", false, ""},
                                      {"menu:OPEN", true, u"again", "RTS", false, ""},
                                      {"Voice:Hi", true, u"Hi", "RTS", true, "hi_voice"},
                                      {"Bare", false, u"", "RTS", false, ""},
                                      {"Caf\xE9", true, u"\xD800\u00E9", "RTS", true, ""}},
                                     8}
                                .Write();
    WriteBytes("t.csf", csf);
    MakeArchive("a.big", {{"Data\\Lang\\Menu.csf", csf}, {"x.txt", "x"}});
    const std::tuple<std::vector<std::string>, std::vector<std::string>> rows[] = {
        {{"csf2str", "t.csf", "-o", "t.str"}, {"str2csf", "t.str", "-o", "back.csf"}},
        {{"csf2str", "a.big", "--entry", "data/lang/menu.csf", "--lf", "-o", "t.str"},
         {"str2csf", "--encoding", "utf-8", "t.str", "-o", "back.csf"}},
    };
    for (const auto& [toText, toTable] : rows) {
        ASSERT_EQ(RunTool(toText).status, 0);
        const Outcome back = RunTool(toTable);
        ASSERT_EQ(back.status, 0) << back.err;
        EXPECT_TRUE(Contains(back.err, "label \"menu:OPEN\" has the name of the label on line 3"))
            << back.err;
        EXPECT_EQ(ReadBytes("back.csf"), csf);
    }
    // Without -o the text goes to the standard output; --language replaces the source's.
    EXPECT_EQ(RunTool({"csf2str", "--lf", "t.csf"}).out, ReadBytes("t.str"));
    ASSERT_EQ(RunTool({"str2csf", "-q", "t.str", "--language", "3", "-o", "l.csf"}).err, "");
    CsfTable relabelled;
    relabelled.Read(ReadBytes("l.csf"));
    EXPECT_EQ(relabelled.Language, 3u);
}

// The header's language is bytes 20-23; bytes 16-19 are a reserved field, 0 in the tables seen.
TEST_F(CliCsf, TheHeadersLanguageAndReservedFieldSurviveTheText) {
    const std::string labels[] = {csftest::Label("Menu:Open", u"Open"), csftest::Label("Bare")};
    const std::tuple<std::string, std::string, bool> rows[] = {
        {std::string("\0\0\0\0\x08\0\0\0", 8), "// language: 8\r\n", false},
        {std::string("\x05\0\0\0\x16\0\0\0", 8), "// language: 22\r\n// reserved: 5\r\n", true},
    };
    WriteBytes("source.csf", csftest::File({labels[1], labels[0]}));
    for (const auto& [tail, lines, reserved] : rows) {
        const std::string csf = csftest::File({labels[0], labels[1]}, tail);
        WriteBytes("h.csf", csf);
        ASSERT_EQ(RunTool({"csf2str", "h.csf", "-o", "h.str"}).status, 0);
        const std::string text = ReadBytes("h.str");
        EXPECT_TRUE(text.starts_with(lines)) << text;
        EXPECT_EQ(Contains(text, "reserved"), reserved) << text;
        ASSERT_EQ(RunTool({"str2csf", "h.str", "-o", "back.csf"}).status, 0);
        EXPECT_EQ(ReadBytes("back.csf"), csf);
        // A merge hands OUT the translation's language, read from the right bytes.
        ASSERT_EQ(RunTool({"csf-merge", "--source", "source.csf", "--translation", "h.csf", "-o",
                           "m.csf"})
                      .status,
                  0);
        EXPECT_EQ(ReadBytes("m.csf").substr(20, 4), tail.substr(4, 4));
    }
}

TEST_F(CliCsf, DiffAndMergeReadTablesAndSources) {
    WriteBytes("old.str",
               "// language: 7\nA\n\"eins\"\nEND\nB\n\"zwei\"\nEND\nGone\n\"alt\"\nEND\n");
    WriteBytes("new.str", "A\n\"one\"\nEND\nB\n\"two\"\nEND\nC\n\"three\"\nEND\n");
    ASSERT_EQ(RunTool({"str2csf", "new.str", "-o", "new.csf"}).status, 0);
    const std::tuple<std::vector<std::string>, int, std::string> diffs[] = {
        {{"csf-diff", "new.str", "new.csf"}, 0, ""},
        {{"csf-diff", "old.str", "new.csf"},
         1,
         "- Gone = \"alt\"\n+ C = \"three\"\n~ A = \"eins\" -> \"one\"\n~ B = \"zwei\" -> "
         "\"two\"\n"},
        {{"csf-diff", "old.str", "missing.csf"}, 2, ""},
    };
    for (const auto& [args, status, out] : diffs) {
        const Outcome outcome = RunTool(args);
        EXPECT_EQ(outcome.status, status) << outcome.err;
        EXPECT_EQ(outcome.out, out);
        EXPECT_EQ(Contains(outcome.err, "vantor-cli: Cannot open \"missing.csf\""), status == 2);
    }
    const Outcome merged = RunTool({"csf-merge", "--source", "new.csf", "--translation", "old.str",
                                    "-o", "out.str", "--report", "report.txt", "--lf"});
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(merged.err,
              "csf-merge: 2 labels carried over, 1 label left untranslated, 1 label of "
              "the translation dropped (listed in report.txt)\n");
    EXPECT_EQ(ReadBytes("out.str"),
              "// language: 7\n\nA\n\"eins\"\nEND\n\nB\n\"zwei\"\nEND\n\n"
              "C\n\"three\"\nEND\n");
    EXPECT_EQ(ReadBytes("report.txt"), "untranslated: C = \"three\"\ndropped: Gone = \"alt\"\n");
}

TEST_F(CliCsf, BadInputFailsWithOneLineAndNoOutput) {
    WriteBytes("good.str", "A\n\"a\"\nEND\n");
    WriteBytes("bad.str", "A\n\"a\"\n\"b\"\nEND\n");
    WriteBytes("fake.csf", "A\n\"a\"\nEND\n");
    WriteBytes("blank.csf", CsfTable{{{" Lead", true, u"x", "RTS", false, ""}}, 0}.Write());
    const std::tuple<std::vector<std::string>, int, std::string> rows[] = {
        {{"str2csf", "bad.str", "-o", "out.csf"}, 1, "bad.str line 3: a second value line"},
        {{"csf2str", "fake.csf", "-o", "out.str"}, 1, "fake.csf: not a CSF string table"},
        {{"csf2str", "blank.csf", "-o", "out.str"}, 1, "blank.csf: label 1 \" Lead\""},
        {{"str2csf", "good.str", "-o", "no/out.csf"}, 1, "no/out.csf"},
        {{"csf2str", "good.str", "--entry", "x", "-o", "out.str"}, 1, "good.str"},
        {{"str2csf", "good.str"}, 2, "missing -o TABLE.csf"},
        {{"str2csf", "good.str", "--encoding", "latin-1", "-o", "out.csf"}, 2, "--encoding"},
        {{"csf-merge", "--source", "good.str", "--translation", "good.str", "-o", "out.txt"},
         2,
         "end it in .csf or .str"},
    };
    for (const auto& [args, status, message] : rows) {
        SCOPED_TRACE(message);
        const Outcome outcome = RunTool(args);
        EXPECT_EQ(outcome.status, status);
        EXPECT_TRUE(outcome.err.starts_with("vantor-cli: ")) << outcome.err;
        EXPECT_TRUE(Contains(outcome.err, message)) << outcome.err;
        EXPECT_EQ(dir.List(),
                  (std::vector<std::string>{"bad.str", "blank.csf", "fake.csf", "good.str"}));
    }
}

}  // namespace
