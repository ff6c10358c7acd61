#include "archive/NamePattern.h"

#include "archive/CaseFold.h"

namespace NamePattern {

namespace {

unsigned char Fold(char c) { return CaseFold::Fold(static_cast<unsigned char>(c)); }

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
}  // namespace NamePattern
