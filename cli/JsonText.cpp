#include "cli/JsonText.h"

#include <charconv>

namespace cli {

void AppendNumber(std::string& text, std::int64_t number, std::size_t width) {
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

}  // namespace cli
