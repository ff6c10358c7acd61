// The single-byte code page (Windows-1252 as Windows converts it): every byte maps to one
// character and back. The five bytes 1252 leaves undefined map to the C1 controls of the same code.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

char16_t ByteToChar(unsigned char byte);
// The byte for `ch`, or -1 when the code page has no byte for it.
int CharToByte(char16_t ch);

// Whole-string conversions. TextToBytes stops at the first unmappable character and reports its
// index in `badIndex` (-1 when all characters map); the bytes before it are returned.
std::u16string BytesToText(const std::string& bytes);
std::string TextToBytes(const std::u16string& text, std::ptrdiff_t& badIndex);

}  // namespace platform
