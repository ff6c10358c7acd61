#include "archive/Utf8.h"

#include <cstdint>
#include <cstring>

#include "platform/CodePage.h"

namespace Utf8 {

std::size_t At(std::string_view text, std::size_t i, char32_t& codePoint) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    std::size_t length;
    char32_t least;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, least = 0x80, codePoint = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, least = 0x800, codePoint = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, least = 0x10000, codePoint = lead & 0x07u;
    } else {
        return 0;
    }
    if (text.size() - i < length) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        codePoint = codePoint << 6 | (next & 0x3Fu);
    }
    if (codePoint < least || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

std::size_t FirstInvalid(std::string_view text) {
    constexpr std::uint64_t HighBits = 0x8080808080808080u;
    char32_t codePoint;
    for (std::size_t i = 0; i < text.size();) {
        std::uint64_t eight;
        if (text.size() - i >= 8 &&
            (std::memcpy(&eight, text.data() + i, 8), (eight & HighBits) == 0)) {
            i += 8;  // eight ASCII bytes
            continue;
        }
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = At(text, i, codePoint);
        if (length == 0) return i;
        i += length;
    }
    return std::string_view::npos;
}

void Append(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | codePoint >> 6));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | codePoint >> 12));
        out.push_back(static_cast<char>(0x80 | (codePoint >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | codePoint >> 18));
        out.push_back(static_cast<char>(0x80 | (codePoint >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

void AppendUnits(std::u16string& out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        out.push_back(static_cast<char16_t>(codePoint));
        return;
    }
    codePoint -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
}

std::u16string ToUnits(std::string_view text) {
    std::u16string units;
    units.reserve(text.size());
    char32_t codePoint;
    for (std::size_t i = 0; i < text.size();) {
        i += At(text, i, codePoint);
        AppendUnits(units, codePoint);
    }
    return units;
}

std::string FromCodePage(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 8);
    for (const char byte : bytes)
        Append(text, platform::ByteToChar(static_cast<unsigned char>(byte)));
    return text;
}

}  // namespace Utf8
