// The program's switches, in the style of NSIS and Inno Setup: /S runs without any window, /READER=n,
// /NODRIVER, /NOJAVA, /DRIVERWAIT=seconds and /LOG=path shape that run, /UNINSTALL takes an
// installation back, /? shows the usage. Case-insensitive.
#pragma once

#include <wchar.h>

enum { kLogPathChars = 1024, kArgumentChars = 1024, kBadSwitchChars = 80, kDefaultDriverWait = 600 };

struct CommandLine {
    int silent;       // /S
    int help;         // /?
    int readerIndex;  // list index of the reader type, 0 to 3 (/READER=1 to 4); -1: not given
    unsigned long driverWait;  // /DRIVERWAIT: seconds to wait for the driver installer; kDefaultDriverWait
    int noDriver;     // /NODRIVER
    int noJava;       // /NOJAVA
    int uninstall;    // /UNINSTALL
    wchar_t logPath[kLogPathChars];  // /LOG as a full path; empty: the dated file in %TEMP%
    wchar_t bad[kBadSwitchChars];    // the first argument not understood, cut to fit; empty if none
};

// Parses a whole command line as GetCommandLineW gives it, the program's name first. Returns 1 when
// every argument was understood. Otherwise returns 0 with `bad` set; the switches that were understood
// (/S and /LOG above all) are still filled in, so that the refusal can be logged where it belongs.
// Relative /LOG paths are taken from the current directory, so call it before changing that.
int ParseCommandLine(const wchar_t* commandLine, CommandLine* parsed);
