#include "platform/TempFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/FileSystem.h"

namespace platform {

namespace {

bool IsOwnFolder(const char* path) {
    struct stat info {};
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid();
}

std::string BaseFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && IsOwnFolder(runtime)) return runtime;
    std::error_code error;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    return error ? std::string("/tmp") : temp.string();
}

[[noreturn]] void Refuse(const std::string& folder, const std::string& reason) {
    throw FileError("The private temporary folder " + folder + " cannot be used: " + reason + ".");
}

// Opens the folder itself, never a link's target, so the checks below see what will be used.
int OpenFolderNoFollow(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) return fd;
    const int reason = errno;
    struct stat info {};
    if (lstat(folder.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
        Refuse(folder, "it is a symbolic link");
    if (reason == ENOTDIR) Refuse(folder, "it is not a folder");
    Refuse(folder, std::strerror(reason));
}

void CheckPrivate(const std::string& folder, int fd, bool created) {
    struct stat info {};
    if (fstat(fd, &info) != 0) Refuse(folder, std::strerror(errno));
    if (!S_ISDIR(info.st_mode)) Refuse(folder, "it is not a folder");
    if (info.st_uid != geteuid()) Refuse(folder, "it belongs to another user");
    // A folder just made may lack owner bits under an unusual umask; set exactly rwx------.
    if (created && fchmod(fd, S_IRWXU) != 0) Refuse(folder, std::strerror(errno));
    if (!created && (info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        Refuse(folder, "other users have access to it");
}

}  // namespace

std::string PrivateTempFolder() { return BaseFolder() + "/vantor-" + std::to_string(geteuid()); }

std::string EnsurePrivateTempFolder() {
    const std::string folder = PrivateTempFolder();
    const bool created = mkdir(folder.c_str(), S_IRWXU) == 0;
    if (!created && errno != EEXIST)
        throw FileError("Unable to create the private temporary folder " + folder + ": " +
                        std::strerror(errno) + ".");
    const int fd = OpenFolderNoFollow(folder);
    try {
        CheckPrivate(folder, fd, created);
    } catch (...) {
        close(fd);
        throw;
    }
    close(fd);
    return folder;
}

}  // namespace platform
