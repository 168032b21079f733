// Picks the driver an unattended run installs when nobody chose one. The dialog keeps its own default:
// there a user sees the list.
#include "reader_choice.h"

#include "../../resources/texts.h"
#include "../base/log.h"
#include "run_sequence.h"

namespace {

// The list holds the older Windows' pair first, then the Win8 pair, each 32-bit before 64-bit.
enum { kFirstWin8Index = 2, kWin64Offset = 1 };

int FromWindows8(const WindowsVersion& version)
{
    return version.versionRead && (version.major > 6 || (version.major == 6 && version.minor >= 2));
}

}  // namespace

int ReaderIndexFor(const WindowsVersion& version)
{
    return (FromWindows8(version) ? kFirstWin8Index : 0) + (version.is64 ? kWin64Offset : 0);
}

int ChooseReaderIndex(int given)
{
    if (given >= 0 && given < kReaderTypeCount) {
        LogFormat(kLogReaderGivenFormat, given + 1, kReaderTypeTable[given].name);
        return given;
    }
    WindowsVersion version;
    ReadWindowsVersion(&version);
    const char* width = version.is64 ? kWindows64Bit : kWindows32Bit;
    const char* source = kBitnessSourceTexts[version.bitnessFrom];
    // Both answers go into the log: where they differ, the program runs in a compatibility mode.
    if (version.versionFrom == kVersionKernelFile)
        LogFormat(kLogWindowsFromKernelFormat, version.major, version.minor, version.build, version.reported[0],
                  version.reported[1], version.reported[2], width, source);
    else if (version.versionRead)
        LogFormat(kLogWindowsVersionFormat, version.major, version.minor, version.build, width, source);
    else
        LogFormat(kLogWindowsVersionUnreadFormat, width, source);
    int index = ReaderIndexFor(version);
    const char* era = !version.versionRead ? kWindowsUnknownEra : FromWindows8(version) ? kWindows8OrLater
                                                                                       : kWindowsBefore8;
    LogFormat(kLogReaderChosenFormat, kReaderTypeTable[index].name, era, width);
    return index;
}
