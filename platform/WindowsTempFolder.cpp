// The private temporary folder on Windows: "vantor-<user>" under the user's temporary folder,
// made with an access list that lets in only the user (and the system account).
#include <windows.h>
// After windows.h:
#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "platform/FileSystem.h"
#include "platform/TempFolder.h"
#include "platform/WindowsPath.h"

namespace platform {

namespace {

using windows::Narrow;

[[noreturn]] void Refuse(const std::string& folder, const std::string& reason) {
    throw FileError("The private temporary folder " + folder + " cannot be used: " + reason + ".");
}

std::string UserName() {
    wchar_t name[257] = {};
    DWORD size = 257;
    if (GetUserNameW(name, &size) && size > 1) return Narrow(name);
    return "user";
}

// The security identifier of the user this program runs as.
std::vector<BYTE> UserSid() {
    HANDLE token = nullptr;
    std::vector<BYTE> info;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        info.resize(size);
        if (size == 0 || !GetTokenInformation(token, TokenUser, info.data(), size, &size))
            info.clear();
        CloseHandle(token);
    }
    if (info.empty()) return {};
    const PSID sid = reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid;
    const auto* bytes = static_cast<const BYTE*>(sid);
    return {bytes, bytes + GetLengthSid(sid)};
}

// Accounts that may hold rights on the folder: the user, the system, the administrators (who
// can take any folder anyway), and "creator owner", which only stands for the user again.
bool MayHaveAccess(PSID sid, PSID user) {
    return EqualSid(sid, user) || IsWellKnownSid(sid, WinLocalSystemSid) ||
           IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
           IsWellKnownSid(sid, WinCreatorOwnerSid);
}

void CheckPrivate(const std::string& folder, HANDLE handle, PSID user) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info))
        Refuse(folder, windows::SystemMessage(GetLastError()));
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        Refuse(folder, "it is a symbolic link");
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) Refuse(folder, "it is not a folder");
    PSID owner = nullptr;
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error = GetSecurityInfo(handle, SE_FILE_OBJECT,
                                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        &owner, nullptr, &access, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) Refuse(folder, windows::SystemMessage(error));
    std::string problem;
    if (owner == nullptr || !EqualSid(owner, user))
        problem = "it belongs to another user";
    else if (access == nullptr)
        problem = "other users have access to it";
    for (DWORD i = 0; problem.empty() && i < access->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(access, i, &entry)) continue;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if (!MayHaveAccess(&allowed->SidStart, user)) problem = "other users have access to it";
    }
    LocalFree(descriptor);
    if (!problem.empty()) Refuse(folder, problem);
}

// Creates the folder owned by `user` with rights for the user and the system only, inherited
// by everything put into it. False when it exists already.
bool CreatePrivate(const std::string& folder, PSID user) {
    wchar_t* userText = nullptr;
    if (!ConvertSidToStringSidW(user, &userText))
        Refuse(folder, windows::SystemMessage(GetLastError()));
    const std::wstring rules =
        L"O:" + std::wstring(userText) + L"D:P(A;OICI;FA;;;" + userText + L")(A;OICI;FA;;;SY)";
    LocalFree(userText);
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            rules.c_str(), SDDL_REVISION_1, &security.lpSecurityDescriptor, nullptr))
        Refuse(folder, windows::SystemMessage(GetLastError()));
    const bool created = CreateDirectoryW(windows::ApiPath(folder).c_str(), &security) != 0;
    const DWORD error = GetLastError();
    LocalFree(security.lpSecurityDescriptor);
    if (!created && error != ERROR_ALREADY_EXISTS)
        throw FileError("Unable to create the private temporary folder " + folder + ": " +
                        windows::SystemMessage(error) + ".");
    return created;
}

}  // namespace

std::string PrivateTempFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, base);
    std::string folder = length > 0 && length <= MAX_PATH ? Narrow({base, length}) : "C:\\Temp\\";
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder + "vantor-" + UserName();
}

std::string EnsurePrivateTempFolder() {
    const std::string folder = PrivateTempFolder();
    std::vector<BYTE> user = UserSid();
    if (user.empty()) Refuse(folder, "the current user cannot be determined");
    if (CreatePrivate(folder, user.data())) return folder;
    // It was there before: look at the folder itself, never at what a link leads to.
    HANDLE handle =
        CreateFileW(windows::ApiPath(folder).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) Refuse(folder, windows::SystemMessage(GetLastError()));
    try {
        CheckPrivate(folder, handle, user.data());
    } catch (...) {
        CloseHandle(handle);
        throw;
    }
    CloseHandle(handle);
    return folder;
}

}  // namespace platform
