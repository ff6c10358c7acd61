// A command of the tool, declared once: its synopsis, arguments, options with their help lines,
// description and examples. The option parser, "--help", the tool's command list, the manual
// page and the shell completion are all made from these declarations.
#pragma once

#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/Options.h"

namespace cli {

// What an argument or an option's value names, so that a shell can offer the right words.
enum class ValueKind { Text, Number, Choice, Archive, File, Folder, Entry };

struct OptionDecl {
    std::string longName;   // "long" for --long
    char shortName = 0;     // 'l' for -l, 0 for none
    std::string valueName;  // "DIR" for an option that takes a value; empty for a flag
    std::string help;       // what it does; lines after the first are indented under it
    ValueKind valueKind = ValueKind::Text;
    std::vector<std::string> choices{};  // the values a ValueKind::Choice option takes
    bool TakesValue() const { return !valueName.empty(); }
};

struct ArgumentDecl {
    std::string name;  // "ARCHIVE"
    ValueKind kind = ValueKind::Text;
    bool optional = false;
    bool repeated = false;  // any number of them (at least one unless optional)
};

struct Example {
    std::string commandLine;  // after "vantor-cli "
    std::string what;         // what it does, one sentence
};

struct Command {
    std::string name;
    std::string summary;                // one line for the tool's --help
    std::vector<std::string> synopsis;  // usage lines, each after "vantor-cli NAME "
    std::vector<ArgumentDecl> arguments;
    std::string missingArguments;  // "missing <this>" when too few arguments are given
    std::vector<OptionDecl> options;
    std::string description;  // paragraphs before the options
    std::string notes;        // paragraphs after the options
    std::vector<Example> examples;
    // Runs with the parsed arguments, whose count has been checked. Throws UsageError (exit 2)
    // or any other exception (exit 1); the caller prints the message.
    int (*run)(const ParsedArgs& args, Io& io) = nullptr;
};

// Every command, in the order the tool's help lists them.
const std::vector<const Command*>& AllCommands();
const Command* FindCommand(const std::string& name);

// The options every command takes; the tool handles them before the command runs.
const std::vector<OptionDecl>& CommonOptions();

// "vantor-cli NAME --help" and "vantor-cli --help".
std::string CommandHelp(const Command& command);
std::string ToolHelp();
// The text of an option as help shows it: "-C, --directory DIR" or "    --lf".
std::string OptionLabel(const OptionDecl& option);

// Parses `args` by the command's options and checks the number of positional arguments.
ParsedArgs ParseCommandLine(const Command& command, const std::vector<std::string>& args);

}  // namespace cli
