// CSF files built byte by byte for the tests, independently of the engine's writer.
#pragma once

#include <string>
#include <vector>

#include "tests/support/TestFiles.h"

namespace csftest {

// UTF-16 little-endian with every byte inverted, without any line-break folding.
inline std::string Stored(const std::u16string& units) {
    std::string bytes;
    for (char16_t unit : units) {
        bytes += static_cast<char>(~unit & 0xFF);
        bytes += static_cast<char>(~(unit >> 8) & 0xFF);
    }
    return bytes;
}

inline std::string Header(unsigned labels, unsigned strings,
                          const std::string& tail = std::string(8, '\0'), unsigned version = 3) {
    return " FSC" + testsupport::LittleEndian32(version) + testsupport::LittleEndian32(labels) +
           testsupport::LittleEndian32(strings) + tail;
}

inline std::string Stringless(const std::string& name, unsigned count = 0) {
    return " LBL" + testsupport::LittleEndian32(count) + testsupport::LittleEndian32(name.size()) +
           name;
}

inline std::string WithString(const std::string& name, const std::u16string& value,
                              const std::string& marker = " RTS") {
    return Stringless(name, 1) + marker + testsupport::LittleEndian32(value.size()) + Stored(value);
}

inline std::string WithSound(const std::string& name, const std::u16string& value,
                             const std::string& sound) {
    return WithString(name, value, "WRTS") + testsupport::LittleEndian32(sound.size()) + sound;
}

inline std::string File(const std::vector<std::string>& records,
                        const std::string& tail = std::string(8, '\0')) {
    std::string body;
    for (const std::string& record : records) body += record;
    const unsigned count = records.size();
    return Header(count, count == 0 ? 0 : count - 1, tail) + body;
}

}  // namespace csftest
