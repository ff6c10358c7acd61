// The manual page and the bash completion the build makes from the commands' declarations:
// groff finds nothing to warn about, every command and option of the declarations has its place
// in both, and the completion function, sourced into bash, offers the right words.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "cli/Command.h"
#include "tests/cli/CliTestSupport.h"

#if !defined(VANTOR_DOCS_DIR) || !defined(VANTOR_CLI_PATH)
#error "VANTOR_DOCS_DIR must name the folder of the made pages and VANTOR_CLI_PATH the tool"
#endif

namespace {

using clitest::Contains;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

const std::string ManPage = VANTOR_DOCS_DIR "/vantor-cli.1";
const std::string Completion = VANTOR_DOCS_DIR "/vantor-cli.bash";

// The standard output and error of a shell command, and its exit status.
std::pair<std::string, int> Shell(const std::string& command) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string output;
    char buffer[4096];
    for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, got);
    return {output, pclose(pipe)};
}

// Text as the page writes it: backslashes and minus signs escaped.
std::string Roff(const std::string& text) {
    std::string out;
    for (const char c : text) out += c == '\\' ? "\\e" : c == '-' ? "\\-" : std::string(1, c);
    return out;
}

// The start of an option's item in a list of options: "\fB\-C, \-\-directory\fR".
std::string Item(const cli::OptionDecl& option) {
    const std::string label = (option.shortName ? std::string("-") + option.shortName + ", " : "") +
                              "--" + option.longName;
    return ".TP\n\\fB" + Roff(label) + "\\fR";
}

// The spellings a user types for an option: "-C --directory", "--json".
std::vector<std::string> Spellings(const cli::OptionDecl& option) {
    std::vector<std::string> words{"--" + option.longName};
    if (option.shortName) words.push_back(std::string("-") + option.shortName);
    return words;
}

// What the completion offers for each of `lines` (the words typed, the last one being
// completed), run in `folder`.
std::vector<std::set<std::string>> Complete(const std::vector<std::vector<std::string>>& lines,
                                            const std::string& folder) {
    std::string script = "source '" + Completion + "'\n";
    for (const std::vector<std::string>& words : lines) {
        script += "COMP_WORDS=(";
        for (const std::string& word : words) script += " '" + word + "'";
        script += ")\nCOMP_CWORD=" + std::to_string(words.size() - 1) +
                  "\nCOMPREPLY=()\n_vantor_cli\nprintf '%s\\n' \"${COMPREPLY[@]}\" '---'\n";
    }
    WriteBytes(folder + "/complete.sh", script);
    const auto [output, status] = Shell("cd '" + folder + "' && bash complete.sh");
    EXPECT_EQ(status, 0) << output;
    std::vector<std::set<std::string>> offered(1);
    std::size_t start = 0;
    for (std::size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = output.substr(start, end - start);
        if (line == "---")
            offered.emplace_back();
        else if (!line.empty())
            offered.back().insert(line);
    }
    offered.pop_back();
    return offered;
}

TEST(ManPage, GroffFindsNothingAndEveryCommandOptionAndExampleHasItsPlace) {
    const auto [warnings, status] = Shell("groff -man -ww -z '" + ManPage + "'");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(warnings, "");
    const std::string page = ReadBytes(ManPage);
    for (const cli::Command* command : cli::AllCommands()) {
        SCOPED_TRACE(command->name);
        // The command's section runs from its heading to the next one.
        const std::size_t start = page.find(".SS " + Roff(command->name) + "\n");
        ASSERT_NE(start, std::string::npos);
        const std::string section = page.substr(start, page.find(".SS ", start + 1) - start);
        for (const cli::OptionDecl& option : command->options)
            EXPECT_TRUE(Contains(section, Item(option))) << option.longName;
        for (const cli::Example& example : command->examples)
            EXPECT_TRUE(Contains(section, Roff(example.commandLine))) << example.commandLine;
    }
    const std::string common = page.substr(page.find(".SH OPTIONS"));
    for (const cli::OptionDecl& option : cli::CommonOptions())
        EXPECT_TRUE(Contains(common, Item(option))) << option.longName;
}

TEST(Completion, OffersEveryCommandAndEachCommandsOwnOptions) {
    TempDir dir;
    std::set<std::string> commands{"help", "--version"}, common;
    for (const cli::OptionDecl& option : cli::CommonOptions())
        for (const std::string& word : Spellings(option)) common.insert(word);
    std::vector<std::vector<std::string>> lines{{"vantor-cli", ""}};
    std::vector<std::set<std::string>> expected{{}};
    for (const cli::Command* command : cli::AllCommands()) {
        commands.insert(command->name);
        lines.push_back({"vantor-cli", "-q", command->name, "-"});
        expected.push_back(common);
        for (const cli::OptionDecl& option : command->options)
            for (const std::string& word : Spellings(option)) expected.back().insert(word);
    }
    expected[0] = commands;
    expected[0].insert(common.begin(), common.end());
    EXPECT_EQ(Complete(lines, dir.path()), expected);
}

TEST(Completion, OffersArchivesFoldersChoicesAndTheEntriesOfTheArchiveOnTheLine) {
    TempDir dir;
    clitest::MakeArchive(
        dir.File("game.big"),
        {{"Data\\INI\\game.ini", "[Game]"}, {"Data\\Read me.txt", "r"}, {"Art\\logo.tga", "t"}});
    WriteBytes(dir.File("mod.BIG"), "");
    WriteBytes(dir.File("notes.txt"), "");
    std::filesystem::create_directory(testsupport::FsPath(dir.File("sub")));
    const std::string tool = VANTOR_CLI_PATH;
    const std::vector<std::vector<std::string>> lines{
        {"vantor-cli", "list", ""},
        {"vantor-cli", "overlay", "game.big", "mod.BIG", "g"},
        {"vantor-cli", "extract", "game.big", "-C", ""},
        {"vantor-cli", "pack", "sub", "--signature", ""},
        {"vantor-cli", "str2csf", "notes.txt", "--encoding", "u"},
        {"vantor-cli", "csf2str", "notes.txt", "-o", "n"},
        {tool, "extract", "game.big", "data/"},
        {tool, "extract", "-C", "sub", "game.big", "Data/INI/game.ini", "a"},
        {"vantor-cli", "help", "d"}};
    const std::vector<std::set<std::string>> expected{{"game.big", "mod.BIG", "sub"},
                                                      {"game.big"},
                                                      {"sub"},
                                                      {"BIGF", "BIG4"},
                                                      {"utf-8"},
                                                      {"notes.txt"},
                                                      {"Data/INI/game.ini", "Data/Read me.txt"},
                                                      {"Art/logo.tga"},
                                                      {"diff"}};
    EXPECT_EQ(Complete(lines, dir.path()), expected);
}

}  // namespace
