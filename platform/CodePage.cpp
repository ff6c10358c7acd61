#include "platform/CodePage.h"

#include <array>

namespace platform {

namespace {

// Bytes 0x80 to 0x9F of Windows-1252. The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 control of the same code, as Windows converts them. Every other
// byte is Latin-1: its character has the byte's code.
constexpr std::array<char16_t, 32> kHighControls = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

constexpr unsigned kHighFirst = 0x80;
constexpr unsigned kHighLast = 0x9F;

}  // namespace

char16_t ByteToChar(unsigned char byte) {
    if (byte >= kHighFirst && byte <= kHighLast) return kHighControls[byte - kHighFirst];
    return static_cast<char16_t>(byte);
}

int CharToByte(char16_t ch) {
    if (ch < kHighFirst || (ch > kHighLast && ch <= 0xFF)) return static_cast<int>(ch);
    for (unsigned i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == ch) return static_cast<int>(kHighFirst + i);
    }
    return -1;
}

std::u16string BytesToText(const std::string& bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    for (char byte : bytes) text.push_back(ByteToChar(static_cast<unsigned char>(byte)));
    return text;
}

std::string TextToBytes(const std::u16string& text, std::ptrdiff_t& badIndex) {
    std::string bytes;
    bytes.reserve(text.size());
    badIndex = -1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int byte = CharToByte(text[i]);
        if (byte < 0) {
            badIndex = static_cast<std::ptrdiff_t>(i);
            break;
        }
        bytes.push_back(static_cast<char>(byte));
    }
    return bytes;
}

}  // namespace platform
