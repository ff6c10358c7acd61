#include "tests/support/TestFiles.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testsupport {

TempDir::TempDir()
    : path_((std::filesystem::temp_directory_path() / "vantor-test-XXXXXX").string()) {
    if (!mkdtemp(path_.data())) throw std::runtime_error("mkdtemp failed");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempDir::List() const {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(path_))
        names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string BigEndian32(unsigned value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::string MakeBig(const NamedData& entries, int gap) {
    const std::string between = gap == 9 ? std::string("L225\0\0\0\0\0", 9) : std::string(gap, 'Z');
    std::size_t dataStart = 16 + between.size();
    for (const auto& [name, data] : entries) dataStart += 9 + name.size();
    std::string directory, dataBlock;
    for (const auto& [name, data] : entries) {
        directory +=
            BigEndian32(dataStart + dataBlock.size()) + BigEndian32(data.size()) + name + '\0';
        dataBlock += data;
    }
    return "BIGF" + LittleEndian32(dataStart + dataBlock.size()) + BigEndian32(entries.size()) +
           BigEndian32(dataStart - between.size() + 8) + directory + between + dataBlock;
}

}  // namespace testsupport
