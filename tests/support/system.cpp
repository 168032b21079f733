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
