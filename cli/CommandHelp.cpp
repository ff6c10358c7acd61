// Help texts and parsing, made from the commands' declarations.
#include <algorithm>

#include "cli/Command.h"

namespace cli {

namespace {

// Option labels longer than this do not push the other options' help to the right.
constexpr std::size_t WidestAlignedLabel = 25;

// `text` with every line after the first indented by `indent` spaces.
std::string Indented(const std::string& text, std::size_t indent) {
    std::string out;
    for (const char c : text) {
        out += c;
        if (c == '\n') out.append(indent, ' ');
    }
    return out;
}

std::string OptionTable(const std::vector<OptionDecl>& options) {
    std::size_t width = 0;
    for (const OptionDecl& option : options) {
        const std::size_t length = OptionLabel(option).size();
        if (length <= WidestAlignedLabel) width = std::max(width, length);
    }
    std::string text;
    for (const OptionDecl& option : options) {
        std::string label = OptionLabel(option);
        label.resize(std::max(label.size(), width), ' ');
        text += "  " + label + "  " + Indented(option.help, 4 + label.size()) + "\n";
    }
    return text;
}

}  // namespace

const std::vector<OptionDecl>& CommonOptions() {
    static const std::vector<OptionDecl> options = {
        {"quiet", 'q', "", "print no warnings"},
        {"help", 'h', "", "show the command's help"},
    };
    return options;
}

const Command* FindCommand(const std::string& name) {
    for (const Command* command : AllCommands())
        if (command->name == name) return command;
    return nullptr;
}

std::string OptionLabel(const OptionDecl& option) {
    std::string label =
        option.shortName ? std::string("-") + option.shortName + ", --" : std::string("    --");
    label += option.longName;
    if (option.TakesValue()) label += " " + option.valueName;
    return label;
}

std::string CommandHelp(const Command& command) {
    std::string text;
    for (const std::string& line : command.synopsis)
        text += (text.empty() ? "Usage: " : "       ") + std::string("vantor-cli ") + command.name +
                (line.empty() ? "" : " " + line) + "\n";
    text += "\n" + command.description;
    if (!command.options.empty()) text += "\n" + OptionTable(command.options);
    if (!command.notes.empty()) text += "\n" + command.notes;
    return text;
}

std::string ToolHelp() {
    std::string text =
        "Usage: vantor-cli COMMAND [options] ARGS\n"
        "       vantor-cli COMMAND --help\n"
        "       vantor-cli --version\n\n"
        "Reads and changes BIG archives and their string tables (CSF) from the command "
        "line.\n\nCommands:\n";
    std::size_t width = 0;
    for (const Command* command : AllCommands()) width = std::max(width, command->name.size());
    for (const Command* command : AllCommands())
        text += "  " + command->name + std::string(width + 2 - command->name.size(), ' ') +
                command->summary + "\n";
    return text + "\nOptions for every command:\n" + OptionTable(CommonOptions()) +
           "\nExit status: 0 on success, 1 when something failed, 2 when the tool was called "
           "wrongly.\n";
}

ParsedArgs ParseCommandLine(const Command& command, const std::vector<std::string>& args) {
    std::vector<OptionRule> rules;
    for (const OptionDecl& option : command.options)
        rules.push_back({option.longName, option.shortName, option.TakesValue()});
    const ParsedArgs parsed = ParseOptions(args, rules);
    std::size_t least = 0, most = 0;
    for (const ArgumentDecl& argument : command.arguments) {
        least += argument.optional ? 0 : 1;
        most = argument.repeated || most == SIZE_MAX ? SIZE_MAX : most + 1;
    }
    parsed.ExpectPositional(least, most, command.missingArguments);
    return parsed;
}

}  // namespace cli
