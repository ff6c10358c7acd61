#include "tests/reliability/SampleArchive.h"

#include <stdexcept>

namespace reliability {

namespace {

std::string Inverted(const std::string& latin1) {
    std::string stored;
    for (char ch : latin1) {
        stored += static_cast<char>(255 - static_cast<unsigned char>(ch));
        stored += '\xFF';
    }
    return stored;
}

std::uint32_t LittleEndianAt(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes.at(offset + i));
    return value;
}

}  // namespace

std::string CsfBytes(const std::vector<std::pair<std::string, std::string>>& labels) {
    using testsupport::LittleEndian32;
    const auto count = static_cast<unsigned>(labels.size());
    std::string csf = " FSC" + LittleEndian32(3) + LittleEndian32(count) + LittleEndian32(count) +
                      std::string(8, '\0');
    for (const auto& [label, value] : labels)
        csf += " LBL" + LittleEndian32(1) + LittleEndian32(label.size()) + label + " RTS" +
               LittleEndian32(value.size()) + Inverted(value);
    return csf;
}

std::string CsfValue(const std::string& csf, const std::string& label) {
    const std::string marker = testsupport::LittleEndian32(label.size()) + label + " RTS";
    const std::size_t at = csf.find(marker);
    if (at == std::string::npos) throw std::runtime_error("label " + label + " not in the table");
    const std::size_t lengthAt = at + marker.size();
    const std::uint32_t length = LittleEndianAt(csf, lengthAt);
    std::string value;
    for (std::uint32_t i = 0; i < length; ++i)
        value += static_cast<char>(255 - static_cast<unsigned char>(csf.at(lengthAt + 4 + 2 * i)));
    return value;
}

testsupport::NamedData SampleEntries() {
    std::string logo;
    for (int i = 0; i < 3000; ++i) logo += static_cast<char>(i * 7 % 256);
    return {
        {"Data\\INI\\game.ini", "[Game]\r\nSpeed=3\r\nName=Vantor\r\n"},
        {"Data\\lang\\game.csf",
         CsfBytes({{"GUI:Ok", "OK"}, {"GUI:Title", "Vantor"}, {"GUI:Help", "Line one\nLine two"}})},
        {"Data\\readme.txt", "Read me first.\n"},
        {"Data\\empty.dat", ""},
        {"Art\\logo.tga", logo},
    };
}

testsupport::NamedData OtherEntries() {
    return {{"Maps\\map1.map", std::string(500, 'm')}, {"notes.txt", "other archive\n"}};
}

}  // namespace reliability
