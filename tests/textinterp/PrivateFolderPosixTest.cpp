// The private folder the text interpreter's preview file goes into, with POSIX rights and owners.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "platform/FileSystem.h"
#include "platform/TempFolder.h"
#include "tests/support/TestFiles.h"
#include "textinterp/VTR_TXTHTML.h"

namespace fs = std::filesystem;

// The preview goes into a folder of the runtime folder that only this user can use; anything
// else found there is refused, and an unusable runtime folder gives way to the temporary one.
TEST(PrivateFolder, PreviewIsNotWrittenIntoAFolderSomeoneElseCouldHavePlanted) {
    testsupport::TempDir runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    const std::string preview = VTR_TXTHTML::TempHtmlPath();
    const bool root = geteuid() == 0;  // only root can give a folder away
    const std::string uid = std::to_string(geteuid()), folder = runtime.File("vantor-" + uid);
    EXPECT_EQ(platform::PrivateTempFolder(), folder);
    const auto make = [](const std::string& path, mode_t mode, uid_t owner) {
        ASSERT_EQ(
            mkdir(path.c_str(), mode) | chmod(path.c_str(), mode) | chown(path.c_str(), owner, -1),
            0);
    };
    fs::create_directory(runtime.File("elsewhere"));
    // The reason the refusal gives, and how the folder was planted.
    const std::pair<std::string, std::function<void()>> rows[] = {
        {"it is a symbolic link",
         [&] { fs::create_directory_symlink(runtime.File("elsewhere"), folder); }},
        {"it is not a folder", [&] { testsupport::WriteBytes(folder, ""); }},
        {"other users have access", [&] { make(folder, 0750, geteuid()); }},
        {"other users have access", [&] { make(folder, 0707, geteuid()); }},
        {"it belongs to another user", [&] { make(folder, 0700, 65534); }},
    };
    for (const auto& [reason, plant] : rows) {
        SCOPED_TRACE(reason);
        if (!root && reason == "it belongs to another user") continue;
        plant();
        try {
            VTR_TXTHTML::WritePreviewFile(preview, "x");
            ADD_FAILURE() << "accepted";
        } catch (const platform::FileError& error) {
            EXPECT_NE(std::string(error.what()).find(folder + " cannot be used: " + reason),
                      std::string::npos)
                << error.what();
        }
        EXPECT_FALSE(fs::exists(preview));
        fs::remove(folder);
    }
    const std::string theirs = runtime.File("theirs");
    make(theirs, 0700, root ? 65534 : geteuid());
    testsupport::WriteBytes(runtime.File("file"), "x");
    for (const std::string& setting :
         {std::string("."), runtime.File("missing"), runtime.File("file"), theirs}) {
        if (setting == theirs && !root) continue;
        setenv("XDG_RUNTIME_DIR", setting.c_str(), 1);
        EXPECT_EQ(platform::PrivateTempFolder(),
                  fs::temp_directory_path().string() + "/vantor-" + uid)
            << setting;
    }
}
