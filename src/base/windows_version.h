// Which Windows this is, as the reader type depends on it: its version as the kernel knows it and
// whether it is a 64-bit Windows, also when this process is a 32-bit one.
#pragma once

enum BitnessSource { kBitnessIsWow64Process2, kBitnessIsWow64Process, kBitnessOwnWidth, kBitnessUnknown };
enum VersionSource { kVersionNone, kVersionKernelFile, kVersionRtlGetVersion };

struct WindowsVersion {
    unsigned long major;  // the version the choice rests on
    unsigned long minor;
    unsigned long build;
    int versionRead;  // 0: neither source answered, and the numbers are 0
    int is64;         // a 64-bit Windows (x64 or ARM64)
    BitnessSource bitnessFrom;
    VersionSource versionFrom;
    unsigned long reported[3];  // what RtlGetVersion answers (major, minor, build); zeros when it did not
};

// Fills version. The numbers come from the file version of kernel32.dll, which is the system's own
// whatever compatibility mode the program runs in; where that cannot be read, from ntdll's
// RtlGetVersion, which the manifest-based answer of GetVersionEx does not reach (a compatibility mode
// does). The word size comes from IsWow64Process2 where Windows has it, else IsWow64Process.
void ReadWindowsVersion(WindowsVersion* version);
