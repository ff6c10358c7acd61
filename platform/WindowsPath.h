// Windows only: the program keeps text and paths in UTF-8; the Windows API takes UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace platform::windows {

// UTF-8 to UTF-16. Throws FileError naming `utf8` when it is not valid UTF-8.
std::wstring Widen(std::string_view utf8);
// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view wide);

// The form of a UTF-8 path that the file functions accept: "/" becomes "\", and a path too long
// for the classic 260-character limit is made absolute and given the "\\?\" (or "\\?\UNC\")
// prefix that lifts the limit. Shorter paths are passed on as written.
std::wstring ApiPath(const std::string& path);

// The system's text for an error code, without the final full stop and line break (as strerror).
std::string SystemMessage(unsigned long error);

}  // namespace platform::windows
