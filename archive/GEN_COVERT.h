// Four-byte integer codec: 32-bit signed values from 0 to 2147483647 to and from their
// four-byte image in a byte string, in either byte order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace GEN_COVERT {

// bigEndian true: most significant byte first. A negative value throws std::invalid_argument.
std::string LongToBytes(std::int32_t value, bool bigEndian);

// Decodes the first four bytes. littleEndian true: first byte least significant.
// Fewer than four bytes throws std::invalid_argument; a most significant byte of 0x80 or more
// throws std::overflow_error.
std::int32_t BytesToLong(std::string_view bytes, bool littleEndian);

// Four bytes for an unsigned number, for fields that hold up to 4294967295.
std::string UnsignedToBytes(std::uint32_t value, bool bigEndian);

// The first four bytes as an unsigned number, for readers that report a value out of range
// themselves. Fewer than four bytes throws std::invalid_argument.
std::uint32_t BytesToUnsigned(std::string_view bytes, bool littleEndian);

}  // namespace GEN_COVERT
