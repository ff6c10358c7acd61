#include "fuzz/FuzzSupport.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace fuzzsupport {

namespace {

std::string MakeScratchFolder() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "vantor-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) Fail("cannot create a scratch folder under " + base.string());
    return pattern;
}

struct Scratch {
    std::string path = MakeScratchFolder();
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

const std::string& ScratchFolder() {
    static Scratch scratch;
    return scratch.path;
}

}  // namespace fuzzsupport
