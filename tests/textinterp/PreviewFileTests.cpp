// The private temporary folder and the preview file written into it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <optional>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/TempFolder.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestFiles.h"
#include "textinterp/VTR_TXTHTML.h"

namespace {

namespace fs = std::filesystem;

// Sets (or, given no value, removes) an environment variable while it lives.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        Set(value);
    }
    ~ScopedEnv() { Set(old_); }

private:
    void Set(const std::optional<std::string>& value) {
        value ? setenv(name_, value->c_str(), 1) : unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

std::string OwnFolderName() { return "vantor-" + std::to_string(geteuid()); }

class PrivateFolder : public testing::Test {
protected:
    testsupport::TempDir runtime;
    testsupport::TempDir temp;
    ScopedEnv xdg{"XDG_RUNTIME_DIR", runtime.path()};
    ScopedEnv tmpdir{"TMPDIR", temp.path()};
    std::string folder = runtime.File(OwnFolderName());
};

TEST_F(PrivateFolder, LiesUnderTheRuntimeFolderAndIsCreatedOwnerOnly) {
    EXPECT_EQ(platform::PrivateTempFolder(), folder);
    EXPECT_FALSE(fs::exists(folder));
    for (mode_t mask : {mode_t{0}, mode_t{022}, mode_t{0700}}) {
        const mode_t previous = umask(mask);
        EXPECT_EQ(platform::EnsurePrivateTempFolder(), folder);
        umask(previous);
        EXPECT_EQ(ModeOf(folder), 0700u) << "umask " << mask;
        EXPECT_EQ(platform::EnsurePrivateTempFolder(), folder) << "second call";
        fs::remove(folder);
    }
}

TEST_F(PrivateFolder, FallsBackToTheTemporaryFolderWhenTheRuntimeFolderIsUnusable) {
    const std::string inTemp = temp.File(OwnFolderName());
    const std::string plainFile = runtime.File("file");
    testsupport::WriteBytes(plainFile, "x");
    // Only root can give a folder away; for others "theirs" is one more folder of their own.
    const std::string theirs = runtime.File("theirs");
    fs::create_directory(theirs);
    const bool givenAway = geteuid() == 0 && chown(theirs.c_str(), 65534, 65534) == 0;
    const std::optional<std::string> settings[] = {std::nullopt,   "",
                                                   "relative/dir", runtime.File("missing"),
                                                   plainFile,      givenAway ? theirs : ""};
    for (const auto& setting : settings) {
        ScopedEnv unusable("XDG_RUNTIME_DIR", setting);
        EXPECT_EQ(platform::PrivateTempFolder(), inTemp) << setting.value_or("(unset)");
    }
}

TEST_F(PrivateFolder, RefusesAFolderSomeoneElseCouldHavePlanted) {
    const std::string elsewhere = temp.File("elsewhere");
    const auto folderWith = [&](fs::perms perms) {
        fs::create_directory(folder);
        fs::permissions(folder, perms);
    };
    // Each row: the reason the refusal must give, and how the folder was planted.
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"symbolic link",
         [&] {
             fs::create_directory(elsewhere);
             fs::create_directory_symlink(elsewhere, folder);
         }},
        {"not a folder", [&] { testsupport::WriteBytes(folder, ""); }},
        {"other users have access",
         [&] { folderWith(fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec); }},
        {"other users have access",
         [&] { folderWith(fs::perms::owner_all | fs::perms::others_all); }},
        {"belongs to another user",
         [&] {
             folderWith(fs::perms::owner_all);
             ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
         }},
    };
    for (const auto& [reason, plant] : rows) {
        if (geteuid() != 0 && std::string(reason) == "belongs to another user") continue;
        plant();
        try {
            platform::EnsurePrivateTempFolder();
            ADD_FAILURE() << reason << ": accepted";
        } catch (const platform::FileError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(reason), std::string::npos) << message;
            EXPECT_NE(message.find(folder), std::string::npos) << message;
        }
        fs::remove(folder);
        fs::remove(elsewhere);
    }
}

class PreviewFile : public PrivateFolder {
protected:
    void SetUp() override { VTR_TXTHTML::TextInitialise(); }
    const std::string& path = VTR_TXTHTML::TempHtmlPath();
};

TEST_F(PreviewFile, HoldsExactlyTheBytesReadableByTheOwnerOnly) {
    EXPECT_EQ(path, folder + "/vttemp.html");
    EXPECT_FALSE(fs::exists(folder)) << "TextInitialise creates nothing";
    const std::string first = std::string("<html>\r\n\0\xFF</html>", 18);
    VTR_TXTHTML::WritePreviewFile(first);
    EXPECT_EQ(testsupport::ReadBytes(path), first);
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(ModeOf(folder), 0700u);

    VTR_TXTHTML::WritePreviewFile("second");
    EXPECT_EQ(testsupport::ReadBytes(path), "second");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    VTR_TXTHTML::DeleteTempFile();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_NO_THROW(VTR_TXTHTML::DeleteTempFile());
}

TEST_F(PreviewFile, IsNotWrittenIntoAPlantedFolder) {
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::all);
    EXPECT_THROW(VTR_TXTHTML::WritePreviewFile("x"), platform::FileError);
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(PreviewFile, FailedWriteLeavesNoFile) {
    for (int failAt = 1; failAt <= 5; ++failAt) {
        testsupport::ScopedFaultyFiles faulty;
        faulty.files.failAt = failAt;
        EXPECT_THROW(VTR_TXTHTML::WritePreviewFile("text"), std::exception) << failAt;
        EXPECT_FALSE(fs::exists(path)) << failAt;
        EXPECT_TRUE(fs::is_empty(folder)) << failAt;
    }
}

}  // namespace
