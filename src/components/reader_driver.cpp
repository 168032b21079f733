// Installs the card reader driver: starts the vendor's driver installer from "Drivers" unless PC/SC
// already knows a reader of the GEMPLUS family.
#include "reader_driver.h"

#include <string.h>

#include "../../resources/texts.h"
#include "../base/bounded_text.h"
#include "../base/log.h"
#include "../base/run_mode.h"
#include "../base/system_library.h"
#include "../copy/path.h"
#include "../integrity/clean_process.h"
#include "components.h"

namespace {

const char kPattern[] = "GEMPLUS";
enum { kPatternLength = sizeof kPattern - 1 };

const char kPackageFolder[] = "Drivers";

// Indexed by driver code; a null entry or a code past the end has no driver installer.
const char* const kDriverFiles[] = {
    "twin.bat",      // 0
    "410.exe",       // 1
    "twin64.bat",    // 2
    nullptr,         // 3
    "twin8.bat",     // 4
    "twin8_64.bat",  // 5
};
enum { kDriverFileCount = sizeof kDriverFiles / sizeof kDriverFiles[0] };

// Seconds an unattended run gives the driver installer; 0 leaves it running on its own.
unsigned long g_driverWaitSeconds = 0;

typedef LONG(WINAPI* ListReadersFn)(ULONG_PTR context, const char* groups, char* readers, DWORD* length);

// Asks PC/SC for its readers. Whatever fails here only means that no GEMPLUS reader was seen.
int GemplusReaderListed()
{
    int present = 0;
    HGLOBAL block = nullptr;
    ListReadersFn listReaders = nullptr;
    DWORD length = 0;
    DWORD allocated = 0;

    // Administrator rights: a winscard.dll planted in the package must never be the one that runs.
    HMODULE library = LoadSystemLibrary("winscard.dll", LoaderHasSearchFlags());
    if (!library)
        goto done;
    listReaders = (ListReadersFn)(void*)GetProcAddress(library, "SCardListReadersA");
    if (!listReaders)
        goto done;
    if (listReaders(0, nullptr, nullptr, &length) != 0 || length == 0)
        goto done;
    allocated = length;
    block = GlobalAlloc(GMEM_FIXED, allocated);
    if (!block)
        goto done;
    if (listReaders(0, nullptr, (char*)block, &length) != 0)
        goto done;
    // The service may answer a length that does not match the block it was given.
    present = ReaderListHasGemplus((const char*)block, length < allocated ? length : allocated);

done:
    if (block)
        GlobalFree(block);
    if (library)
        FreeLibrary(library);
    return present;
}

bool IsBatchFile(const char* file)
{
    int length = (int)strlen(file);
    return length > 4 && lstrcmpiA(file + length - 4, ".bat") == 0;
}

// Starts the driver installer `file` from the current directory. Unattended, it gets no console window
// and reads its keyboard from NUL, so that a "pause" left in a batch file cannot hold the run until its
// deadline; with a wait set, its exit code decides the result. Returns a ComponentResult.
int StartDriverInstaller(const char* file, char* message, int capacity)
{
    char application[kPathBuffer];
    char command[kCommandChars];
    int unattended = IsUnattended();
    // The interpreter would start even without its batch file; a missing installer must still show.
    DWORD attributes = GetFileAttributesA(file);
    int ok = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
             BuildDriverCommand(file, application, command, kCommandChars);
    if (ok && unattended && IsBatchFile(file))
        ok = AppendText(command, kCommandChars, " <nul");
    unsigned long code = 0;
    unsigned long waitSeconds = unattended ? g_driverWaitSeconds : 0;
    int started = ok ? StartCleanProcessWaiting(application, command, unattended ? CREATE_NO_WINDOW : 0,
                                                waitSeconds * 1000, waitSeconds ? &code : nullptr)
                     : kNotStarted;
    if (started == kNotStarted) {
        if (message)
            FormatText(message, capacity, kMsgDriverStartFormat, file);
        return kResultError;
    }
    if (started == kStillRunning) {
        LogFormat(kLogDriverStillRunningFormat, file, waitSeconds);
        if (message)
            FormatText(message, capacity, kMsgDriverStillRunningFormat, file, waitSeconds);
        return kResultError;
    }
    if (!waitSeconds)
        return kResultOk;
    LogFormat(kLogDriverEndedFormat, file, code);
    // A restart is what every run asks for anyway.
    if (code == 0 || code == ERROR_SUCCESS_REBOOT_REQUIRED || code == ERROR_SUCCESS_REBOOT_INITIATED)
        return kResultOk;
    if (message)
        FormatText(message, capacity, kMsgDriverFailedFormat, file, code);
    return kResultError;
}

}  // namespace

int ReaderListHasGemplus(const char* list, unsigned long length)
{
    const unsigned char* bytes = (const unsigned char*)list;
    unsigned long position = 0;
    unsigned long matched = 0;
    while (position < length && matched < kPatternLength) {
        // Folding bit 0x20 makes letters caseless; a NUL or a byte with the high bit never matches.
        if ((bytes[position] | 0x20) == ((unsigned char)kPattern[matched] | 0x20)) {
            ++position;
            ++matched;
        } else if (matched == 0) {
            ++position;
        } else {
            position = position - matched + 1;
            matched = 0;
        }
    }
    return matched == kPatternLength;
}

int BuildDriverCommand(const char* file, char* application, char* commandLine, int capacity)
{
    if (IsBatchFile(file)) {
        // The system's own interpreter, never COMSPEC's; /d keeps the user's AutoRun command out. The
        // ".\" keeps cmd from looking for the file along PATH, which it does when the user's
        // environment holds NoDefaultCurrentDirectoryInExePath.
        return ReadSystemDirectory(application) && JoinPath(application, "cmd.exe") &&
               FormatText(commandLine, capacity, "\"%s\" /d /c .\\%s", application, file);
    }
    DWORD n = GetCurrentDirectoryA(kPathBuffer, application);
    return n > 0 && n < kPathBuffer && JoinPath(application, file) &&
           FormatText(commandLine, capacity, "\"%s\"", application);
}

void SetDriverWait(unsigned long seconds)
{
    g_driverWaitSeconds = seconds;
}

int InstallReaderDriver(unsigned driverCode, char* message, int capacity)
{
    int result = kResultOk;
    const char* text = nullptr;
    if (GemplusReaderListed()) {
        result = kResultWarning;
        text = kMsgGemplusPresent;
    } else if (!SetCurrentDirectoryA(kPackageFolder)) {
        result = kResultError;
        text = kMsgIncomplete;
    } else {
        const char* file = driverCode < kDriverFileCount ? kDriverFiles[driverCode] : nullptr;
        if (!file) {
            result = kResultError;
            text = kMsgInvalidReaderType;
        } else {
            result = StartDriverInstaller(file, message, capacity);
        }
        SetCurrentDirectoryA("..");
    }
    if (message && text)
        CopyText(message, capacity, text);
    return result;
}
