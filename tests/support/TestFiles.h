// Helpers for tests that touch real files: a private temporary folder and BIG archives built
// byte by byte, independently of the engine's writer.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

class TempDir {
public:
    TempDir() {
        if (!mkdtemp(path_.data())) throw std::runtime_error("mkdtemp failed");
    }
    ~TempDir() {
        namespace fs = std::filesystem;
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Names of the files in the folder, sorted.
    std::vector<std::string> List() const {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(path_))
            names.push_back(item.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_ = (std::filesystem::temp_directory_path() / "vantor-test-XXXXXX").string();
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string BigEndian32(unsigned value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}
inline std::string LittleEndian32(unsigned value) { return BigEndian32(__builtin_bswap32(value)); }

using NamedData = std::vector<std::pair<std::string, std::string>>;

// A BIG archive as the writer lays it out; `gap` bytes (the trailer "L225" + five zeros when 9)
// stand between the directory and the data.
inline std::string MakeBig(const NamedData& entries, int gap = 9) {
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
