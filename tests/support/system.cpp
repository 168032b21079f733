#include "system.h"

#include <aclapi.h>

#include "scratch.h"

#include <vector>

namespace {

struct HandleEntry {
    ULONG processId;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};

struct HandleInformation {
    ULONG count;
    HandleEntry entries[1];
};

typedef LONG(WINAPI* QuerySystemInformationFn)(ULONG, PVOID, ULONG, PULONG);
const ULONG kSystemHandleInformation = 16;

}  // namespace

int CountOpenHandles()
{
    // GetProcessHandleCount answers 0 under Wine; the system-wide handle list does not.
    static QuerySystemInformationFn query = (QuerySystemInformationFn)(void*)GetProcAddress(
        GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation");
    if (!query)
        return -1;
    std::vector<BYTE> buffer(1 << 20);
    ULONG needed = 0;
    while (query(kSystemHandleInformation, buffer.data(), (ULONG)buffer.size(), &needed) != 0) {
        if (buffer.size() >= (64u << 20))
            return -1;
        buffer.resize(buffer.size() * 2);
    }
    const HandleInformation* info = (const HandleInformation*)buffer.data();
    DWORD self = GetCurrentProcessId();
    int count = 0;
    for (ULONG i = 0; i < info->count; ++i) {
        if (info->entries[i].processId == self)
            ++count;
    }
    return count;
}

std::string SystemDirectory()
{
    char buffer[MAX_PATH + 1];
    GetSystemDirectoryA(buffer, sizeof buffer);
    return buffer;
}

std::string WindowsDirectory()
{
    char buffer[MAX_PATH + 1];
    GetWindowsDirectoryA(buffer, sizeof buffer);
    return buffer;
}

std::string CurrentDirectory()
{
    char buffer[MAX_PATH + 1];
    GetCurrentDirectoryA(sizeof buffer, buffer);
    return buffer;
}

std::string FromUnixPath(const char* unixPath)
{
    std::string path = "Z:";
    for (const char* p = unixPath; *p; ++p)
        path += *p == '/' ? '\\' : *p;
    return path;
}

namespace {

std::string QuotedHostPath(const std::string& windowsPath)
{
    typedef char*(CDECL * UnixFileNameFn)(const WCHAR*);
    static UnixFileNameFn toUnix =
        (UnixFileNameFn)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    wchar_t wide[1024];
    if (!toUnix || !MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, 1024))
        return "/nonexistent";
    char* unix = toUnix(wide);
    std::string path = unix ? unix : "/nonexistent";
    HeapFree(GetProcessHeap(), 0, unix);
    return "'" + path + "'";
}

}  // namespace

void RunOnHost(const std::string& shellCommand, const std::function<bool()>& done)
{
    std::string commandLine = "/bin/sh -c \"" + shellCommand + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA("Z:\\bin\\sh", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    for (int waited = 0; !done() && waited < 10000; waited += 20)
        Sleep(20);
}

void MakeHostLink(const std::string& link, const std::string& target)
{
    RunOnHost("ln -s " + QuotedHostPath(target) + " " + QuotedHostPath(link), [&] {
        DWORD attributes = GetFileAttributesA(link.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    });
}

void RemoveHostLink(const std::string& link)
{
    auto listed = [&] {  // as long as it is there, even with its target gone
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA(link.c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE)
            FindClose(find);
        return find != INVALID_HANDLE_VALUE;
    };
    if (listed())
        RunOnHost("rm -f " + QuotedHostPath(link), [&] { return !listed(); });
}

void GiveToAnotherOwner(const std::string& path)
{
    RunOnHost("chown nobody " + QuotedHostPath(path), [&] {
        PSID owner = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        bool anonymous = GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                               nullptr, nullptr, nullptr, &descriptor) == ERROR_SUCCESS &&
                         IsWellKnownSid(owner, WinAnonymousSid);
        LocalFree(descriptor);
        return anonymous;
    });
}

void LetEveryoneChange(const std::string& path)
{
    PACL dacl = nullptr, changed = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    EXPLICIT_ACCESS_A everyone = {};
    BuildExplicitAccessWithNameA(&everyone, (char*)"EVERYONE", GENERIC_ALL, GRANT_ACCESS, 0);
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &descriptor) == ERROR_SUCCESS &&
        SetEntriesInAclA(1, &everyone, dacl, &changed) == ERROR_SUCCESS)
        SetNamedSecurityInfoA((char*)path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              changed, nullptr);
    LocalFree(changed);
    LocalFree(descriptor);
}
