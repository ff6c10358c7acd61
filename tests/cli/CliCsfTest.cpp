// The string-table commands run in-process on files in a private folder.
#include <gtest/gtest.h>

#include "stringtable/CsfTable.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/FaultyFileSystem.h"

using clitest::RunTool;
using testsupport::ReadBytes;
using testsupport::WriteBytes;
using VTR_CSF::CsfLabel;
using VTR_CSF::CsfTable;

namespace {

CsfLabel Label(std::string name, std::optional<std::u16string> value, const char* extra = nullptr) {
    CsfLabel label;
    label.Name = std::move(name);
    label.HasString = value.has_value();
    label.Value = value.value_or(u"");
    label.HasExtra = extra != nullptr;
    if (extra) label.Extra = extra;
    return label;
}

// A table with what a converter could lose: duplicates, extras, breaks, code-page names.
std::string SampleCsf() {
    const CsfTable table{{Label("Menu:Open", u"Open \"it\"\r\n\\n"), Label("menu:OPEN", u"again"),
                          Label("Voice:Hi", u"Hi", "hi_voice"), Label("Bare", std::nullopt),
                          Label("Caf\xE9", u"\xD800\u00E9", "")},
                         8};
    return table.Write();
}

class CliCsf : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return dir.File(name); }
    testsupport::TempDir dir;
};

TEST_F(CliCsf, TablesGoThroughTextAndBackByteForByte) {
    const std::string csf = SampleCsf();
    WriteBytes(Path("t.csf"), csf);
    clitest::MakeArchive(Path("a.big"), {{"Data\\Lang\\Menu.csf", csf}, {"x.txt", "x"}});
    const std::tuple<const char*, std::vector<std::string>, std::vector<std::string>> rows[] = {
        {"file, CR LF",
         {"csf2str", Path("t.csf"), "-o", Path("t.str")},
         {"str2csf", Path("t.str"), "-o", Path("back.csf")}},
        {"archive entry, LF",
         {"csf2str", Path("a.big"), "--entry", "data/lang/menu.csf", "--lf", "-o", Path("t.str")},
         {"str2csf", "--encoding", "utf-8", Path("t.str"), "-o", Path("back.csf")}},
    };
    for (const auto& [name, toText, toTable] : rows) {
        SCOPED_TRACE(name);
        ASSERT_EQ(RunTool(toText).status, 0);
        const clitest::Outcome back = RunTool(toTable);
        ASSERT_EQ(back.status, 0) << back.err;
        EXPECT_NE(back.err.find("label \"menu:OPEN\" has the name of the label on line 3"),
                  std::string::npos)
            << back.err;
        EXPECT_EQ(ReadBytes(Path("back.csf")), csf);
    }
    // Without -o the text goes to the standard output; --language replaces the source's.
    EXPECT_EQ(RunTool({"csf2str", "--lf", Path("t.csf")}).out, ReadBytes(Path("t.str")));
    ASSERT_EQ(RunTool({"str2csf", "-q", Path("t.str"), "--language", "3", "-o", Path("l.csf")}).err,
              "");
    CsfTable relabelled;
    relabelled.Read(ReadBytes(Path("l.csf")));
    EXPECT_EQ(relabelled.Language, 3u);
}

TEST_F(CliCsf, DiffAndMergeReadTablesAndSources) {
    WriteBytes(Path("old.str"),
               "// language: 7\nA\n\"eins\"\nEND\nB\n\"zwei\"\nEND\nGone\n\"alt\"\nEND\n");
    WriteBytes(Path("new.str"), "A\n\"one\"\nEND\nB\n\"two\"\nEND\nC\n\"three\"\nEND\n");
    ASSERT_EQ(RunTool({"str2csf", Path("new.str"), "-o", Path("new.csf")}).status, 0);
    const std::tuple<std::vector<std::string>, int, std::string> diffs[] = {
        {{"csf-diff", Path("new.str"), Path("new.csf")}, 0, ""},
        {{"csf-diff", Path("old.str"), Path("new.csf")},
         1,
         "- Gone = \"alt\"\n+ C = \"three\"\n~ A = \"eins\" -> \"one\"\n~ B = \"zwei\" -> "
         "\"two\"\n"},
        {{"csf-diff", Path("old.str"), Path("missing.csf")}, 2, ""},
    };
    for (const auto& [args, status, out] : diffs) {
        const clitest::Outcome outcome = RunTool(args);
        EXPECT_EQ(outcome.status, status) << outcome.err;
        EXPECT_EQ(outcome.out, out);
    }
    const clitest::Outcome merged =
        RunTool({"csf-merge", "--source", Path("new.csf"), "--translation", Path("old.str"), "-o",
                 Path("out.str"), "--report", Path("report.txt"), "--lf"});
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(merged.err,
              "csf-merge: 2 labels carried over, 1 label left untranslated, 1 label of "
              "the translation dropped (listed in " +
                  Path("report.txt") + ")\n");
    EXPECT_EQ(ReadBytes(Path("out.str")),
              "// language: 7\n\nA\n\"eins\"\nEND\n\nB\n\"zwei\"\nEND\n\n"
              "C\n\"three\"\nEND\n");
    EXPECT_EQ(ReadBytes(Path("report.txt")),
              "untranslated: C = \"three\"\ndropped: Gone = \"alt\"\n");
}

TEST_F(CliCsf, BadInputFailsWithOneLineAndNoOutput) {
    WriteBytes(Path("good.str"), "A\n\"a\"\nEND\n");
    WriteBytes(Path("bad.str"), "A\n\"a\"\n\"b\"\nEND\n");
    WriteBytes(Path("fake.csf"), "A\n\"a\"\nEND\n");
    WriteBytes(Path("blank.csf"), CsfTable{{Label(" Lead", u"x")}, 0}.Write());
    const std::tuple<std::vector<std::string>, int, std::string> rows[] = {
        {{"str2csf", Path("bad.str"), "-o", Path("out.csf")},
         1,
         "bad.str line 3: a second value line"},
        {{"csf2str", Path("fake.csf"), "-o", Path("out.str")},
         1,
         "fake.csf: not a CSF string table"},
        {{"csf2str", Path("blank.csf"), "-o", Path("out.str")}, 1, "blank.csf: label 1 \" Lead\""},
        {{"csf2str", Path("missing.csf"), "-o", Path("out.str")}, 1, "missing.csf"},
        {{"str2csf", Path("good.str"), "-o", Path("no/out.csf")}, 1, "no/out.csf"},
        {{"csf2str", Path("good.str"), "--entry", "x", "-o", Path("out.str")}, 1, "good.str"},
        {{"str2csf", Path("good.str")}, 2, "missing -o TABLE.csf"},
        {{"str2csf", Path("good.str"), "--encoding", "latin-1", "-o", Path("out.csf")},
         2,
         "--encoding"},
        {{"csf-merge", "--source", Path("good.str"), "--translation", Path("good.str"), "-o",
          Path("out.txt")},
         2,
         "end it in .csf or .str"},
    };
    for (const auto& [args, status, message] : rows) {
        SCOPED_TRACE(message);
        const clitest::Outcome outcome = RunTool(args);
        EXPECT_EQ(outcome.status, status);
        EXPECT_TRUE(outcome.err.starts_with("vantor-cli: ")) << outcome.err;
        EXPECT_NE(outcome.err.find(message), std::string::npos) << outcome.err;
        EXPECT_EQ(dir.List(),
                  (std::vector<std::string>{"bad.str", "blank.csf", "fake.csf", "good.str"}));
    }
}

TEST_F(CliCsf, FailedWritesLeaveTheTargetAsItWas) {
    WriteBytes(Path("good.str"), "A\n\"a\"\nEND\n");
    WriteBytes(Path("out.csf"), "before");
    int status = 1;
    for (int failAt = 1; status != 0 && failAt < 50; ++failAt) {
        SCOPED_TRACE(failAt);
        {
            testsupport::ScopedFaultyFiles faulty;
            faulty.files.failAt = failAt;
            const clitest::Outcome outcome =
                RunTool({"str2csf", Path("good.str"), "-o", Path("out.csf")});
            status = outcome.status;
            if (status != 0) {
                EXPECT_NE(outcome.err.find("Injected failure"), std::string::npos) << outcome.err;
            }
        }
        EXPECT_TRUE(status == 0 || status == 1) << status;
        if (status != 0) {
            EXPECT_EQ(ReadBytes(Path("out.csf")), "before");
        }
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"good.str", "out.csf"}));
    }
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(CsfTable::IsCsf(ReadBytes(Path("out.csf"))));
}

}  // namespace
