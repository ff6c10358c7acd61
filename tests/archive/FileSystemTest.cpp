#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "tests/support/TestFiles.h"

namespace {

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const platform::FileError& error) {
        return error.what();
    }
    ADD_FAILURE() << "no FileError";
    return {};
}

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
}

TEST(FileSystem, ReadsAtOneBasedPositionsAndSaysWhereShortReadsEnd) {
    TempDir dir;
    const std::string path = dir.File("six.bin");
    WriteBytes(path, "abcdef");
    EXPECT_EQ(platform::ReadBytesAt(path, 1, 2), "ab");
    EXPECT_EQ(platform::ReadBytesAt(path, 2, 3), "bcd");
    EXPECT_EQ(platform::ReadBytesAt(path, 7, 0), "");
    EXPECT_EQ(platform::ReadWholeFile(path), "abcdef");
    EXPECT_EQ(platform::FileLength(path), 6);
    EXPECT_EQ(MessageOf([&] { platform::ReadBytesAt(path, 5, 10); }),
              "Cannot read 10 bytes at offset 4 of \"" + path + "\": the file ends at 6");
}

TEST(FileSystem, ErrorsNameTheFileAndTheSystemsReason) {
    TempDir dir;
    const std::string missing = dir.File("missing.big");
    EXPECT_EQ(MessageOf([&] { platform::ReadWholeFile(missing); }),
              "Cannot open \"" + missing + "\": " + std::strerror(ENOENT));
    EXPECT_NE(MessageOf([&] { platform::ReadWholeFile(dir.path()); }).find("folder"),
              std::string::npos);
    const std::string inMissingFolder = dir.File("nope/out.bin");
    EXPECT_NE(
        MessageOf([&] { platform::WriteFileAtomic(inMissingFolder, {"x"}); }).find(inMissingFolder),
        std::string::npos);
    EXPECT_EQ(MessageOf([&] { platform::DeleteFile(missing); }),
              "Cannot delete \"" + missing + "\": " + std::strerror(ENOENT));
    EXPECT_TRUE(dir.List().empty());
    EXPECT_FALSE(platform::FileExists(dir.path()));
    EXPECT_FALSE(platform::FileExists(missing));
}

TEST(FileSystem, AtomicWriteGathersManyPartsAndReplacesKeepingTheMode) {
    TempDir dir;
    const std::string path = dir.File("out.bin");
    WriteBytes(path, std::string(100000, 'z'));
    chmod(path.c_str(), 0640);
    // More parts than one gathered write takes, some of them empty.
    std::vector<std::string> storage;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        storage.push_back(
            std::string(static_cast<std::size_t>(i % 7), static_cast<char>('a' + i % 26)));
        expected += storage.back();
    }
    const std::vector<std::string_view> parts(storage.begin(), storage.end());
    platform::WriteFileAtomic(path, parts);
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"out.bin"});

    const mode_t mask = umask(022);
    platform::WriteFileAtomic(dir.File("new.bin"), {"abc", "", "de"});
    umask(mask);
    EXPECT_EQ(ReadBytes(dir.File("new.bin")), "abcde");
    EXPECT_EQ(ModeOf(dir.File("new.bin")), 0644u);
}

}  // namespace
