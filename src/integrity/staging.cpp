// Staging of the package below the Windows directory's Temp folder, and the clean-up of earlier runs.
#include "staging.h"

#include <windows.h>

#include <sddl.h>
#include <string.h>

#include "../../resources/texts.h"
#include "../base/bounded_text.h"
#include "../base/log.h"
#include "../copy/restart_operations.h"
#include "clean_process.h"
#include "cng.h"
#include "folder_trust.h"

const char kStagingFolderSddl[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
const char kStagingPrefix[] = "ocfinst-";
const char kStartedProgramsTemp[] = "temp";

namespace {

// In the order of the PackageFolders bits.
const char* const kPackageFolders[] = {"msie", "ns", "sun", "Drivers"};

enum {
    kRandomBytes = 16,
    kNameChars = 48,
    kNameAttempts = 3,
    kCopyChunk = 16384,
    kMaxTreeDepth = 16,  // far deeper than any package tree; bounds what a planted tree can make us do
};

enum FileOutcome { kFileStaged, kFileUnreadable, kFileDiffers, kFileNotWritten };

int MakeRandomName(char* name, int capacity)
{
    unsigned char random[kRandomBytes];
    if (BCryptGenRandom(nullptr, random, sizeof random, kCngSystemPreferredRng) != 0)
        return 0;
    int ok = CopyText(name, capacity, kStagingPrefix);
    for (unsigned char byte : random) {
        char hex[3];
        FormatText(hex, sizeof hex, "%02x", byte);
        ok = ok && AppendText(name, capacity, hex);
    }
    return ok;
}

int IsStagingName(const char* name)
{
    size_t prefix = strlen(kStagingPrefix);
    if (_strnicmp(name, kStagingPrefix, prefix) != 0 || strlen(name) != prefix + 2 * kRandomBytes)
        return 0;
    return strspn(name + prefix, "0123456789abcdefABCDEF") == 2 * kRandomBytes;
}

int CreateProtectedFolder(const char* path)
{
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kStagingFolderSddl, SDDL_REVISION_1,
                                                              &attributes.lpSecurityDescriptor, nullptr))
        return 0;
    BOOL made = CreateDirectoryA(path, &attributes);
    DWORD error = GetLastError();
    LocalFree(attributes.lpSecurityDescriptor);
    SetLastError(error);
    return made != FALSE;
}

// Creates the folders of a file path below its first `keep` characters, which must exist.
int MakeParentFolders(char* path, int keep)
{
    for (int i = keep; path[i]; ++i) {
        if (path[i] != '\\')
            continue;
        path[i] = '\0';
        int made = CreateDirectoryA(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
        path[i] = '\\';
        if (!made)
            return 0;
    }
    return 1;
}

// Copies source into a new file and hashes exactly the bytes it writes, with writers to the source
// shut out meanwhile: what is checked is what was staged.
FileOutcome StageFile(const char* source, const char* destination, const unsigned char expected[kSha256Bytes])
{
    FileOutcome outcome = kFileUnreadable;
    HANDLE out = INVALID_HANDLE_VALUE;
    Sha256 hash = {nullptr, nullptr};
    unsigned char digest[kSha256Bytes];
    unsigned char chunk[kCopyChunk];
    DWORD got = 0;
    DWORD put = 0;
    FILETIME written;
    HANDLE in = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                            nullptr);
    if (in == INVALID_HANDLE_VALUE)
        goto done;
    outcome = kFileNotWritten;
    out = CreateFileA(destination, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE || !BeginSha256(&hash))
        goto done;
    for (;;) {
        if (!ReadFile(in, chunk, sizeof chunk, &got, nullptr)) {
            outcome = kFileUnreadable;
            goto done;
        }
        if (got == 0)
            break;
        if (!UpdateSha256(&hash, chunk, got) || !WriteFile(out, chunk, got, &put, nullptr) || put != got)
            goto done;
    }
    // The package file's own time: the checked copy's identical-file test compares it with what an
    // earlier installation put into place.
    if (GetFileTime(in, nullptr, nullptr, &written))
        SetFileTime(out, nullptr, nullptr, &written);
    if (!FinishSha256(&hash, digest))
        goto done;
    outcome = memcmp(digest, expected, kSha256Bytes) == 0 ? kFileStaged : kFileDiffers;

done:
    FinishSha256(&hash, digest);  // releases what an early exit left open
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    if (in != INVALID_HANDLE_VALUE)
        CloseHandle(in);
    return outcome;
}

// Stages one package folder under a working name and gives it its real name only when complete, so
// that a component finds its folder whole or not at all.
int StagePackageFolder(const PackageHashTable& table, const char* sourceRoot, const char* root, const char* folder)
{
    char work[kPathBuffer];
    char complete[kPathBuffer];
    char workName[kNameChars];
    FormatText(workName, sizeof workName, "~%s", folder);
    if (!BuildPath(work, root, workName) || !BuildPath(complete, root, folder) || !CreateDirectoryA(work, nullptr)) {
        LogFormat(kLogFolderLeftOutFormat, folder);
        return 0;
    }
    size_t folderChars = strlen(folder);
    int staged = 0;
    int failed = 0;
    for (int i = 0; i < table.count; ++i) {
        const char* path = table.files[i].path;
        if (_strnicmp(path, folder, folderChars) != 0 || path[folderChars] != '\\')
            continue;
        char source[kPathBuffer];
        char destination[kPathBuffer];
        FileOutcome outcome = kFileUnreadable;
        if (BuildPath(source, sourceRoot, path)) {
            outcome = kFileNotWritten;
            if (BuildPath(destination, work, path + folderChars + 1) &&
                MakeParentFolders(destination, (int)strlen(work) + 1))
                outcome = StageFile(source, destination, table.files[i].sha256);
        }
        if (outcome == kFileStaged) {
            ++staged;
            continue;
        }
        ++failed;
        const char* format = outcome == kFileDiffers     ? kLogFileDiffersFormat
                             : outcome == kFileUnreadable ? kLogFileUnreadableFormat
                                                          : kLogFileNotWrittenFormat;
        LogFormat(format, path);
    }
    if (failed == 0 && staged > 0 && MoveFileA(work, complete)) {
        LogFormat(kLogFolderStagedFormat, folder, staged);
        return 1;
    }
    LogFormat(kLogFolderLeftOutFormat, folder);
    RemoveTreeWithoutFollowing(work);
    return 0;
}

// Opened for listing with delete sharing refused: while the handle is open nobody can rename, delete
// or replace the folder, so the paths below it that the removal uses keep naming what was checked.
// Windows records the sharing of a handle only when it asks for data access, hence the listing right.
HANDLE HoldFolder(const char* path)
{
    return CreateFileA(path, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

int RemoveTreeAt(const char* path, int depth, DWORD listed);

// Empties a folder that the caller holds: files and links go by their own names, folders depth first.
void RemoveContents(const char* path, int depth)
{
    char pattern[kPathBuffer];
    WIN32_FIND_DATAA entry;
    HANDLE find = depth < kMaxTreeDepth && BuildPath(pattern, path, "*") ? FindFirstFileA(pattern, &entry)
                                                                           : INVALID_HANDLE_VALUE;
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        char child[kPathBuffer];
        if (strcmp(entry.cFileName, ".") != 0 && strcmp(entry.cFileName, "..") != 0 &&
            BuildPath(child, path, entry.cFileName))
            RemoveTreeAt(child, depth + 1, entry.dwFileAttributes);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

// `listed`: the attributes the folder listing gave path. A link it shows is never entered, whatever the
// handle says: Wine opens a host link's target even when asked for the link itself.
int RemoveTreeAt(const char* path, int depth, DWORD listed)
{
    HANDLE self = HoldFolder(path);
    if (self == INVALID_HANDLE_VALUE)
        return 0;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(self, &info)) {
        CloseHandle(self);
        return 0;
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(self);
        return DeleteFileA(path) != FALSE;  // a file or a link to one: the name goes, never a target
    }
    if (!((info.dwFileAttributes | listed) & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveContents(path, depth);
    CloseHandle(self);
    // A junction or directory link is removed itself, whatever lies behind it; a folder that kept some
    // content refuses, and that is the answer.
    return RemoveDirectoryA(path) != FALSE;
}

// An earlier run's folder goes only when, on the handle held while its content goes, it is a plain folder
// that this program made: anyone may make a folder of that name below Temp and choose what it holds.
// Returns a FolderTrust; *removed tells whether the folder is gone.
int RemoveIfMadeByInstaller(const char* path, int* removed)
{
    *removed = 0;
    HANDLE self = HoldFolder(path);
    if (self == INVALID_HANDLE_VALUE)
        return kTrustUnreadable;
    int reason = CheckMadeByInstaller(self);
    if (reason == kTrustOk)
        RemoveContents(path, 0);
    CloseHandle(self);
    if (reason == kTrustOk)
        *removed = RemoveDirectoryA(path) != FALSE;
    return reason;
}

// A folder that another process holds (a running instance holds its staged root) cannot be opened for
// deletion; it is left whole.
int InUse(const char* path)
{
    HANDLE probe = CreateFileA(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return 1;
    CloseHandle(probe);
    return 0;
}

int MarkTreeAt(const char* path, int depth)
{
    int all = 1;
    char pattern[kPathBuffer];
    WIN32_FIND_DATAA entry;
    HANDLE find = depth < kMaxTreeDepth && BuildPath(pattern, path, "*") ? FindFirstFileA(pattern, &entry)
                                                                           : INVALID_HANDLE_VALUE;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            char child[kPathBuffer];
            if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0)
                continue;
            if (!BuildPath(child, path, entry.cFileName))
                all = 0;
            else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                     !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                all = MarkTreeAt(child, depth + 1) && all;
            else
                all = MoveFileExA(child, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) && all;
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    // Windows removes a folder at restart only when it is empty by then: its content comes first.
    return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) && all;
}

}  // namespace

int StagePackage(const PackageHashTable& table, const char* sourceRoot, const char* parent, unsigned folders,
                 StagedPackage* staged)
{
    staged->root[0] = '\0';
    staged->hold = INVALID_HANDLE_VALUE;
    int made = 0;
    for (int attempt = 0; attempt < kNameAttempts && !made; ++attempt) {
        char name[kNameChars];
        if (!MakeRandomName(name, sizeof name) || !BuildPath(staged->root, parent, name))
            break;
        made = CreateProtectedFolder(staged->root);
        // A folder of that name that already exists was not made by this run: only another name will do.
        if (!made && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (!made) {
        staged->root[0] = '\0';
        LogFormat(kLogStagingFailedFormat, parent);
        return 0;
    }
    staged->hold = HoldFolder(staged->root);
    LogFormat(kLogStagingFolderFormat, sourceRoot, staged->root);
    for (unsigned i = 0; i < sizeof kPackageFolders / sizeof kPackageFolders[0]; ++i) {
        if (folders & (1u << i))
            StagePackageFolder(table, sourceRoot, staged->root, kPackageFolders[i]);
    }
    return 1;
}

int StagePackageForRun(unsigned folders, StagedPackage* staged)
{
    char source[kPathBuffer];
    char parent[kPathBuffer];
    staged->root[0] = '\0';
    staged->hold = INVALID_HANDLE_VALUE;
    DWORD n = GetCurrentDirectoryA(kPathBuffer, source);
    if (n == 0 || n >= kPathBuffer || !ReadWindowsDirectory(parent) || !JoinPath(parent, "Temp")) {
        LogFormat(kLogStagingFailedFormat, "Temp");
        return 0;
    }
    RemoveEarlierStagings(parent);
    if (!StagePackage(kPackageHashes, source, parent, folders, staged))
        return 0;
    // The programs the run starts unpack and load what they need from their TEMP: below the staged root it
    // inherits a DACL that only SYSTEM and Administrators may change.
    char temp[kPathBuffer];
    if (BuildPath(temp, staged->root, kStartedProgramsTemp) && CreateDirectoryA(temp, nullptr))
        SetStartedProgramsTemp(temp);
    else
        LogFormat(kLogStagingFailedFormat, staged->root);
    if (!MarkTreeForDeletionAtRestart(staged->root))
        LogFormat(kLogNotMarkedFormat, staged->root);
    return 1;
}

void ReleaseStagedPackage(StagedPackage* staged)
{
    SetStartedProgramsTemp(nullptr);
    if (staged->hold != INVALID_HANDLE_VALUE && staged->hold != nullptr)
        CloseHandle(staged->hold);
    staged->hold = INVALID_HANDLE_VALUE;
}

void RemoveEarlierStagings(const char* parent)
{
    char pattern[kPathBuffer];
    char name[kNameChars];
    FormatText(name, sizeof name, "%s*", kStagingPrefix);
    WIN32_FIND_DATAA entry;
    HANDLE find = BuildPath(pattern, parent, name) ? FindFirstFileA(pattern, &entry) : INVALID_HANDLE_VALUE;
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        char path[kPathBuffer];
        if (!IsStagingName(entry.cFileName) || !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            !BuildPath(path, parent, entry.cFileName))
            continue;
        int removed = 0;
        int reason = entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT ? kTrustReparsePoint
                     : InUse(path)                                          ? kTrustOk
                                                                            : RemoveIfMadeByInstaller(path, &removed);
        // Its name is free now: a folder or link made under it before the restart must not lose what it holds.
        if (removed)
            WithdrawDeletionsBelow(path);
        if (reason != kTrustOk)
            LogFormat(kLogEarlierNotOursFormat, path, FolderTrustReasonText(reason));
        else
            LogFormat(removed ? kLogEarlierRemovedFormat : kLogEarlierLeftFormat, path);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

int RemoveTreeWithoutFollowing(const char* path)
{
    return RemoveTreeAt(path, 0, GetFileAttributesA(path));
}

int MarkTreeForDeletionAtRestart(const char* path)
{
    return MarkTreeAt(path, 0);
}
