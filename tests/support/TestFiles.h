// Helpers for tests that touch real files: a private temporary folder and BIG archives built
// byte by byte, independently of the engine's writer.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Names of the files in the folder, sorted.
    std::vector<std::string> List() const;

private:
    std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

std::string BigEndian32(unsigned value);
inline std::string LittleEndian32(unsigned value) { return BigEndian32(__builtin_bswap32(value)); }

using NamedData = std::vector<std::pair<std::string, std::string>>;

// A BIG archive as the writer lays it out; `gap` bytes (the trailer "L225" + five zeros when 9)
// stand between the directory and the data.
std::string MakeBig(const NamedData& entries, int gap = 9);

}  // namespace testsupport
