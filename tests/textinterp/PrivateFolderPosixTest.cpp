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

namespace {

namespace fs = std::filesystem;

class PrivateFolder : public testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
        VTR_TXTHTML::TextInitialise();
    }
    testsupport::TempDir runtime;
    const std::string uid = std::to_string(geteuid());
    const std::string folder = runtime.File("vantor-" + uid);
};

void MakeFolder(const std::string& path, mode_t mode, uid_t owner) {
    ASSERT_EQ(
        mkdir(path.c_str(), mode) | chmod(path.c_str(), mode) | chown(path.c_str(), owner, -1), 0);
}

// The preview goes into a folder of the runtime folder that only this user can use; anything
// else found there is refused, and an unusable runtime folder gives way to the temporary one.
TEST_F(PrivateFolder, PreviewIsNotWrittenIntoAFolderSomeoneElseCouldHavePlanted) {
    EXPECT_EQ(platform::PrivateTempFolder(), folder);
    const std::string elsewhere = runtime.File("elsewhere");
    fs::create_directory(elsewhere);
    // Each row: the reason the refusal gives, and how the folder was planted.
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"it is a symbolic link", [&] { fs::create_directory_symlink(elsewhere, folder); }},
        {"it is not a folder", [&] { testsupport::WriteBytes(folder, ""); }},
        {"other users have access", [&] { MakeFolder(folder, 0750, geteuid()); }},
        {"other users have access", [&] { MakeFolder(folder, 0707, geteuid()); }},
        {"it belongs to another user", [&] { MakeFolder(folder, 0700, 65534); }},
    };
    for (const auto& [reason, plant] : rows) {
        SCOPED_TRACE(reason);
        if (geteuid() != 0 && std::string(reason) == "it belongs to another user") continue;
        plant();
        try {
            VTR_TXTHTML::WritePreviewFile("x");
            ADD_FAILURE() << "accepted";
        } catch (const platform::FileError& error) {
            EXPECT_NE(std::string(error.what()).find(folder + " cannot be used: " + reason),
                      std::string::npos)
                << error.what();
        }
        EXPECT_FALSE(fs::exists(VTR_TXTHTML::TempHtmlPath()));
        fs::remove(folder);
    }
    const std::string fallback = fs::temp_directory_path().string() + "/vantor-" + uid;
    const std::string theirs = runtime.File("theirs");
    MakeFolder(theirs, 0700, geteuid() == 0 ? 65534 : geteuid());
    testsupport::WriteBytes(runtime.File("file"), "x");
    for (const std::string& setting :
         {std::string(), std::string("."), runtime.File("missing"), runtime.File("file"), theirs}) {
        if (setting == theirs && geteuid() != 0) continue;  // only root can give a folder away
        setenv("XDG_RUNTIME_DIR", setting.c_str(), 1);
        EXPECT_EQ(platform::PrivateTempFolder(), fallback) << setting;
    }
}

}  // namespace
