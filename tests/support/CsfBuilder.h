// CSF files built byte by byte for the tests, independently of the engine's writer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"

namespace csftest {

using testsupport::LittleEndian32;

// UTF-16 little-endian with every byte inverted, without any line-break folding.
inline std::string Stored(const std::u16string& units) {
    std::string bytes;
    for (char16_t unit : units) bytes += {static_cast<char>(~unit), static_cast<char>(~unit >> 8)};
    return bytes;
}

// A label record: without a string, with a " RTS" string, or with a "WRTS" string and a sound.
inline std::string Label(const std::string& name, const std::optional<std::u16string>& value = {},
                         const char* sound = nullptr) {
    std::string record =
        " LBL" + LittleEndian32(value ? 1 : 0) + LittleEndian32(name.size()) + name;
    if (value) record += (sound ? "WRTS" : " RTS") + LittleEndian32(value->size()) + Stored(*value);
    return sound ? record + LittleEndian32(std::string(sound).size()) + sound : record;
}

// A file whose header counts `records` and their strings; `tail` holds the language and unused
// fields.
inline std::string File(const std::vector<std::string>& records,
                        const std::string& tail = std::string(8, '\0')) {
    unsigned strings = 0;
    for (const std::string& record : records)
        if (record.compare(4, 4, LittleEndian32(1)) == 0) ++strings;
    std::string file = " FSC" + LittleEndian32(3) + LittleEndian32(records.size()) +
                       LittleEndian32(strings) + tail;
    for (const std::string& record : records) file += record;
    return file;
}

}  // namespace csftest
