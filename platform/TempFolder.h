// The per-user private folder for temporary files that other users must neither read nor plant.
#pragma once

#include <string>

namespace platform {

// The folder's path: "vantor-<uid>" under $XDG_RUNTIME_DIR when that is a folder owned by the
// user, else under the system's temporary folder. Nothing is created.
std::string PrivateTempFolder();

// Creates the folder with owner-only rights when it is missing and returns its path. Throws
// FileError when it exists but is a symbolic link, not a folder, owned by another user, or open
// to group or others: such a folder may have been planted by someone else and is not used.
std::string EnsurePrivateTempFolder();

}  // namespace platform
