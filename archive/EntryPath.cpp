#include "archive/EntryPath.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "archive/BigArchive.h"
#include "archive/Utf8.h"
#include "archive/VTR_STR.h"
#include "platform/CodePage.h"

namespace EntryPath {

namespace {

using VTR_STR::LimitExceeded;
using VTR_STR::MalformedData;

using platform::Quoted;

std::string CodePointLabel(char32_t code) {
    char label[16];
    std::snprintf(label, sizeof label, "U+%04lX", static_cast<unsigned long>(code));
    return label;
}

bool IsDeviceName(std::string_view segment) {
    std::string base(segment.substr(0, segment.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    std::transform(base.begin(), base.end(), base.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    if (base.size() != 4 || !(base.starts_with("COM") || base.starts_with("LPT"))) return false;
    // Windows also reserves the superscript digits 1, 2 and 3 (bytes B9, B2, B3 here).
    const char digit = base[3];
    return (digit >= '1' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3';
}

// Why one segment cannot be a file or folder name, or empty.
std::string SegmentProblem(std::string_view segment, bool windowsRules) {
    if (segment.empty()) return "it has an empty folder name (\"\\\\\" or a \"\\\" at the end)";
    if (segment == "..") return "it has a \"..\" segment, which would leave the folder";
    if (segment == ".") return "it has a \".\" segment";
    if (!windowsRules) return {};
    if (IsDeviceName(segment)) return ShownName(segment) + " is a device name on Windows";
    if (segment.back() == '.' || segment.back() == ' ')
        return ShownName(segment) + " ends in a dot or a space, which Windows drops";
    for (const char c : segment) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || std::string_view("<>\"|?*").find(c) != std::string_view::npos)
            return "it holds a character that Windows does not allow in file names";
    }
    return {};
}

std::string NameProblem(std::string_view name) {
    if (name.empty()) return "the name is empty";
    if (name.front() == '\\' || name.front() == '/')
        return "the name begins with \"" + std::string(1, name.front()) +
               "\" (a path from the root)";
    if (name.find('/') != std::string_view::npos)
        return "the name holds a \"/\", which is not a folder separator in entry names";
    if (name.find('\0') != std::string_view::npos) return "the name holds a zero byte";
    if (name.find(':') != std::string_view::npos)
        return "the name holds a \":\" (a drive letter or a stream name)";
    return {};
}

}  // namespace

std::string NameToUtf8(std::string_view name) { return Utf8::FromCodePage(name); }

std::string Utf8ToName(std::string_view text) {
    std::string name;
    name.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t code = 0;
        const std::size_t length = Utf8::At(text, at, code);
        if (length == 0) throw MalformedData(Quoted(text) + " is not valid UTF-8 text.");
        at += length;
        const int byte = code > 0xFFFF ? -1 : platform::CharToByte(static_cast<char16_t>(code));
        if (byte < 0)
            throw LimitExceeded(Quoted(text) + " holds the character " + CodePointLabel(code) +
                                ", which the code page Windows-1252 of entry names cannot hold.");
        name += static_cast<char>(byte);
    }
    return name;
}

PathMapping NameToPath(std::string_view name, bool windowsRules) {
    PathMapping mapping;
    mapping.problem = NameProblem(name);
    std::size_t start = 0;
    while (mapping.Maps()) {
        const std::size_t end = std::min(name.find('\\', start), name.size());
        const std::string_view segment = name.substr(start, end - start);
        mapping.problem = SegmentProblem(segment, windowsRules);
        mapping.segments.push_back(NameToUtf8(segment));
        if (end == name.size()) break;
        start = end + 1;
    }
    if (!mapping.Maps()) mapping.segments.clear();
    return mapping;
}

std::string PathToName(const std::vector<std::string>& segments) {
    std::string name;
    for (const std::string& segment : segments) {
        if (segment.find('\\') != std::string::npos)
            throw MalformedData(Quoted(JoinSegments(segments)) +
                                " has a \"\\\" in a file or folder name; in entry names it "
                                "separates folders.");
        if (&segment != &segments.front()) name += '\\';
        name += Utf8ToName(segment);
    }
    if (name.size() > VTR_CORE::MaxNameLength)
        throw LimitExceeded(Quoted(JoinSegments(segments)) + " would be an entry name of " +
                            std::to_string(name.size()) + " bytes; a name holds at most " +
                            std::to_string(VTR_CORE::MaxNameLength) + ".");
    return name;
}

std::string ShownName(std::string_view name) { return Quoted(NameToUtf8(name)); }

std::string EntryLabel(std::size_t index, std::string_view name) {
    return "entry " + std::to_string(index + 1) + " " + ShownName(name);
}

std::string JoinSegments(const std::vector<std::string>& segments, char separator) {
    std::string path;
    for (const std::string& segment : segments) {
        if (!path.empty()) path += separator;
        path += segment;
    }
    return path;
}

}  // namespace EntryPath
