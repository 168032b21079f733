// Netscape 4.x components: the OCF jar tree and the PC/SC bridge library into the browser's Java
// folders, and the OCF properties file into every user profile beside the installation.
#include "netscape.h"

#include <direct.h>
#include <string.h>
#include <windows.h>

#include "../../resources/texts.h"
#include "../base/bounded_text.h"
#include "../copy/copy_file.h"
#include "../copy/copy_tree.h"
#include "../copy/path.h"
#include "components.h"

namespace {

enum NetscapeFailure { kNsNone, kNsPackageMissing, kNsNotFound, kNsCopy, kNsProfiles };

const char kNetscapeKey[] = "Software\\Netscape\\Netscape Navigator\\Main";
const char kInstallDirValue[] = "Install Directory";
const char kBridgeLibrary[] = "ocfpcsc1.dll";
const char kProperties[] = "opencard.properties";

// Reads the installation directory; 0 when the value is missing, empty or longer than a path.
int ReadInstallDir(HKEY key, char* installDir)
{
    DWORD size = kPathBuffer;
    if (RegQueryValueExA(key, kInstallDirValue, nullptr, nullptr, (BYTE*)installDir, &size) != ERROR_SUCCESS)
        return 0;
    // A stored string need not carry its terminator; one that fills the buffer without it is too long.
    if (size == 0 || (size == (DWORD)kPathBuffer && installDir[kMaxPathChars] != '\0'))
        return 0;
    installDir[size < (DWORD)kPathBuffer ? size : (DWORD)kMaxPathChars] = '\0';
    // An empty directory would put the class files below the package folder itself.
    return installDir[0] != '\0';
}

}  // namespace

int BuildProfilePattern(const char* installDir, char* pattern)
{
    pattern[0] = '\0';
    int n = (int)strnlen(installDir, kPathBuffer);
    if (n > kMaxPathChars)
        return 0;
    // The parent keeps its backslash; a trailing backslash of the directory itself does not count.
    int cut = n - 2;
    while (cut >= 0 && installDir[cut] != '\\')
        --cut;
    if (cut < 0)
        return 0;
    memcpy(pattern, installDir, (size_t)cut + 1);
    pattern[cut + 1] = '\0';
    if (!JoinPath(pattern, "Users\\*")) {
        pattern[0] = '\0';
        return 0;
    }
    return 1;
}

int InstallNetscapeComponents(char* message, int capacity)
{
    int profilesFound = 0;
    int profilesCopied = 0;
    int aborted = 0;
    int failure = kNsNone;
    int status = kCopyDone;
    int bridgeFits = 0;
    char failedName[kPathBuffer] = "";
    char installDir[kPathBuffer];
    char path[kPathBuffer];
    HKEY key = nullptr;
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA entry;

    if (_chdir("ns") != 0) {
        failure = kNsPackageMissing;
        goto report;
    }
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kNetscapeKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        key = nullptr;
        failure = kNsNotFound;
        goto leave;
    }
    if (!ReadInstallDir(key, installDir)) {
        failure = kNsNotFound;
        goto leave;
    }

    // The class folder belongs to the browser: it is filled, never created.
    if (!BuildPath(path, installDir, "Program\\java\\classes")) {
        status = kCopyNoSubfolder;
        CopyText(failedName, kPathBuffer, path);
        failure = kNsCopy;
        goto leave;
    }
    status = CopyTree("jars\\*", path, 1, failedName);
    if (status == kCopyAborted) {
        aborted = 1;
        goto leave;
    }
    if (status != kCopyDone) {
        failure = kNsCopy;
        goto leave;
    }

    bridgeFits = BuildPath(path, installDir, "Program\\java\\bin\\ocfpcsc1.dll");
    status = bridgeFits ? CopyFileChecked(kBridgeLibrary, path, 0) : (int)kCopyFailed;
    if (status == kCopyAborted) {
        aborted = 1;
        goto leave;
    }
    if (status != kCopyDone) {
        // A destination that does not fit is named as far as it fits, a failed copy by the library.
        CopyText(failedName, kPathBuffer, bridgeFits ? kBridgeLibrary : path);
        failure = kNsCopy;
        goto leave;
    }

    // Profiles: every plain folder below Users. A folder with any further attribute is not one.
    if (BuildProfilePattern(installDir, path))
        find = FindFirstFileA(path, &entry);
    if (find != INVALID_HANDLE_VALUE) {
        path[strlen(path) - 1] = '\0';  // the folder of the listing, without its "*"
        do {
            if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0)
                continue;
            if (entry.dwFileAttributes != FILE_ATTRIBUTE_DIRECTORY)
                continue;
            ++profilesFound;
            char profileFile[kPathBuffer];
            int fits = BuildPath(profileFile, path, entry.cFileName) && JoinPath(profileFile, ".opencard.properties");
            int copied = fits ? CopyFileChecked(kProperties, profileFile, 0) : (int)kCopyFailed;
            if (copied == kCopyAborted) {
                aborted = 1;
                break;
            }
            if (copied == kCopyDone)
                ++profilesCopied;
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    if (profilesFound <= 0 || profilesCopied < profilesFound)
        failure = kNsProfiles;

leave:
    if (key)
        RegCloseKey(key);
    _chdir("..");
report:
    if (aborted) {
        CopyText(message, capacity, kMsgUserAbort);
        return kResultAborted;
    }
    switch (failure) {
    case kNsPackageMissing:
        CopyText(message, capacity, kMsgIncomplete);
        return kResultError;
    case kNsNotFound:
        CopyText(message, capacity, kMsgNetscapeNotFound);
        return kResultWarning;
    case kNsCopy:
        FormatText(message, capacity, kMsgCopyErrorFormat, status, failedName);
        return kResultError;
    case kNsProfiles:
        if (profilesFound <= 0) {
            CopyText(message, capacity, kMsgNetscapeNoProfile);
            return kResultError;
        }
        FormatText(message, capacity, kMsgNetscapePartialFormat, profilesCopied, profilesFound);
        return kResultWarning;
    default:
        return kResultOk;
    }
}
