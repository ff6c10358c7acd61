// Entry names and the file names they become on disk. An entry name is bytes in the program's
// single-byte code page with "\" between folder names; on disk each folder and file name is
// UTF-8. Only names that stay inside the target folder map to a path, and every name that maps
// comes back from its path byte for byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace EntryPath {

// The relative path for one entry name, or why the name cannot be written as a file.
struct PathMapping {
    std::vector<std::string> segments;  // UTF-8 folder names, then the file name
    std::string problem;                // empty when the name maps
    bool Maps() const { return problem.empty(); }
};

// Maps `name` to path segments. Refused: an empty name, a zero byte, a leading "\" or "/", any
// "/" inside (it would be a folder separator on some systems and break the way back), any ":"
// (a drive letter or a stream name), empty segments, "." and "..". With `windowsRules` also the
// device names (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension), segments
// ending in a dot or a space, control characters and < > " | ? *.
PathMapping NameToPath(std::string_view name, bool windowsRules);

// The entry name of the file at the relative path `segments` (UTF-8). Throws
// VTR_STR::LimitExceeded for a character the code page cannot hold or a name longer than
// VTR_CORE::MaxNameLength bytes, and VTR_STR::MalformedData for text that is not UTF-8 or a
// segment holding "\".
std::string PathToName(const std::vector<std::string>& segments);

// One name or segment between the code page and UTF-8, with no path rules. Utf8ToName throws
// like PathToName for text the code page cannot hold.
std::string NameToUtf8(std::string_view name);
std::string Utf8ToName(std::string_view text);

// An entry name as UTF-8 in quotes, for messages.
std::string ShownName(std::string_view name);
// "entry 3 "Data\x.ini"": entries are counted from 1, as a user counts them.
std::string EntryLabel(std::size_t index, std::string_view name);

// "a/b/c" from {"a", "b", "c"}.
std::string JoinSegments(const std::vector<std::string>& segments, char separator = '/');

}  // namespace EntryPath
