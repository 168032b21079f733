// Internet Explorer components: the package's OCF tree into the Windows directory's "java\lib" and
// the PC/SC bridge library into the system directory.
#include <direct.h>
#include <windows.h>

#include "../../resources/texts.h"
#include "../base/bounded_text.h"
#include "../copy/copy_file.h"
#include "../copy/copy_tree.h"
#include "../copy/path.h"
#include "components.h"

namespace {

enum IeError { kIeNone, kIePackageMissing, kIeNoDirectory, kIeCopy };

const char kBridgeLibrary[] = "ocfpcsc1.dll";
// The other build of the bridge library, offered when the user refuses the first one's conflict.
const char kBridgeLibraryAlternative[] = "ocfpcsc164.dll";

}  // namespace

int InstallIeComponents(char* message, int capacity)
{
    int aborted = 0;
    int error = kIeNone;
    int status = kCopyDone;
    char failedName[kPathBuffer] = "";
    char path[kPathBuffer];

    if (_chdir("msie") != 0) {
        error = kIePackageMissing;
        goto report;
    }

    if (!ReadWindowsDirectory(path)) {
        error = kIeNoDirectory;
        goto leave;
    }
    if (!JoinPath(path, "java\\lib")) {
        status = kCopyNoSubfolder;
        CopyText(failedName, kPathBuffer, path);
        error = kIeCopy;
        goto leave;
    }
    // An existing folder is fine; one that cannot be made shows up as the tree copy's failure.
    CreateDirectoryA(path, nullptr);
    status = CopyTree("ocf\\*", path, 1, failedName);
    if (status == kCopyAborted) {
        aborted = 1;
        goto leave;
    }
    if (status != kCopyDone) {
        error = kIeCopy;
        goto leave;
    }

    if (!ReadSystemDirectory(path)) {
        error = kIeNoDirectory;
        goto leave;
    }
    if (!JoinPath(path, kBridgeLibrary)) {
        status = kCopyFailed;
        CopyText(failedName, kPathBuffer, path);
        error = kIeCopy;
        goto leave;
    }
    // The library may be loaded by a running browser: an identical copy in place is good enough.
    status = CopyFileChecked(kBridgeLibrary, path, kCopySkipIdentical);
    if (status == kCopyAborted)
        status = CopyFileChecked(kBridgeLibraryAlternative, path, kCopySkipIdentical);
    if (status == kCopyAborted) {
        aborted = 1;
    } else if (status != kCopyDone) {
        CopyText(failedName, kPathBuffer, kBridgeLibrary);
        error = kIeCopy;
    }

leave:
    _chdir("..");
report:
    if (aborted) {
        CopyText(message, capacity, kMsgUserAbort);
        return kResultAborted;
    }
    switch (error) {
    case kIePackageMissing:
        CopyText(message, capacity, kMsgIncomplete);
        return kResultError;
    case kIeNoDirectory:
        CopyText(message, capacity, kMsgNoSystemDir);
        return kResultError;
    case kIeCopy:
        FormatText(message, capacity, kMsgCopyErrorFormat, status, failedName);
        return kResultError;
    default:
        return kResultOk;
    }
}
