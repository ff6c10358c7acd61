// Choosing entries by what a user types: names compared without regard to case (as
// CaseFold::SameName does), "/" accepted for "\", and the wildcards "*" and "?".
#pragma once

#include <string>
#include <string_view>

namespace NamePattern {

bool HasWildcards(std::string_view pattern);
// True when `name` matches `pattern`: "*" matches any run of bytes ("\" included, so "*.ini"
// finds files in every folder), "?" one byte, "/" either separator, other bytes the same
// letter in either case. With `wildcards` false, "*" and "?" are plain bytes.
bool Matches(std::string_view pattern, std::string_view name, bool wildcards = true);

}  // namespace NamePattern
