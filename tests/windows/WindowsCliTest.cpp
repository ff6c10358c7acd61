// The built vantor-cli.exe started as a separate process with a UTF-16 command line, as
// Explorer or a console starts it: names beyond the ANSI code page and beyond 260 characters
// in every command, archives that are read-only or in use, entry names Windows would change.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <sstream>

#include "platform/FileSystem.h"
#include "platform/WindowsPath.h"
#include "tests/support/TestFiles.h"

#ifndef VANTOR_CLI_PATH
#error "VANTOR_CLI_PATH must name the built vantor-cli.exe"
#endif

namespace {

using namespace testsupport;
using platform::windows::Widen;

struct Process {
    int status = -1;
    std::string out;
    std::string err;
};

// One argument as CommandLineToArgvW reads it back: quoted when it holds a space, a tab or a
// quote; backslashes doubled only before a quote.
std::wstring QuoteArgument(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t ch : arg) {
        if (ch == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(ch == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(ch);
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

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
    std::wstring line = QuoteArgument(Widen(VANTOR_CLI_PATH));
    for (const std::string& arg : args) line += L" " + QuoteArgument(Widen(arg));
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
    return {static_cast<int>(status), ReadBytes(scratch.File("out")),
            ReadBytes(scratch.File("err"))};
}

// Every command once, on files and folders whose names all hold `stem`, in a folder `depth`
// levels of 70-character names deep.
TEST(WindowsCli, NamesBeyondAsciiAndPathsOver260CharactersWorkInEveryCommand) {
    const struct {
        const char* what;
        std::string stem;
        int depth;
    } rows[] = {
        {"Cyrillic", "\xD0\x90\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2", 0},
        {"CJK", "\xE6\xA1\xA3\xE6\xA1\x88", 0},
        {"over 260 characters", "long", 4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir temp;
        std::string deep;
        for (int level = 0; level < row.depth; ++level) deep += "/" + std::string(70, 'a' + level);
        const std::string base = temp.path() + deep;
        const auto path = [&](const std::string& name) { return base + "/" + row.stem + name; };
        const std::string archive = path(".big"), content = path(" content");
        // std::filesystem stops at 260 characters here; the file layer under test does not.
        std::string folder = temp.path();
        std::istringstream names(deep + "/" + row.stem + " content/Data/Lang");
        for (std::string name; std::getline(names, name, '/');)
            if (!name.empty()) platform::RealFiles().CreateFolder(folder += "/" + name);
        const auto put = [](const std::string& file, const std::string& bytes) {
            platform::WriteFileAtomic(file, {bytes});
        };
        const std::string menu = "Menu\r\n\"Start\"\r\nEND\r\n";
        put(content + "/Data/game.ini", "[Game]\r\n");
        put(content + "/Data/Lang/menu.str", menu);
        put(path(" note.txt"), "note");
        put(path(" swap.txt"), "swapped");
        if (row.depth > 0) {
            EXPECT_GT(Widen(path(" content/Data/Lang/menu.str")).size(), 260u);
        }
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
    }
}

std::shared_ptr<void> OpenWithSharing(const std::string& path, DWORD sharing) {
    HANDLE handle = CreateFileW(Widen(path).c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE);
    return {handle, CloseHandle};
}

// Nothing is lost: the archive keeps its bytes, no temporary file stays, and the one line on
// standard error names the archive and says why.
TEST(WindowsCli, AnArchiveThatIsReadOnlyOrInUseIsKeptWithAClearMessage) {
    const struct {
        const char* what;
        std::function<std::shared_ptr<void>(const std::string& archive)> hold;
        std::vector<std::string> args;  // "@" stands for the archive
        std::string reason;
    } rows[] = {
        {"read-only",
         [](const std::string& archive) -> std::shared_ptr<void> {
             SetFileAttributesW(Widen(archive).c_str(), FILE_ATTRIBUTE_READONLY);
             return {nullptr, [archive](void*) {
                         SetFileAttributesW(Widen(archive).c_str(), FILE_ATTRIBUTE_NORMAL);
                     }};
         },
         {"remove", "@", "a.txt"},
         "it is read-only"},
        {"open in another program that lets others only read",
         [](const std::string& archive) { return OpenWithSharing(archive, FILE_SHARE_READ); },
         {"rename", "@", "a.txt", "c.txt"},
         "it is in use by another program"},
        {"open in another program without sharing",
         [](const std::string& archive) { return OpenWithSharing(archive, 0); },
         {"remove", "@", "a.txt"},
         "it is in use by another program"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir temp;
        const std::string archive = temp.File("\xE6\xA1\xA3\xE6\xA1\x88.big");
        const std::string bytes = MakeBig({{"a.txt", "a"}, {"b.txt", "bb"}});
        WriteBytes(archive, bytes);
        std::vector<std::string> args;
        for (const std::string& arg : row.args) args.push_back(arg == "@" ? archive : arg);
        std::shared_ptr<void> held = row.hold(archive);
        const Process result = RunCli(args);
        held.reset();
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find("\"" + archive + "\""), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(row.reason), std::string::npos) << result.err;
        EXPECT_EQ(ReadBytes(archive), bytes);
        EXPECT_EQ(temp.List().size(), 1u);
    }
}

// Windows would write such an entry under another name (or to a device): it is refused with a
// reason, and the other entries are still extracted.
TEST(WindowsCli, ExtractRefusesNamesWindowsWouldChange) {
    const std::pair<std::string, std::string> rows[] = {
        {"C:\\Data\\a.txt", "drive letter"},
        {"CON", "device name"},
        {"Data\\nul.txt", "device name"},
        {"Com1\\a.txt", "device name"},
        {"LPT9.log", "device name"},
        {"Data\\notes.", "ends in a dot or a space"},
        {"Data\\notes ", "ends in a dot or a space"},
        {"Data.\\a.txt", "ends in a dot or a space"},
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
