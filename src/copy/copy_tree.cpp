// CopyTree: depth-first, pre-order walk over FindFirstFileA/FindNextFileA, stopping at the first failure.
#include "copy_tree.h"

#include <string.h>
#include <windows.h>

#include "../base/bounded_text.h"
#include "copy_file.h"
#include "path.h"

namespace {

bool IsDotEntry(const char* name)
{
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

void SetFailedPath(char* failedPath, const char* path)
{
    if (failedPath)
        CopyText(failedPath, kPathBuffer, path);
}

}  // namespace

int CopyTree(const char* pattern, const char* destDir, int recurse, char* failedPath)
{
    if (failedPath)
        failedPath[0] = '\0';

    // Directory prefix (up to and including the last backslash) and the wildcard after it.
    const char* lastSlash = strrchr(pattern, '\\');
    const char* wildcard = lastSlash ? lastSlash + 1 : pattern;
    int prefixLength = (int)(wildcard - pattern);
    if (prefixLength > kMaxPathChars)
        return kCopyNothingMatched;  // no entry of it could be named: nothing can match
    char prefix[kPathBuffer] = ".\\";  // a pattern without a folder lists the working directory
    if (prefixLength > 0) {
        memcpy(prefix, pattern, (size_t)prefixLength);
        prefix[prefixLength] = '\0';
    }

    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE)
        return kCopyNothingMatched;

    int status = kCopyDone;
    do {
        if (IsDotEntry(entry.cFileName))
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A junction or folder link leads out of the tree, possibly to a folder the package
            // does not own: it is not followed.
            if (!recurse || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                continue;
            char destSubdir[kPathBuffer];
            char nestedPattern[kPathBuffer];
            // Both names are settled before anything is created, so a cut one never reaches the disk.
            if (!BuildPath(destSubdir, destDir, entry.cFileName)) {
                SetFailedPath(failedPath, destSubdir);
                status = kCopyNoSubfolder;
                break;
            }
            if (!BuildPath(nestedPattern, prefix, entry.cFileName) || !JoinPath(nestedPattern, wildcard)) {
                SetFailedPath(failedPath, nestedPattern);
                status = kCopyNoSubfolder;
                break;
            }
            if (!CreateDirectoryA(destSubdir, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
                SetFailedPath(failedPath, destSubdir);
                status = kCopyNoSubfolder;
                break;
            }
            status = CopyTree(nestedPattern, destSubdir, 1, failedPath);
            if (status != kCopyDone)
                break;
        } else {
            char source[kPathBuffer];
            char destination[kPathBuffer];
            int fits = BuildPath(source, prefix, entry.cFileName);
            fits = fits && BuildPath(destination, destDir, entry.cFileName);
            status = fits ? CopyFileChecked(source, destination, 0) : (int)kCopyFailed;
            if (status != kCopyDone) {
                SetFailedPath(failedPath, source);
                break;
            }
        }
    } while (FindNextFileA(find, &entry));

    if (status == kCopyDone && GetLastError() != ERROR_NO_MORE_FILES)
        status = kCopyNothingMatched;
    FindClose(find);
    return status;
}
