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

const DWORD kFixedInfoSignature = 0xFEEF04BD;

// The file version in the version resource of a loaded module, found by the signature of its fixed
// part; reading it in place needs no version.dll, so no further library is loaded.
int ReadModuleFileVersion(HMODULE module, unsigned long numbers[3])
{
    HRSRC found = module ? FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16)) : nullptr;
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const BYTE* bytes = loaded ? (const BYTE*)LockResource(loaded) : nullptr;
    DWORD size = found ? SizeofResource(module, found) : 0;
    for (DWORD at = 0; bytes && at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        const VS_FIXEDFILEINFO* info = (const VS_FIXEDFILEINFO*)(bytes + at);
        if (info->dwSignature != kFixedInfoSignature)
            continue;
        numbers[0] = HIWORD(info->dwFileVersionMS);
        numbers[1] = LOWORD(info->dwFileVersionMS);
        numbers[2] = HIWORD(info->dwFileVersionLS);
        return numbers[0] != 0;
    }
    return 0;
}

}  // namespace

void ReadWindowsVersion(WindowsVersion* version)
{
    *version = WindowsVersion();
    version->bitnessFrom = kBitnessUnknown;
    version->versionFrom = kVersionNone;
    // Both modules are in every process from its start: asking for them loads nothing from anywhere.
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    RtlGetVersionFn getVersion = ntdll ? (RtlGetVersionFn)(void*)GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    OsVersionInfo info;
    ZeroMemory(&info, sizeof info);
    info.size = sizeof info;
    if (getVersion && getVersion(&info) == 0) {
        version->reported[0] = info.major;
        version->reported[1] = info.minor;
        version->reported[2] = info.build;
    }
    unsigned long numbers[3] = {0, 0, 0};
    if (ReadModuleFileVersion(kernel, numbers)) {
        version->versionFrom = kVersionKernelFile;
    } else if (version->reported[0] != 0) {
        version->versionFrom = kVersionRtlGetVersion;
        for (int i = 0; i < 3; ++i)
            numbers[i] = version->reported[i];
    }
    version->major = numbers[0];
    version->minor = numbers[1];
    version->build = numbers[2];
    version->versionRead = version->versionFrom != kVersionNone;

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
