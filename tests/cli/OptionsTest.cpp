// The option parser and the tool's own options: help, version, usage errors and exit statuses.
#include <gtest/gtest.h>

#include "cli/Options.h"
#include "tests/cli/CliTestSupport.h"

namespace {

// "long output=x | a b" for the flags given, --output's value and the positional arguments;
// the message of the usage error when parsing fails.
std::string Parsed(const std::vector<std::string>& args) {
    const std::vector<cli::OptionRule> rules{
        {"long", 'l', false}, {"output", 'o', true}, {"json", 0, false}};
    try {
        const cli::ParsedArgs parsed = cli::ParseOptions(args, rules);
        std::string text;
        for (const cli::OptionRule& rule : rules)
            if (parsed.Has(rule.longName))
                text += rule.longName +
                        (rule.takesValue ? "=" + *parsed.Value(rule.longName) : "") + " ";
        text += "|";
        for (const std::string& arg : parsed.Positional()) text += " " + arg;
        return text;
    } catch (const cli::UsageError& error) {
        return error.what();
    }
}

TEST(ParseOptions, ReadsFlagsValuesAndPositionalArgumentsOrSaysWhatIsWrong) {
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"a", "--long", "b", "-o", "x"}, "long output=x | a b"},
        {{"--output=x", "-oy"}, "output=y |"},  // given twice, the last counts
        {{"-lo", "z", "a"}, "long output=z | a"},
        {{"-", "--json", "--", "--long", "-o"}, "json | - --long -o"},
        {{"--wide"}, "unknown option --wide"},
        {{"-x"}, "unknown option -x"},
        {{"a", "-o"}, "the option -o needs a value"},
        {{"--long=yes"}, "the option --long takes no value"},
    };
    for (const auto& [args, parsed] : rows) EXPECT_EQ(Parsed(args), parsed);
}

TEST(ToolOptions, AnswersWithTheRightStatusOnTheRightStream) {
    // the arguments, the exit status, part of standard output, part of standard error after
    // "vantor-cli: " ("": it stays empty)
    const std::tuple<std::vector<std::string>, int, std::string, std::string> rows[] = {
        {{"--help"}, 0, "Usage: vantor-cli COMMAND", ""},
        {{"help"}, 0, "write entries to files under a folder", ""},
        {{"-h", "pack"}, 0, "Usage: vantor-cli pack DIR", ""},
        {{"help", "verify"}, 0, "Usage: vantor-cli verify", ""},
        {{"csf-diff", "--help"}, 0, "Usage: vantor-cli csf-diff OLD NEW", ""},
        {{"--version"}, 0, "vantor-cli ", ""},
        {{}, 2, "", "no command given\nTry \"vantor-cli --help\"."},
        {{"unpack"}, 2, "", "unknown command \"unpack\""},
        {{"--fast"}, 2, "", "unknown option --fast"},
        {{"list"}, 2, "", "missing the archive to list\nTry \"vantor-cli list --help\"."},
        {{"list", "a.big", "b.big"}, 2, "", "unexpected argument \"b.big\""},
        {{"remove", "a.big", "x", "--wait", "soon"}, 2, "", "--wait takes a number of seconds"},
        {{"pack", "."}, 2, "", "missing the archive to write"},
        {{"pack", ".", "-o", "x.big", "-s", "BIGX"}, 2, "", "the signature must be BIGF or BIG4"},
        {{"add", "a.big", "x", "y", "--as", "z"}, 2, "", "--as names one file, but 2 were given"},
    };
    for (const auto& [args, status, outPart, errPart] : rows) {
        const clitest::Outcome outcome = clitest::RunTool(args);
        EXPECT_EQ(outcome.status, status) << outcome.err;
        EXPECT_TRUE(clitest::Contains(outcome.out, outPart)) << outcome.out;
        EXPECT_EQ(outcome.err.empty(), errPart.empty()) << outcome.err;
        EXPECT_TRUE(clitest::Contains(outcome.err, "vantor-cli: " + errPart) || errPart.empty());
    }
}

}  // namespace
