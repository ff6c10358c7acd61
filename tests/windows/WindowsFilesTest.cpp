// The Windows file layer: the long-path prefix, reads served from a read-ahead window, files held
// open by other programs, the change check, and the private temporary folder. Names beyond ASCII
// and beyond 260 characters, and read-only files, are tested with every command beside the file
// layer's operations in WindowsCliTest.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h:
#include <sddl.h>

#include <functional>
#include <memory>

#include "platform/FileSystem.h"
#include "platform/TempFolder.h"
#include "platform/WindowsPath.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace testsupport;
using platform::windows::Widen;

platform::FileSystem& Files() { return platform::RealFiles(); }

TEST(WindowsPaths, LongPathsGetThePrefixThatLiftsTheLimitShortOnesStayAsWritten) {
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    const std::string name(300, 'n');
    const std::wstring wideName(300, L'n');
    const std::pair<std::string, std::wstring> rows[] = {
        {"C:/Data/game.big", L"C:\\Data\\game.big"},
        {"sub/game.big", L"sub\\game.big"},
        {"C:/Data/" + name, L"\\\\?\\C:\\Data\\" + wideName},
        {"C:/Data/skipped/../" + name, L"\\\\?\\C:\\Data\\" + wideName},
        {"//server/share/" + name, L"\\\\?\\UNC\\server\\share\\" + wideName},
        {"sub/" + name, L"\\\\?\\" + std::wstring(current) + L"\\sub\\" + wideName},
        {"\\\\?\\C:\\Data\\" + name, L"\\\\?\\C:\\Data\\" + wideName},
        {"C:/\xD0\x94/" + name, L"\\\\?\\C:\\\u0414\\" + wideName},
    };
    for (const auto& [path, expected] : rows)
        EXPECT_EQ(platform::windows::ApiPath(path), expected) << path.substr(0, 30);
}

// Small reads going forward are served from a read-ahead window; every order of reads must still
// give the file's bytes, also across the window's end and the file's.
TEST(WindowsFiles, ReadsGiveTheFileBytesInAnyOrder) {
    TempDir temp;
    std::string bytes(700 * 1024, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7919 >> 5);
    WriteBytes(temp.File("data.bin"), bytes);
    const std::int64_t size = static_cast<std::int64_t>(bytes.size());
    const std::pair<std::int64_t, std::size_t> reads[] = {
        {0, 16},         {16, 100},      {116, 30000},      {262100, 100},      {50, 10},
        {262150, 30000}, {600000, 4000}, {300000, 200000},  {299990, 20},       {size - 10, 10},
        {size - 5, 100}, {size, 10},     {size + 4096, 10}, {size - 300000, 16}};
    auto file = Files().OpenRead(temp.File("data.bin"));
    for (const auto& [offset, count] : reads) {
        std::string got(count, '\0');
        got.resize(file->ReadSome(offset, got.data(), count));
        EXPECT_EQ(got, bytes.substr(std::min<std::size_t>(offset, bytes.size()), count))
            << offset << " +" << count;
    }
}

// A save or a load that cannot proceed because another program holds the file names the file
// and why, keeps the file as it was and leaves no temporary file.
TEST(WindowsFiles, AFileInUseByAnotherProgramIsKeptWithAClearMessage) {
    const auto save = [](const std::string& path) { platform::WriteFileAtomic(path, {"new"}); };
    const auto load = [](const std::string& path) { platform::ReadWholeFile(path); };
    const struct {
        const char* what;
        DWORD sharing;  // what the other program lets others do
        std::function<void(const std::string&)> operation;
    } rows[] = {
        {"save while another program has it open without sharing", 0, save},
        // The move fails only with "access denied" here; the layer finds out why.
        {"save while another program reads it and lets others only read", FILE_SHARE_READ, save},
        {"load while another program has it open without sharing", 0, load},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir temp;
        const std::string path = temp.File("\xD0\x90\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2.big");
        WriteBytes(path, "old");
        HANDLE held = CreateFileW(Widen(path).c_str(), GENERIC_READ, row.sharing, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        try {
            row.operation(path);
            ADD_FAILURE() << "it went through";
        } catch (const platform::FileError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("\"" + path + "\""), std::string::npos) << message;
            EXPECT_TRUE(message.ends_with(": it is in use by another program")) << message;
        }
        CloseHandle(held);
        EXPECT_EQ(ReadBytes(path), "old");
        EXPECT_EQ(temp.List().size(), 1u);
    }
}

// The change check compares stamps taken when loading and before reading again.
TEST(WindowsFiles, TheStampChangesWithTheFileAndOnlyThen) {
    const auto setTime = [](const std::string& path, std::int64_t windowsTime) {
        HANDLE handle = CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        const FILETIME time{static_cast<DWORD>(windowsTime), static_cast<DWORD>(windowsTime >> 32)};
        EXPECT_TRUE(SetFileTime(handle, nullptr, nullptr, &time));
        CloseHandle(handle);
    };
    const std::pair<const char*, std::function<void(const std::string&)>> rows[] = {
        {"opened again", nullptr},
        {"rewritten with the same size", [](const std::string& path) { WriteBytes(path, "BBBB"); }},
        {"only its time set", [&](const std::string& path) { setTime(path, 130000000000000000); }},
        {"replaced by another file with the same bytes", [](const std::string& path) {
             WriteBytes(path + ".new", "AAAA");
             ASSERT_TRUE(MoveFileExW(Widen(path + ".new").c_str(), Widen(path).c_str(),
                                     MOVEFILE_REPLACE_EXISTING));
         }}};
    for (const auto& [what, change] : rows) {
        SCOPED_TRACE(what);
        TempDir temp;
        const std::string path = temp.File("stamped.big");
        WriteBytes(path, "AAAA");
        setTime(path, 120000000000000000);
        const platform::FileStamp before = Files().OpenRead(path)->Stamp();
        EXPECT_EQ(before.size, 4);
        if (change) change(path);
        EXPECT_EQ(Files().OpenRead(path)->Stamp() != before, change != nullptr);
    }
}

// The private temporary folder lives in the user's temporary folder (%TMP%), made with an
// access list for the user alone; a folder found there that others could have made or can
// enter is refused.
TEST(WindowsTempFolder, OnlyAFolderOfTheUserAloneIsUsed) {
    TempDir temp;
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", Widen(temp.path()).c_str()));
    const std::string folder = platform::PrivateTempFolder();
    EXPECT_TRUE(folder.starts_with(temp.path() + "\\vantor-")) << folder;
    const std::pair<const char*, std::function<void()>> planted[] = {
        {"it is not a folder", [&] { WriteBytes(folder, ""); }},
        {"other users have access to it", [&] {
             PSECURITY_DESCRIPTOR descriptor = nullptr;
             ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
                 L"D:P(A;OICI;FA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
             SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
             EXPECT_TRUE(CreateDirectoryW(Widen(folder).c_str(), &security));
             LocalFree(descriptor);
         }}};
    for (const auto& [reason, plant] : planted) {
        SCOPED_TRACE(reason);
        plant();
        try {
            platform::EnsurePrivateTempFolder();
            ADD_FAILURE() << "accepted";
        } catch (const platform::FileError& error) {
            EXPECT_NE(std::string(error.what()).find(folder + " cannot be used: " + reason),
                      std::string::npos)
                << error.what();
        }
        std::filesystem::remove(FsPath(folder));
    }
    EXPECT_EQ(platform::EnsurePrivateTempFolder(), folder);
    EXPECT_EQ(platform::EnsurePrivateTempFolder(), folder);  // found again and accepted
    SetEnvironmentVariableW(L"TMP", nullptr);
}

}  // namespace
