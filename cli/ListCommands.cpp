// list and info: what an archive holds, without reading the entries' data.
#include <charconv>

#include "archive/EntryPath.h"
#include "cli/ArchiveAccess.h"
#include "cli/ArchiveCommands.h"
#include "cli/Options.h"

namespace cli {

namespace {

void AppendNumber(std::string& text, std::int64_t number, std::size_t width = 0) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    const auto length = static_cast<std::size_t>(end - digits);
    if (length < width) text.append(width - length, ' ');
    text.append(digits, end);
}

void AppendJsonString(std::string& text, const std::string& utf8) {
    text += '"';
    for (const char c : utf8) {
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            const char* hex = "0123456789abcdef";
            text += "\\u00";
            text += hex[c >> 4];
            text += hex[c & 15];
        } else {
            text += c;
        }
    }
    text += '"';
}

std::int64_t DataOffset(const VTR_CORE::ArchiveEntry& entry) { return entry.Position - 1; }

// "  SIZE  NAME" or, long, "  SIZE  OFFSET  NAME": the name last, as it may hold spaces.
std::string TextListing(const VTR_CORE::BigArchive& archive, bool withOffsets) {
    std::string text;
    text.reserve(archive.Entries.size() * 48);
    for (const VTR_CORE::ArchiveEntry& entry : archive.Entries) {
        AppendNumber(text, entry.Size, 10);
        text += "  ";
        if (withOffsets) {
            AppendNumber(text, DataOffset(entry), 10);
            text += "  ";
        }
        text += EntryPath::NameToUtf8(entry.Name);
        text += '\n';
    }
    return text;
}

std::string JsonListing(const VTR_CORE::BigArchive& archive) {
    std::string text = "[";
    text.reserve(archive.Entries.size() * 64);
    for (const VTR_CORE::ArchiveEntry& entry : archive.Entries) {
        text += &entry == &archive.Entries.front() ? "\n  {\"name\": " : ",\n  {\"name\": ";
        AppendJsonString(text, EntryPath::NameToUtf8(entry.Name));
        text += ", \"size\": ";
        AppendNumber(text, entry.Size);
        text += ", \"offset\": ";
        AppendNumber(text, DataOffset(entry));
        text += '}';
    }
    text += archive.Entries.empty() ? "]\n" : "\n]\n";
    return text;
}

}  // namespace

int RunList(const std::vector<std::string>& args, Io& io) {
    const ParsedArgs parsed = ParseOptions(args, {{"long", 'l', false}, {"json", 0, false}});
    parsed.ExpectPositional(1, 1, "the archive to list");
    const VTR_CORE::BigArchive archive = OpenArchive(parsed.Positional()[0]);
    io.out << (parsed.Has("json") ? JsonListing(archive)
                                  : TextListing(archive, parsed.Has("long")));
    return ExitSuccess;
}

int RunInfo(const std::vector<std::string>& args, Io& io) {
    const ParsedArgs parsed = ParseOptions(args, {});
    parsed.ExpectPositional(1, 1, "the archive to describe");
    const std::string& path = parsed.Positional()[0];
    const VTR_CORE::BigArchive archive = OpenArchive(path);
    std::int64_t dataSize = 0;
    for (const VTR_CORE::ArchiveEntry& entry : archive.Entries) dataSize += entry.Size;
    io.out << "signature:  " << archive.Signature() << "\n"
           << "entries:    " << archive.Entries.size() << "\n"
           << "file size:  " << platform::FileLength(path) << " bytes\n"
           << "data size:  " << dataSize << " bytes\n";
    return ExitSuccess;
}

}  // namespace cli
