#include "archive/NamePattern.h"

#include <array>

#include "archive/BigArchive.h"

namespace NamePattern {

namespace {

// For every byte, the smallest byte SameName takes for the same letter, so that the folding
// here can never disagree with the engine's.
const std::array<unsigned char, 256>& FoldTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> folded{};
        for (int c = 0; c < 256; ++c) {
            const char mine = static_cast<char>(c);
            int same = 0;
            while (!VTR_CORE::SameName({&mine, 1}, std::string(1, static_cast<char>(same)))) ++same;
            folded[c] = static_cast<unsigned char>(same);
        }
        return folded;
    }();
    return table;
}

unsigned char Fold(char c) { return FoldTable()[static_cast<unsigned char>(c)]; }

bool SameByte(char typed, char stored) {
    if (typed == '/') return stored == '/' || stored == '\\';
    return Fold(typed) == Fold(stored);
}

}  // namespace

bool HasWildcards(std::string_view pattern) {
    return pattern.find_first_of("*?") != std::string_view::npos;
}

bool Matches(std::string_view pattern, std::string_view name, bool wildcards) {
    std::size_t p = 0, n = 0;
    // Where the last "*" was and the name position it now covers up to, for backtracking.
    std::size_t starAt = std::string_view::npos, starCovers = 0;
    while (n < name.size()) {
        if (p < pattern.size() && wildcards && pattern[p] == '*') {
            starAt = p++;
            starCovers = n;
        } else if (p < pattern.size() &&
                   ((wildcards && pattern[p] == '?') || SameByte(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++starCovers;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && wildcards && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::string FoldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = static_cast<char>(Fold(c));
    return folded;
}

}  // namespace NamePattern
