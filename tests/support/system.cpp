#include "system.h"

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
