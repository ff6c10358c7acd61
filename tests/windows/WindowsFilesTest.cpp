// The Windows file layer: names beyond ASCII and beyond 260 characters, files that cannot be
// replaced, the change check, and the private temporary folder.
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
using platform::PathKind;
using platform::windows::Widen;

platform::FileSystem& Files() { return platform::RealFiles(); }

std::string Repeat(const std::string& text, int times) {
    std::string result;
    while (times-- > 0) result += text;
    return result;
}

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

// Every operation of the layer on one path; the name on disk is checked with std::filesystem.
TEST(WindowsFiles, NamesBeyondAsciiAndBeyond260CharactersWorkInEveryOperation) {
    struct Row {
        const char* what;
        std::vector<std::string> folders;  // nested, the first one directly in the test folder
        std::string file;
    };
    const Row rows[] = {
        {"Cyrillic",
         {"\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0"},
         "\xD0\x90\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2.big"},
        {"CJK", {"\xE8\xB3\x87\xE6\x96\x99"}, "\xE6\xA1\xA3\xE6\xA1\x88.big"},
        {"over 260 characters",
         {"a" + std::string(70, 'x'), std::string(70, 'y'), std::string(70, 'z'),
          std::string(70, 'w')},
         "long.big"},
        // 80 characters in a name: 240 bytes in UTF-8, within what Linux allows under Wine.
        {"over 260 characters, CJK",
         {Repeat("\xE6\xA1\xA3", 80), Repeat("\xE8\xB3\x87", 80), Repeat("\xE6\x96\x99", 80)},
         Repeat("\xE6\xA1\x88", 40)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir temp;
        std::string folder = temp.path();
        for (const std::string& name : row.folders) {
            folder += "/" + name;
            Files().CreateFolder(folder);
            Files().CreateFolder(folder);  // an existing folder is fine
        }
        const std::string path = folder + "/" + row.file;
        if (std::string(row.what).starts_with("over")) {
            EXPECT_GT(Widen(path).size(), 260u);
        }
        platform::WriteFileAtomic(path, {"first ", "version"});
        platform::WriteFileAtomic(path, {"second ", "version"});
        EXPECT_EQ(platform::ReadWholeFile(path), "second version");
        EXPECT_EQ(platform::ReadBytesAt(path, 8, 7), "version");
        EXPECT_EQ(Files().Kind(path), PathKind::RegularFile);
        EXPECT_EQ(Files().Kind(folder), PathKind::Directory);
        EXPECT_EQ(temp.List(), std::vector<std::string>{row.folders.front()});
        const auto items = Files().ListFolder(folder + "/");  // a separator at the end is fine
        ASSERT_EQ(items.size(), 1u);                          // no temporary file left behind
        EXPECT_EQ(items[0].name, row.file);
        EXPECT_EQ(items[0].kind, PathKind::RegularFile);
        Files().Rename(path, path + ".old", false);
        EXPECT_EQ(Files().Kind(path), PathKind::Missing);
        Files().Remove(path + ".old");
        EXPECT_TRUE(Files().ListFolder(folder).empty());
    }
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

// Something another program does to the file, undone when the result is reset.
using Hold = std::function<std::shared_ptr<void>(const std::string& path)>;

std::shared_ptr<void> OpenWithSharing(const std::string& path, DWORD sharing) {
    HANDLE handle = CreateFileW(Widen(path).c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE);
    return {handle, CloseHandle};
}

// A save or a load that cannot proceed names the file and why, keeps the file as it was and
// leaves no temporary file.
TEST(WindowsFiles, AFileThatIsReadOnlyOrInUseIsKeptWithAClearMessage) {
    const auto save = [](const std::string& path) { platform::WriteFileAtomic(path, {"new"}); };
    const auto load = [](const std::string& path) { platform::ReadWholeFile(path); };
    const struct {
        const char* what;
        Hold hold;
        std::function<void(const std::string&)> operation;
        std::string reason;
    } rows[] = {
        {"save over a read-only file",
         [](const std::string& path) -> std::shared_ptr<void> {
             SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_READONLY);
             return {nullptr, [path](void*) {
                         SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
                     }};
         },
         save, "it is read-only"},
        {"save while another program has it open without sharing",
         [](const std::string& path) { return OpenWithSharing(path, 0); }, save,
         "it is in use by another program"},
        {"save while another program reads it and lets others only read",
         [](const std::string& path) { return OpenWithSharing(path, FILE_SHARE_READ); }, save,
         "it is in use by another program"},
        {"load while another program has it open without sharing",
         [](const std::string& path) { return OpenWithSharing(path, 0); }, load,
         "it is in use by another program"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir temp;
        const std::string path = temp.File("\xD0\x90\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2.big");
        WriteBytes(path, "old");
        std::shared_ptr<void> held = row.hold(path);
        try {
            row.operation(path);
            ADD_FAILURE() << "it went through";
        } catch (const platform::FileError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("\"" + path + "\""), std::string::npos) << message;
            EXPECT_TRUE(message.ends_with(": " + row.reason)) << message;
        }
        held.reset();
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
    const struct {
        const char* what;
        std::function<void(const std::string& path)> change;
        bool changes;
    } rows[] = {
        {"opened again", [](const std::string&) {}, false},
        {"rewritten with the same size", [](const std::string& path) { WriteBytes(path, "BBBB"); },
         true},
        {"only its time set", [&](const std::string& path) { setTime(path, 130000000000000000); },
         true},
        {"replaced by another file with the same bytes",
         [](const std::string& path) {
             WriteBytes(path + ".new", "AAAA");
             ASSERT_TRUE(MoveFileExW(Widen(path + ".new").c_str(), Widen(path).c_str(),
                                     MOVEFILE_REPLACE_EXISTING));
         },
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir temp;
        const std::string path = temp.File("stamped.big");
        WriteBytes(path, "AAAA");
        setTime(path, 120000000000000000);
        const platform::FileStamp before = Files().OpenRead(path)->Stamp();
        EXPECT_EQ(before.size, 4);
        row.change(path);
        EXPECT_EQ(Files().OpenRead(path)->Stamp() != before, row.changes);
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
    const auto withRules = [](const wchar_t* rules) {
        return [rules](const std::string& path) {
            PSECURITY_DESCRIPTOR descriptor = nullptr;
            ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(rules, SDDL_REVISION_1,
                                                                             &descriptor, nullptr));
            SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
            EXPECT_TRUE(CreateDirectoryW(Widen(path).c_str(), &security));
            LocalFree(descriptor);
        };
    };
    const std::pair<const char*, std::function<void(const std::string&)>> planted[] = {
        {"it is not a folder", [](const std::string& path) { WriteBytes(path, ""); }},
        {"other users have access to it", withRules(L"D:P(A;OICI;FA;;;WD)")},
    };
    for (const auto& [reason, plant] : planted) {
        SCOPED_TRACE(reason);
        plant(folder);
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
