// Which Windows this is, as the reader type depends on it: its version as the kernel knows it and
// whether it is a 64-bit Windows, also when this process is a 32-bit one.
#pragma once

enum BitnessSource { kBitnessIsWow64Process2, kBitnessIsWow64Process, kBitnessOwnWidth, kBitnessUnknown };

struct WindowsVersion {
    unsigned long major;
    unsigned long minor;
    unsigned long build;
    int versionRead;  // 0: the kernel did not answer, and the numbers are 0
    int is64;         // a 64-bit Windows (x64 or ARM64)
    BitnessSource bitnessFrom;
};

// Fills version from ntdll's RtlGetVersion, which compatibility shims leave alone (GetVersionEx answers
// what the manifest or a shim says), and from IsWow64Process2 where Windows has it, else IsWow64Process.
void ReadWindowsVersion(WindowsVersion* version);
