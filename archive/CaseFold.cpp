#include "archive/CaseFold.h"

#include <algorithm>
#include <array>

namespace CaseFold {

namespace {

constexpr unsigned char LowerCase(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    // The accented capitals, and the four pairs outside that block.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    switch (c) {
        case 0x8A:
            return 0x9A;
        case 0x8C:
            return 0x9C;
        case 0x8E:
            return 0x9E;
        case 0x9F:
            return 0xFF;
        default:
            return c;
    }
}

constexpr std::array<unsigned char, 256> Folded = [] {
    std::array<unsigned char, 256> folded{};
    for (unsigned c = 0; c < folded.size(); ++c)
        folded[c] = LowerCase(static_cast<unsigned char>(c));
    return folded;
}();

}  // namespace

unsigned char Fold(unsigned char byte) { return Folded[byte]; }

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return Fold(static_cast<unsigned char>(x)) == Fold(static_cast<unsigned char>(y));
           });
}

std::string FoldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
    return folded;
}

std::uint64_t FoldedHash(std::string_view name) {
    std::uint64_t hash = 14695981039346656037u;  // FNV-1a over the folded bytes
    for (const char c : name) hash = (hash ^ Fold(static_cast<unsigned char>(c))) * 1099511628211u;
    return hash;
}

std::vector<std::size_t> FirstOfSameName(
    std::size_t count, const std::function<std::string_view(std::size_t)>& nameAt) {
    // Open addressing over each name's first index, without a string or node per name.
    constexpr std::size_t Empty = static_cast<std::size_t>(-1);
    std::size_t size = 16;
    while (size < 2 * count) size *= 2;
    std::vector<std::pair<std::uint64_t, std::size_t>> slots(size, {0, Empty});
    std::vector<std::size_t> first(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view name = nameAt(i);
        const std::uint64_t hash = FoldedHash(name);
        std::size_t at = hash & (size - 1);
        while (slots[at].second != Empty &&
               !(slots[at].first == hash && SameName(nameAt(slots[at].second), name)))
            at = (at + 1) & (size - 1);
        if (slots[at].second == Empty) slots[at] = {hash, i};
        first[i] = slots[at].second;
    }
    return first;
}

}  // namespace CaseFold
