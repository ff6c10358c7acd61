#include "cli/docs/ManPage.h"

#include <cstdint>

namespace clidocs {

namespace {

using cli::Command;
using cli::OptionDecl;

// The next character of UTF-8 text, or the byte itself where the text is not UTF-8.
std::uint32_t NextCharacter(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (length == 1 || at + length > text.size()) return byte(at++);
    std::uint32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) code = code << 6 | (byte(at + i) & 0x3F);
    at += length;
    return code;
}

// Text as roff reads it literally: backslashes, minus signs and characters beyond ASCII as
// escapes, and a control character at the start of a line made harmless.
std::string Escaped(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::uint32_t c = NextCharacter(text, at);
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            char code[16];
            std::snprintf(code, sizeof code, "\\[u%04X]", static_cast<unsigned>(c));
            out += code;
        }
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

// Help text as roff: lines fill into paragraphs, a blank line starts a new one, and lines
// indented in the help text (examples of a format) keep their lines and indentation.
std::string Paragraphs(const std::string& text) {
    std::string out;
    bool literal = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + start, end - start);
        start = end + 1;
        const bool indented = !line.empty() && line[0] == ' ';
        if (indented != literal) {
            out += indented ? ".RS\n.nf\n" : ".fi\n.RE\n";
            literal = indented;
        }
        if (line.empty())
            out += ".PP\n";
        else
            out += Escaped(indented ? line.substr(line.find_first_not_of(' ')) : line) + "\n";
    }
    if (literal) out += ".fi\n.RE\n";
    return out;
}

// Text wrapped for the terminal's help as one line: each line break, with the blanks that
// indent the next line, becomes a space. The page fills the lines itself.
std::string OneLine(const std::string& text) {
    std::string line;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\n') {
            line += text[at];
            continue;
        }
        line += ' ';
        while (at + 1 < text.size() && text[at + 1] == ' ') ++at;
    }
    return line;
}

std::string OptionItem(const OptionDecl& option) {
    std::string label = option.shortName ? std::string("-") + option.shortName + ", " : "";
    label += "--" + option.longName;
    std::string tag = "\\fB" + Escaped(label) + "\\fR";
    if (option.TakesValue()) tag += " \\fI" + Escaped(option.valueName) + "\\fR";
    return ".TP\n" + tag + "\n" + Escaped(OneLine(option.help)) + "\n";
}

std::string CommandSection(const Command& command) {
    std::string out = ".SS " + Escaped(command.name) + "\n";
    for (const std::string& line : command.synopsis)
        out +=
            ".B vantor\\-cli " + Escaped(command.name) + "\n" + Escaped(OneLine(line)) + "\n.br\n";
    out += ".PP\n" + Paragraphs(command.description);
    if (!command.options.empty()) {
        out += ".PP\nOptions:\n.RS\n";
        for (const OptionDecl& option : command.options) out += OptionItem(option);
        out += ".RE\n";
    }
    if (!command.notes.empty()) out += ".PP\n" + Paragraphs(command.notes);
    if (!command.examples.empty()) {
        out += ".PP\nExamples:\n.RS\n";
        for (const cli::Example& example : command.examples)
            out += ".TP\n\\fBvantor\\-cli " + Escaped(example.commandLine) + "\\fR\n" +
                   Escaped(example.what) + "\n";
        out += ".RE\n";
    }
    return out;
}

}  // namespace

std::string ManPage(const std::string& version) {
    std::string out =
        ".TH VANTOR\\-CLI 1 \"\" \"vantor\\-cli " + Escaped(version) +
        "\" \"User Commands\"\n"
        ".SH NAME\n"
        "vantor\\-cli \\- read and change BIG archives and their string tables (CSF)\n"
        ".SH SYNOPSIS\n"
        ".B vantor\\-cli\n.I COMMAND\n[\\fIoptions\\fR] \\fIARGS\\fR\n.br\n"
        ".B vantor\\-cli\n.I COMMAND\n.B \\-\\-help\n.br\n"
        ".B vantor\\-cli \\-\\-version\n"
        ".SH DESCRIPTION\n"
        "Lists, extracts, packs, edits, checks and compares BIG archives (one file holding\n"
        "many named files), and converts, compares and merges the string tables (CSF)\n"
        "inside them, from a terminal or a script.\n"
        "Errors go to standard error as one line \\(lqvantor\\-cli: what failed and where\\(rq.\n"
        "A progress bar is drawn on standard error for long work when it is a terminal.\n"
        ".SH COMMANDS\n";
    for (const Command* command : cli::AllCommands()) out += CommandSection(*command);
    out += ".SH OPTIONS\nOptions every command takes:\n";
    for (const OptionDecl& option : cli::CommonOptions()) out += OptionItem(option);
    out += ".TP\n\\fB\\-\\-version\\fR\nprint the version and exit (in place of a command)\n";
    out +=
        ".SH \"EXIT STATUS\"\n"
        "0 on success, 1 when something failed, 2 when the tool was called wrongly.\n"
        "The commands that compare (diff, csf\\-diff, overlay \\-\\-conflicts) exit with 0\n"
        "when they find no difference, 1 when they find one, and 2 on any error.\n";
    return out;
}

}  // namespace clidocs
