// The option parser and the tool's own options: help, version, usage errors and exit statuses.
#include <gtest/gtest.h>

#include "cli/Command.h"
#include "cli/Options.h"
#include "tests/cli/CliTestSupport.h"

namespace {

using cli::OptionRule;

const std::vector<OptionRule> kRules{
    {"long", 'l', false}, {"output", 'o', true}, {"json", 0, false}};

struct ParseRow {
    const char* label;
    std::vector<std::string> args;
    std::vector<std::string> flags;
    std::string output;  // the value of --output, "" when not given
    std::vector<std::string> positional;
    std::string usageError;  // part of the message; "" when parsing succeeds
};

class ParseOptionsTest : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ParseOptionsTest, ReadsFlagsValuesAndPositionalArguments) {
    const ParseRow& row = GetParam();
    try {
        const cli::ParsedArgs parsed = cli::ParseOptions(row.args, kRules);
        EXPECT_EQ(row.usageError, "");
        for (const OptionRule& rule : kRules)
            EXPECT_EQ(parsed.Has(rule.longName),
                      std::count(row.flags.begin(), row.flags.end(), rule.longName) == 1)
                << rule.longName;
        EXPECT_EQ(parsed.Value("output").value_or(""), row.output);
        EXPECT_EQ(parsed.Positional(), row.positional);
    } catch (const cli::UsageError& error) {
        EXPECT_NE(row.usageError, "") << error.what();
        EXPECT_NE(std::string(error.what()).find(row.usageError), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ParseOptionsTest,
    ::testing::Values(
        ParseRow{"Positional", {"a", "b"}, {}, "", {"a", "b"}, ""},
        ParseRow{"Mixed", {"a", "--long", "b", "-o", "x"}, {"long", "output"}, "x", {"a", "b"}, ""},
        ParseRow{"ValueAttached", {"--output=x", "-oy"}, {"output"}, "y", {}, ""},
        ParseRow{"Bundled", {"-lo", "z", "a"}, {"long", "output"}, "z", {"a"}, ""},
        ParseRow{"EndOfOptions", {"--", "--long", "-o"}, {}, "", {"--long", "-o"}, ""},
        ParseRow{"Dash", {"-"}, {}, "", {"-"}, ""},
        ParseRow{"UnknownLong", {"--wide"}, {}, "", {}, "unknown option --wide"},
        ParseRow{"UnknownShort", {"-x"}, {}, "", {}, "unknown option -x"},
        ParseRow{"MissingValue", {"a", "-o"}, {}, "", {}, "needs a value"},
        ParseRow{"ValueOnFlag", {"--long=yes"}, {}, "", {}, "takes no value"}),
    [](const auto& info) { return std::string(info.param.label); });

struct ToolRow {
    const char* label;
    std::vector<std::string> args;
    int status;
    std::string outPart;  // part of standard output
    std::string errPart;  // part of standard error; "" means standard error stays empty
};

class ToolOptionsTest : public ::testing::TestWithParam<ToolRow> {};

TEST_P(ToolOptionsTest, AnswersWithTheRightStatusAndStream) {
    const ToolRow& row = GetParam();
    const clitest::Outcome outcome = clitest::RunTool(row.args);
    EXPECT_EQ(outcome.status, row.status) << outcome.err;
    EXPECT_NE(outcome.out.find(row.outPart), std::string::npos) << outcome.out;
    if (row.errPart.empty())
        EXPECT_EQ(outcome.err, "");
    else
        EXPECT_NE(outcome.err.find("vantor-cli: " + row.errPart), std::string::npos) << outcome.err;
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ToolOptionsTest,
    ::testing::Values(
        ToolRow{"ToolHelp", {"--help"}, 0, "Usage: vantor-cli COMMAND", ""},
        ToolRow{"HelpWord", {"help"}, 0, "write entries to files under a folder", ""},
        ToolRow{"CommandHelp", {"extract", "--help"}, 0, "Usage: vantor-cli extract ARCHIVE", ""},
        ToolRow{"HelpBeforeCommand", {"-h", "pack"}, 0, "Usage: vantor-cli pack DIR", ""},
        ToolRow{"HelpWordCommand", {"help", "verify"}, 0, "Usage: vantor-cli verify", ""},
        ToolRow{"Version", {"--version"}, 0, "vantor-cli ", ""},
        ToolRow{"NoCommand", {}, 2, "", "no command given"},
        ToolRow{"UnknownCommand", {"unpack"}, 2, "", "unknown command \"unpack\""},
        ToolRow{"UnknownToolOption", {"--fast"}, 2, "", "unknown option --fast"},
        ToolRow{
            "UnknownCommandOption", {"list", "--wide", "a.big"}, 2, "", "unknown option --wide"},
        ToolRow{"MissingArgument", {"list"}, 2, "", "missing the archive"},
        ToolRow{"TooManyArguments", {"info", "a.big", "b.big"}, 2, "", "unexpected argument"},
        ToolRow{"PackWithoutOutput", {"pack", "."}, 2, "", "missing the archive to write"},
        ToolRow{"BadSignature",
                {"pack", ".", "-o", "x.big", "--signature", "BIGX"},
                2,
                "",
                "the signature must be BIGF or BIG4"},
        ToolRow{"AsWithTwoFiles", {"add", "a.big", "x", "y", "--as", "z"}, 2, "", "--as names one"},
        ToolRow{"MissingArchive", {"list", "no such.big"}, 1, "", "Cannot open \"no such.big\""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ToolOptions, EveryCommandHasHelpThatStartsWithItsUsage) {
    for (const cli::Command& command : cli::ArchiveCommands()) {
        const clitest::Outcome outcome = clitest::RunTool({command.name, "--help"});
        EXPECT_EQ(outcome.status, 0);
        EXPECT_TRUE(outcome.out.starts_with("Usage: vantor-cli " + command.name + " "))
            << outcome.out;
        EXPECT_NE(clitest::RunTool({"--help"}).out.find(command.summary), std::string::npos);
    }
}

}  // namespace
