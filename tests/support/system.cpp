#include "support.h"

#include <aclapi.h>

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

bool UnderWow64()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
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

// Wine does not wait for a host program: this waits (10 s at most) until done() is true.
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

}  // namespace

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

namespace {
const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
}

std::string PendingRenames(bool raw)
{
    std::vector<char> value(65536);
    DWORD size = (DWORD)value.size() - 2;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ,
                     nullptr, value.data(), &size) != ERROR_SUCCESS)
        return "";
    if (raw)
        return std::string(value.data(), size);
    std::string pairs;
    for (const char* p = value.data(); *p; p += strlen(p) + 1) {
        pairs += std::string(p) + ">";
        p += strlen(p) + 1;
        pairs += std::string(p) + "\n";
    }
    return pairs;
}

void SetPendingRenames(const std::string& raw)
{
    if (raw.empty())
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations");
    else
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations", REG_MULTI_SZ, raw.data(),
                        (DWORD)raw.size());
}
