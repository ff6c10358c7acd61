// Names as the archives' and string tables' readers compare them: bytes of the Windows-1252
// code page, equal when they are equal with every letter in lower case (accented letters and
// the four pairs outside the Latin-1 block included).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace CaseFold {

// The byte with its letter in lower case; other bytes unchanged.
unsigned char Fold(unsigned char byte);
bool SameName(std::string_view a, std::string_view b);
// A key that is equal for two names exactly when SameName says they are the same.
std::string FoldedName(std::string_view name);
// A hash that is equal for two names that SameName says are the same.
std::uint64_t FoldedHash(std::string_view name);
// For each of `count` names, the index of the first name that is the same (its own index when
// it is the first): a later one is a twin that readers finding by name never reach.
std::vector<std::size_t> FirstOfSameName(
    std::size_t count, const std::function<std::string_view(std::size_t)>& nameAt);

}  // namespace CaseFold
