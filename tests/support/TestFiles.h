// Helpers for tests that touch real files: a private temporary folder and BIG archives built
// byte by byte, independently of the engine's writer.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Paths are UTF-8 strings in the program. std::filesystem would read a plain string in the
// system's code page on Windows, so conversions go through these two.
inline std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// A new folder under the system's temporary folder, only for this user, removed with all it
// holds (also what a test made read-only) when the object goes.
class TempDir {
public:
    TempDir() {
        namespace fs = std::filesystem;
        const fs::path base = fs::temp_directory_path();
        std::random_device random;
        for (int attempt = 0; path_.empty(); ++attempt) {
            const fs::path candidate = base / ("vantor-test-" + std::to_string(random()));
            std::error_code error;
            if (fs::create_directory(candidate, error))
                path_ = Utf8(candidate);
            else if (error || attempt == 99)
                throw std::runtime_error("cannot create a folder in " + Utf8(base));
        }
        fs::permissions(FsPath(path_), fs::perms::owner_all, fs::perm_options::replace);
    }
    ~TempDir() {
        namespace fs = std::filesystem;
        std::error_code ignored;
        fs::path root = FsPath(path_);
        // On Windows std::filesystem stops at 260 characters unless the path has this prefix.
        if (fs::path::preferred_separator == '\\')
            root = fs::path(u8"\\\\?\\") += root.make_preferred();
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ignored);
        for (fs::recursive_directory_iterator item(root, ignored), end; item != end;
             item.increment(ignored))
            fs::permissions(
                item->path(),
                item->is_directory(ignored) ? fs::perms::owner_all : fs::perms::owner_write,
                fs::perm_options::add | fs::perm_options::nofollow, ignored);
        fs::remove_all(root, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Names of the files in the folder, sorted.
    std::vector<std::string> List() const {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(FsPath(path_)))
            names.push_back(Utf8(item.path().filename()));
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(FsPath(path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string BigEndian32(unsigned value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}
inline std::string LittleEndian32(unsigned value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
            static_cast<char>(value >> 24)};
}

using NamedData = std::vector<std::pair<std::string, std::string>>;

// A BIG archive as the writer lays it out; `gap` bytes (the trailer "L225" + five zeros when 9)
// stand between the directory and the data.
inline std::string MakeBig(const NamedData& entries, int gap = 9,
                           const std::string& signature = "BIGF") {
    const std::string between = gap == 9 ? std::string("L225\0\0\0\0\0", 9) : std::string(gap, 'Z');
    std::size_t dataStart = 16 + between.size();
    for (const auto& [name, data] : entries) dataStart += 9 + name.size();
    std::string directory, dataBlock;
    for (const auto& [name, data] : entries) {
        directory +=
            BigEndian32(dataStart + dataBlock.size()) + BigEndian32(data.size()) + name + '\0';
        dataBlock += data;
    }
    return signature + LittleEndian32(dataStart + dataBlock.size()) + BigEndian32(entries.size()) +
           BigEndian32(dataStart - between.size() + 8) + directory + between + dataBlock;
}

}  // namespace testsupport
