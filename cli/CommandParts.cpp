#include "cli/CommandParts.h"

namespace cli {

const std::string& NamesNote() {
    static const std::string text =
        "Entry names are shown and typed as UTF-8; in the archive they are bytes in the\n"
        "Windows-1252 code page. Names are compared without regard to letter case, and \"/\" may\n"
        "be typed for the \"\\\" between folders.\n";
    return text;
}

const std::string& EditNote() {
    static const std::string text =
        "The archive keeps its signature and the order of its entries. It is\n"
        "rewritten through a temporary file renamed over it, so it is either the\n"
        "old or the new archive, never a mix. While it is rewritten, ARCHIVE.lock\n"
        "beside it is locked: another edit of the same archive waits for it (see\n"
        "--wait), and an archive changed meanwhile by a program that does not wait\n"
        "is not overwritten.\n\n" +
        NamesNote();
    return text;
}

const std::string& TextSourceNote() {
    static const std::string text =
        "The text source (.str) holds one block per label:\n"
        "    LABEL:Name\n"
        "    \"the value, with \\n for a line break\"\n"
        "    extra_value_of_a_WRTS_string      (optional)\n"
        "    END\n"
        "A label without a value line has no string; \"\" is an empty value. Lines starting "
        "with\n"
        "// are comments; \"// language: N\" before the first block gives the table's "
        "language.\n"
        "Escapes: \\n \\r \\\" \\\\ \\uXXXX (one UTF-16 unit); other backslash pairs stay as "
        "they are.\n"
        "An extra line holding a lone \\ is an empty extra value.\n";
    return text;
}

OptionDecl WaitOption() {
    return {"wait", 0, "SECONDS",
            "how long to wait while another program changes the\n"
            "archive (default 10); then fail, changing nothing",
            ValueKind::Number};
}

OptionDecl EncodingOption() {
    return {"encoding",
            0,
            "utf-8|windows-1252",
            "how to read text sources (default: UTF-8, and\n"
            "Windows-1252 when a file is not UTF-8)",
            ValueKind::Choice,
            {"utf-8", "windows-1252"}};
}

OptionDecl LfOption(const std::string& help) { return {"lf", 0, "", help}; }

}  // namespace cli
