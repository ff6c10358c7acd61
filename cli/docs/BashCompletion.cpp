#include "cli/docs/BashCompletion.h"

namespace clidocs {

namespace {

using cli::Command;
using cli::OptionDecl;
using cli::ValueKind;

// The helpers and the part of the completion function before the commands' table. The shell
// variables cur, program, archive and at are the completion function's.
constexpr const char* Helpers = R"(
# Adds the words of $1 that begin with the word being completed.
_vantor_cli_words() {
    local IFS=$' \t\n'
    COMPREPLY+=($(compgen -W "$1" -- "$cur"))
}

# Adds the entry names of $archive that begin with the word being completed (letter case
# aside), with "/" between folders as they are typed.
_vantor_cli_entries() {
    [[ -n $archive && -f $archive ]] || return
    local line name
    compopt -o filenames 2>/dev/null
    while IFS= read -r line; do
        name=${line:12}
        name=${name//\\//}
        [[ ${name,,} == "${cur,,}"* ]] && COMPREPLY+=("$name")
    done < <("$program" list -- "$archive" 2>/dev/null)
}

# Completes a word of kind $1: archive, file, folder, entry, command, choice:A|B; others not.
_vantor_cli_value() {
    local IFS=$'\n'
    case $1 in
        archive)
            compopt -o filenames 2>/dev/null
            COMPREPLY+=($(compgen -d -- "$cur") $(compgen -f -X '!*.[Bb][Ii][Gg]' -- "$cur")) ;;
        file)
            compopt -o filenames 2>/dev/null
            COMPREPLY+=($(compgen -f -- "$cur")) ;;
        folder)
            compopt -o filenames 2>/dev/null
            COMPREPLY+=($(compgen -d -- "$cur")) ;;
        entry) _vantor_cli_entries ;;
        command) _vantor_cli_words "$_vantor_cli_commands" ;;
        choice:*)
            IFS='|'
            COMPREPLY+=($(compgen -W "${1#choice:}" -- "$cur")) ;;
    esac
}

_vantor_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local program=${COMP_WORDS[0]} command= archive= at=1
    COMPREPLY=()
    # The command is the first word that is not an option every command takes.
    while ((at < COMP_CWORD)); do
        case ${COMP_WORDS[at]} in
            -q | --quiet | -h | --help) ;;
            *)
                command=${COMP_WORDS[at]}
                break ;;
        esac
        ((at++))
    done
    if [[ -z $command ]]; then
        _vantor_cli_words "$_vantor_cli_commands help --version $_vantor_cli_common"
        return
    fi
    # For the command: its options, those that take a value with the value's kind
    # (OPTION=KIND), and the kinds of its arguments in order ("..." for any number).
    local options= values= arguments=
    case $command in
)";

// The rest: the option value being typed, an option, or an argument by its position.
constexpr const char* Tail = R"(        help) arguments="command" ;;
        *) return ;;
    esac
    options+=" $_vantor_cli_common"
    local value
    for value in $values; do
        if [[ $prev == "${value%%=*}" ]]; then
            _vantor_cli_value "${value#*=}"
            return
        fi
    done
    if [[ $cur == -* ]]; then
        _vantor_cli_words "$options"
        return
    fi
    # The argument's position: the words after the command that are neither options nor
    # their values ("--" ends the options).
    local kinds=($arguments) position=0 word skip= ended=
    for ((at++; at < COMP_CWORD; at++)); do
        word=${COMP_WORDS[at]}
        if [[ -n $skip ]]; then
            skip=
        elif [[ -z $ended && $word == -- ]]; then
            ended=1
        elif [[ -z $ended && $word == -* ]]; then
            [[ " $values " == *" $word="* ]] && skip=1
        else
            [[ ${kinds[position]:-${kinds[-1]}} == archive* && -z $archive ]] && archive=$word
            ((position++))
        fi
    done
    local kind=${kinds[position]}
    [[ -z $kind && ${kinds[-1]} == *... ]] && kind=${kinds[-1]}
    _vantor_cli_value "${kind%...}"
}

complete -F _vantor_cli vantor-cli
)";

std::string KindWord(ValueKind kind, const std::vector<std::string>& choices) {
    switch (kind) {
        case ValueKind::Archive:
            return "archive";
        case ValueKind::File:
            return "file";
        case ValueKind::Folder:
            return "folder";
        case ValueKind::Entry:
            return "entry";
        case ValueKind::Number:
            return "number";
        case ValueKind::Choice: {
            std::string word = "choice:";
            for (const std::string& choice : choices)
                word += (&choice == &choices.front() ? "" : "|") + choice;
            return word;
        }
        case ValueKind::Text:
            break;
    }
    return "text";
}

std::string Spellings(const OptionDecl& option) {
    return (option.shortName ? std::string("-") + option.shortName + " " : "") + "--" +
           option.longName;
}

std::string CommandCase(const Command& command) {
    std::string options, values, arguments;
    for (const OptionDecl& option : command.options) {
        options += (options.empty() ? "" : " ") + Spellings(option);
        if (!option.TakesValue()) continue;
        const std::string kind = KindWord(option.valueKind, option.choices);
        if (option.shortName) values += std::string(" -") + option.shortName + "=" + kind;
        values += " --" + option.longName + "=" + kind;
    }
    for (const cli::ArgumentDecl& argument : command.arguments)
        arguments += (arguments.empty() ? "" : " ") + KindWord(argument.kind, {}) +
                     (argument.repeated ? "..." : "");
    return "        " + command.name + ")\n            options=\"" + options + "\"\n" +
           "            values=\"" + (values.empty() ? "" : values.substr(1)) + "\"\n" +
           "            arguments=\"" + arguments + "\" ;;\n";
}

}  // namespace

std::string BashCompletion() {
    std::string commands, common;
    for (const Command* command : cli::AllCommands())
        commands += (commands.empty() ? "" : " ") + command->name;
    for (const OptionDecl& option : cli::CommonOptions())
        common += (common.empty() ? "" : " ") + Spellings(option);
    std::string script =
        "# bash completion for vantor-cli, made from its commands' declarations when it was "
        "built.\n\n# The commands, and the options every command takes.\n"
        "_vantor_cli_commands=\"" +
        commands + "\"\n_vantor_cli_common=\"" + common + "\"\n";
    script += Helpers;
    for (const Command* command : cli::AllCommands()) script += CommandCase(*command);
    return script + Tail;
}

}  // namespace clidocs
