// Pieces of the tool's JSON output: strings (UTF-8, escaped) and numbers, appended to a text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace cli {

// Appends `number`, right-aligned in `width` characters when it is shorter.
void AppendNumber(std::string& text, std::int64_t number, std::size_t width = 0);
// Appends `utf8` as a JSON string: in double quotes, with quotes, backslashes and control
// characters escaped.
void AppendJsonString(std::string& text, const std::string& utf8);

}  // namespace cli
