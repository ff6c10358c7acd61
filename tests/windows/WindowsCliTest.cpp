// The built vantor-cli.exe started as a separate process with a UTF-16 command line, as
// Explorer or a console starts it: names beyond the ANSI code page and beyond 260 characters in
// every command and in the file layer beneath, a read-only archive, entry names Windows would
// change. Files held open by others are tested on the file layer (WindowsFilesTest).
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/FileSystem.h"
#include "platform/WindowsPath.h"
#include "tests/support/TestFiles.h"

#ifndef VANTOR_CLI_PATH
#error "VANTOR_CLI_PATH must name the built vantor-cli.exe"
#endif

namespace {

using namespace testsupport;
using platform::PathKind;
using platform::windows::Widen;

struct Process {
    int status = -1;
    std::string out, err;
};

// Every argument is put in quotes: none of these ends in a backslash or holds a quote.
Process RunCli(const std::vector<std::string>& args) {
    TempDir scratch;
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const auto capture = [&](const char* name) {
        return CreateFileW(Widen(scratch.File(name)).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                           &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = capture("out");
    startup.hStdError = capture("err");
    std::wstring line = L"\"" + Widen(VANTOR_CLI_PATH) + L"\"";
    for (const std::string& arg : args) line += L" \"" + Widen(arg) + L"\"";
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    if (!started) {
        ADD_FAILURE() << "cannot start " << VANTOR_CLI_PATH << ": error " << GetLastError();
        return {};
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return {int(status), ReadBytes(scratch.File("out")), ReadBytes(scratch.File("err"))};
}

// Every command once, on files and folders whose names all hold `stem`, under `depth` folders of
// 70-character names, made and listed by the file layer; and at the end a save over the archive
// made read-only, which must fail naming it and keep it.
TEST(WindowsCli, NamesBeyondAsciiAndPathsOver260CharactersWorkInEveryCommand) {
    std::string level;  // 70 CJK characters: 210 bytes in UTF-8, within what Linux allows
    for (int i = 0; i < 70; ++i) level += "\xE8\xB3\x87";
    const struct {
        const char* what;
        std::string stem;
        int depth;
    } rows[] = {
        {"Cyrillic", "\xD0\x90\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2", 0},
        {"CJK", "\xE6\xA1\xA3\xE6\xA1\x88", 0},
        {"over 260 characters, CJK", "\xE6\xA1\xA3", 4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir temp;
        std::string base = temp.path(), folder = base;
        for (int i = 0; i < row.depth; ++i) base += "/" + level;
        const auto path = [&](const std::string& name) { return base + "/" + row.stem + name; };
        const std::string archive = path(".big"), content = path(" content");
        // std::filesystem stops at 260 characters here; the file layer under test does not.
        std::vector<std::string> names(row.depth, level);
        names.insert(names.end(), {row.stem + " content", "Data", "Lang"});
        for (const std::string& name : names) {
            platform::RealFiles().CreateFolder(folder += "/" + name);
            platform::RealFiles().CreateFolder(folder);  // an existing folder is fine
        }
        const auto put = [](const std::string& file, const std::string& bytes) {
            platform::WriteFileAtomic(file, {bytes});
        };
        const std::string menu = "Menu\r\n\"Start\"\r\nEND\r\n";
        put(content + "/Data/game.ini", "[Game]\r\n");
        put(content + "/Data/Lang/menu.str", menu);
        put(path(" note.txt"), "note");
        put(path(" swap.txt"), "swapped");
        EXPECT_TRUE(row.depth == 0 || Widen(path(" content/Data/Lang/menu.str")).size() > 260);
        const auto run = [](const std::vector<std::string>& args) {
            const Process result = RunCli(args);
            EXPECT_EQ(result.status, 0) << args[0] << ": " << result.err;
            return result.out;
        };
        const std::string listed = "        20  Data\\Lang\\menu.str\n         8  Data\\game.ini\n";
        run({"pack", content, "-o", archive});
        EXPECT_EQ(run({"list", archive}), listed);
        EXPECT_NE(run({"info", archive}).find("entries:    2\n"), std::string::npos);
        run({"verify", archive});
        run({"add", archive, path(" note.txt"), "--as", "Data\\new.txt"});
        run({"replace", archive, "Data\\new.txt", path(" swap.txt")});
        run({"rename", archive, "Data\\new.txt", "Data\\renamed.txt"});
        EXPECT_EQ(run({"list", archive}), listed + "         7  Data\\renamed.txt\n");
        run({"remove", archive, "Data\\renamed.txt"});
        run({"extract", archive, "-C", path(" out")});
        EXPECT_EQ(platform::ReadWholeFile(path(" out/Data/Lang/menu.str")), menu);
        EXPECT_EQ(platform::ReadWholeFile(path(" out/Data/game.ini")), "[Game]\r\n");
        run({"str2csf", content + "/Data/Lang/menu.str", "-o", path(".csf")});
        run({"csf2str", path(".csf"), "-o", path(" back.str")});
        EXPECT_EQ(run({"csf-diff", content + "/Data/Lang/menu.str", path(" back.str")}), "");
        run({"csf-merge", "--source", path(".csf"), "--translation", path(" back.str"), "-o",
             path(" merged.csf")});
        EXPECT_EQ(run({"csf-diff", path(".csf"), path(" merged.csf")}), "");

        auto& files = platform::RealFiles();
        const auto items = files.ListFolder(content + "/Data/Lang/");  // the "/" at the end is fine
        ASSERT_EQ(items.size(), 1u);
        EXPECT_TRUE(items[0].name == "menu.str" && items[0].kind == PathKind::RegularFile);

        const std::string bytes = platform::ReadWholeFile(archive);
        const std::size_t count = files.ListFolder(base).size();
        SetFileAttributesW(platform::windows::ApiPath(archive).c_str(), FILE_ATTRIBUTE_READONLY);
        const Process refused = RunCli({"remove", archive, "Data\\game.ini"});
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find("\"" + archive + "\""), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("it is read-only"), std::string::npos) << refused.err;
        EXPECT_EQ(platform::ReadWholeFile(archive), bytes);
        EXPECT_EQ(files.ListFolder(base).size(), count);  // no temporary file left behind
    }
}

// Windows would write such an entry under another name (or to a device): it is refused with a
// reason, and the other entries are still extracted. (The full rules: tests/cli/EntryPathTest.)
TEST(WindowsCli, ExtractRefusesNamesWindowsWouldChange) {
    const std::pair<std::string, std::string> rows[] = {
        {"C:\\Data\\a.txt", "drive letter"},
        {"CON", "device name"},
        {"Data\\nul.txt", "device name"},
        {"Com1\\a.txt", "device name"},
        {"Data\\notes.", "ends in a dot or a space"},
        {"Data\\notes ", "ends in a dot or a space"},
    };
    for (const auto& [name, reason] : rows) {
        SCOPED_TRACE(name);
        TempDir temp;
        WriteBytes(temp.File("a.big"), MakeBig({{"kept.txt", "kept"}, {name, "refused"}}));
        const Process result = RunCli({"extract", temp.File("a.big"), "-C", temp.File("out")});
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
        std::vector<std::string> extracted;
        for (const auto& item :
             std::filesystem::recursive_directory_iterator(FsPath(temp.File("out"))))
            extracted.push_back(Utf8(item.path().lexically_relative(FsPath(temp.File("out")))));
        EXPECT_EQ(extracted, std::vector<std::string>{"kept.txt"});
    }
}

}  // namespace
