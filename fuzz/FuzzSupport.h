// Helpers shared by the fuzz targets: a private scratch folder for the files a target writes,
// and a check that stops the run with a readable reason when a property does not hold.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzzsupport {

// A folder created once per process (under /dev/shm when it exists, so that the many small
// files a run writes stay in memory) and removed at exit.
const std::string& ScratchFolder();

// The bytes of a fuzz input as a byte string.
inline std::string AsBytes(const unsigned char* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// Prints `what` and aborts, which libFuzzer reports as a crash with the input that caused it.
[[noreturn]] inline void Fail(std::string_view what) {
    std::fprintf(stderr, "Property failed: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

inline void Require(bool holds, std::string_view what) {
    if (!holds) Fail(what);
}

}  // namespace fuzzsupport
