// The running Windows' version and word size, read where no compatibility layer rewrites them.
#include "windows_version.h"

#include <windows.h>

namespace {

struct OsVersionInfo {  // RTL_OSVERSIONINFOW
    ULONG size;
    ULONG major;
    ULONG minor;
    ULONG build;
    ULONG platform;
    WCHAR servicePack[128];
};

typedef LONG(WINAPI* RtlGetVersionFn)(OsVersionInfo* info);
typedef BOOL(WINAPI* IsWow64Process2Fn)(HANDLE process, USHORT* processMachine, USHORT* nativeMachine);
typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE process, BOOL* wow64);

enum { kMachineAmd64 = 0x8664, kMachineArm64 = 0xAA64, kMachineIa64 = 0x0200 };

}  // namespace

void ReadWindowsVersion(WindowsVersion* version)
{
    *version = WindowsVersion();
    version->bitnessFrom = kBitnessUnknown;
    // Both modules are in every process from its start: asking for them loads nothing from anywhere.
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    RtlGetVersionFn getVersion = ntdll ? (RtlGetVersionFn)(void*)GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    OsVersionInfo info;
    ZeroMemory(&info, sizeof info);
    info.size = sizeof info;
    if (getVersion && getVersion(&info) == 0) {
        version->major = info.major;
        version->minor = info.minor;
        version->build = info.build;
        version->versionRead = 1;
    }

    // Windows 10 1709 and later name the machine itself; older ones only say whether this is WOW64.
    IsWow64Process2Fn isWow64Process2 =
        kernel ? (IsWow64Process2Fn)(void*)GetProcAddress(kernel, "IsWow64Process2") : nullptr;
    IsWow64ProcessFn isWow64Process = kernel ? (IsWow64ProcessFn)(void*)GetProcAddress(kernel, "IsWow64Process") : nullptr;
    USHORT processMachine = 0;
    USHORT nativeMachine = 0;
    BOOL wow64 = FALSE;
    if (isWow64Process2 && isWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine)) {
        version->is64 = nativeMachine == kMachineAmd64 || nativeMachine == kMachineArm64 || nativeMachine == kMachineIa64;
        version->bitnessFrom = kBitnessIsWow64Process2;
    } else if (sizeof(void*) == 8) {
        version->is64 = 1;
        version->bitnessFrom = kBitnessOwnWidth;
    } else if (isWow64Process && isWow64Process(GetCurrentProcess(), &wow64)) {
        version->is64 = wow64 != FALSE;
        version->bitnessFrom = kBitnessIsWow64Process;
    }
}
