// UTF-8, the encoding of file names, typed names and text sources, against the code units and
// the single-byte code page the formats store.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Utf8 {

// The code point at `i` of `text` and its length in bytes; 0 when the bytes there are not UTF-8
// (overlong forms, surrogates and code points past U+10FFFF included).
std::size_t At(std::string_view text, std::size_t i, char32_t& codePoint);
// The offset of the first byte that does not begin a valid character, or npos.
std::size_t FirstInvalid(std::string_view text);
void Append(std::string& out, char32_t codePoint);
// Appends the code point as one UTF-16 unit, or as a surrogate pair past U+FFFF.
void AppendUnits(std::u16string& out, char32_t codePoint);
// The UTF-16 units of valid UTF-8 text.
std::u16string ToUnits(std::string_view text);
// Bytes of the code page (Windows-1252) as UTF-8.
std::string FromCodePage(std::string_view bytes);

}  // namespace Utf8
