#include "bench/BenchInputs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "bench/RawFiles.h"

namespace bench {

namespace {

std::string LittleEndian(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = char((value >> (8 * i)) & 0xFF);
    return bytes;
}

std::string BigEndian(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[3 - i] = char((value >> (8 * i)) & 0xFF);
    return bytes;
}

// Stored CSF value: each character as a UTF-16LE unit with every byte inverted.
std::string InvertedUtf16(const std::string& text) {
    std::string stored;
    stored.reserve(text.size() * 2);
    for (const char c : text) {
        stored += char(255 - static_cast<unsigned char>(c));
        stored += char(255);
    }
    return stored;
}

}  // namespace

std::vector<std::string> TreeNames(int count) {
    std::vector<std::string> names;
    names.reserve(count);
    char name[96];
    for (int i = 0; i < count; ++i) {
        const int folder = i / 16, a = folder / 16, b = (folder / 4) % 4, c = folder % 4;
        std::snprintf(name, sizeof name, "Art%03d\\Art%03dSet%d\\Art%03dSet%dPart%d\\file%05d.dat",
                      a, a, b, a, b, c, i);
        names.emplace_back(name);
    }
    return names;
}

std::string EntryBytes(int index, std::size_t size) {
    std::string bytes(size, '\0');
    std::uint64_t state = 0x9E3779B97F4A7C15ull * std::uint64_t(index + 1);
    std::size_t done = 0;
    while (done < size) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        const std::size_t count = std::min<std::size_t>(8, size - done);
        std::memcpy(bytes.data() + done, &state, count);
        done += count;
    }
    return bytes;
}

std::int64_t WriteBigArchive(const std::string& path, const std::vector<std::string>& names,
                             const std::vector<std::size_t>& sizes) {
    std::int64_t directoryEnd = 16;
    for (const std::string& name : names) directoryEnd += 9 + std::int64_t(name.size());
    std::int64_t total = directoryEnd + 9;
    for (const std::size_t size : sizes) total += std::int64_t(size);

    std::string head = "BIGF" + LittleEndian(std::uint32_t(total)) +
                       BigEndian(std::uint32_t(names.size())) +
                       BigEndian(std::uint32_t(directoryEnd + 8));
    std::int64_t offset = directoryEnd + 9;
    for (std::size_t i = 0; i < names.size(); ++i) {
        head += BigEndian(std::uint32_t(offset)) + BigEndian(std::uint32_t(sizes[i])) + names[i];
        head += '\0';
        offset += std::int64_t(sizes[i]);
    }
    head += std::string("L225") + std::string(5, '\0');
    WriteFast(path, head);

    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) throw std::runtime_error("Cannot append to \"" + path + "\"");
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string data = EntryBytes(int(i), sizes[i]);
        if (std::fwrite(data.data(), 1, data.size(), file) != data.size()) {
            std::fclose(file);
            throw std::runtime_error("Cannot write the data of \"" + path + "\"");
        }
    }
    if (std::fclose(file) != 0) throw std::runtime_error("Cannot close \"" + path + "\"");
    return directoryEnd;
}

std::string MakeCsf(int labels) {
    std::string records;
    char label[64], value[128];
    for (int i = 0; i < labels; ++i) {
        std::snprintf(label, sizeof label, "BENCH:Label%05d", i);
        std::snprintf(value, sizeof value,
                      i % 8 == 0 ? "Line one of value %d\nand its second line"
                                 : "The value of label number %d in the benchmark table",
                      i);
        const std::string name = label, text = value;
        records += " LBL" + LittleEndian(1) + LittleEndian(std::uint32_t(name.size())) + name;
        records += " RTS" + LittleEndian(std::uint32_t(text.size())) + InvertedUtf16(text);
    }
    return " FSC" + LittleEndian(3) + LittleEndian(std::uint32_t(labels)) +
           LittleEndian(std::uint32_t(labels)) + std::string(8, '\0') + records;
}

}  // namespace bench
