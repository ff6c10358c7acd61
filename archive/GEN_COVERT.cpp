#include "archive/GEN_COVERT.h"

#include <cstdio>
#include <limits>
#include <stdexcept>

namespace GEN_COVERT {

namespace {

constexpr std::int64_t MaxValue = std::numeric_limits<std::int32_t>::max();

std::string HexBytes(std::string_view bytes) {
    std::string text;
    for (std::size_t i = 0; i < 4; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(bytes[i]));
        if (i > 0) text += ' ';
        text += pair;
    }
    return text;
}

}  // namespace

std::string LongToBytes(std::int32_t value, bool bigEndian) {
    if (value < 0)
        throw std::invalid_argument("The number " + std::to_string(value) +
                                    " cannot be stored in four bytes: it is below zero.");
    const std::int32_t b3 = value / 16777216;
    value -= b3 * 16777216;
    const std::int32_t b2 = value / 65536;
    value -= b2 * 65536;
    const std::int32_t b1 = value / 256;
    const std::int32_t b0 = value - b1 * 256;
    const char high = static_cast<char>(b3), upper = static_cast<char>(b2);
    const char lower = static_cast<char>(b1), low = static_cast<char>(b0);
    return bigEndian ? std::string{high, upper, lower, low} : std::string{low, lower, upper, high};
}

std::string UnsignedToBytes(std::uint32_t value, bool bigEndian) {
    std::string bytes(4, '\0');
    for (std::size_t i = 0; i < 4; ++i)
        bytes[bigEndian ? 3 - i : i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

std::uint32_t BytesToUnsigned(std::string_view bytes, bool littleEndian) {
    if (bytes.size() < 4)
        throw std::invalid_argument("A number needs four bytes, but only " +
                                    std::to_string(bytes.size()) + " are there.");
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[littleEndian ? 3 - i : i]);
    return value;
}

std::int32_t BytesToLong(std::string_view bytes, bool littleEndian) {
    const std::uint32_t value = BytesToUnsigned(bytes, littleEndian);
    // Only a most significant byte of 0x80 or more takes a value past the range.
    if (value > std::uint32_t(MaxValue))
        throw std::overflow_error("The bytes " + HexBytes(bytes) +
                                  " give a number above 2147483647, the largest one allowed.");
    return static_cast<std::int32_t>(value);
}

}  // namespace GEN_COVERT
