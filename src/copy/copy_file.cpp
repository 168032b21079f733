// CopyFileChecked: overwrite copy, read-only clearing, the identical-file test and the conflict prompt.
#include "copy_file.h"

#include <stdio.h>
#include <wchar.h>
#include <windows.h>

#include "../../resources/texts.h"
#include "../base/log.h"
#include "../base/run_mode.h"
#include "../base/ui_text.h"
#include "../base/bounded_text.h"
#include "path.h"
#include "restart_operations.h"

namespace {

enum { kFormatChars = 512, kNameChars = 512 };

const wchar_t kCutMark[] = L"...";
const int kCutMarkChars = 3;

// Keeps the last `keep` characters of name, marked as cut, when name is longer than that.
void ShortenFromFront(wchar_t* name, int keep)
{
    int n = (int)wcslen(name);
    if (n <= keep)
        return;
    if (keep <= kCutMarkChars) {
        name[keep > 0 ? keep : 0] = L'\0';
        return;
    }
    int tail = keep - kCutMarkChars;
    wmemmove(name + kCutMarkChars, name + n - tail, (size_t)tail + 1);
    wmemcpy(name, kCutMark, kCutMarkChars);
}

int Format(wchar_t* text, const wchar_t* format, const wchar_t* sourceName, const ConflictFileFacts& s,
           const wchar_t* destName, const ConflictFileFacts& d)
{
    int n = _snwprintf(text, kConflictTextChars, format, sourceName, s.size, s.year, s.month, s.day, s.hour,
                       s.minute, s.second, destName, d.size, d.year, d.month, d.day, d.hour, d.minute, d.second);
    text[kConflictTextChars - 1] = L'\0';
    return n;
}

void ReadFacts(const char* name, const BY_HANDLE_FILE_INFORMATION& info, ConflictFileFacts* facts)
{
    SYSTEMTIME time = {};
    FileTimeToSystemTime(&info.ftLastWriteTime, &time);  // UTC on purpose: no local-time conversion
    facts->name = name;
    facts->size = ((unsigned long long)info.nFileSizeHigh << 32) | info.nFileSizeLow;
    facts->year = time.wYear;
    facts->month = time.wMonth;
    facts->day = time.wDay;
    facts->hour = time.wHour;
    facts->minute = time.wMinute;
    facts->second = time.wSecond;
}

HANDLE OpenForReading(const char* name)
{
    return CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void ClearReadOnly(const char* name)
{
    // The copy carries the source's read-only bit over; only then is there anything to write back,
    // and a tree copy of thousands of files should not pay a second file-system call for each.
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(name, attributes & ~FILE_ATTRIBUTE_READONLY);
}

// Asks the user about a conflict. Unattended, nobody can answer: the text goes into the log and the
// answer is none, which the caller counts as a failed copy, never as Ignore.
int AskAboutConflict(const wchar_t* text)
{
    if (IsUnattended()) {
        char logged[kConflictTextChars];
        NarrowToProgramText(text, logged, kConflictTextChars);
        LogLine(kConflictCaption);
        LogLine(logged);
        return 0;
    }
    // Task-modal: the dialog is disabled while the prompt is up and cannot be raised over it.
    return ShowMessageWide(nullptr, text, kConflictCaption,
                           MB_ABORTRETRYIGNORE | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_TASKMODAL | MB_SETFOREGROUND);
}

// Nobody is there to answer, so a destination in use is replaced at the restart, which the unattended run
// asks for anyway. The new file waits in the destination's folder, on the same volume, so that the restart
// only renames it. Returns 1 when it waits.
int PlaceForRestart(const char* source, const char* destination)
{
    char waiting[kPathBuffer];
    if (!WaitingFileName(destination, waiting) || !CopyFileA(source, waiting, FALSE))
        return 0;
    ClearReadOnly(waiting);
    // An earlier run's operations on the destination go first, or the restart would carry them out after ours.
    if (WithdrawAtRestart(destination, nullptr) == kWithdrawFailed || !ReplaceAtRestart(waiting, destination)) {
        DeleteFileA(waiting);
        return 0;
    }
    char named[kPathBuffer];
    LogFormat(kLogReplaceAtRestartFormat, RestartPathName(destination, named) ? named : destination);
    return 1;
}

// The destination is now the package's: what an earlier run left for the restart must not undo it, and a
// file an earlier unattended run left waiting for it has nothing left to replace.
int Claim(const char* destination, int flags)
{
    char waiting[kPathBuffer];
    if (!(flags & kCopyForRestart))
        return kCopyDone;
    WithdrawAtRestart(destination, nullptr);
    if (WaitingFileName(destination, waiting))
        DeleteFileA(waiting);
    return kCopyDone;
}

}  // namespace

int WaitingFileName(const char* destination, char* waiting)
{
    return FormatText(waiting, kPathBuffer, "%s.ocf-new", destination);
}

void ComposeConflictText(const ConflictFileFacts& source, const ConflictFileFacts& destination, wchar_t* text)
{
    wchar_t format[kFormatChars];
    WidenProgramText(kConflictFormat, format, kFormatChars);
    // File names come from the file system in the system's code page, not in the program's.
    wchar_t sourceName[kNameChars];
    wchar_t destName[kNameChars];
    WidenSystemText(source.name, sourceName, kNameChars);
    WidenSystemText(destination.name, destName, kNameChars);

    int n = Format(text, format, sourceName, source, destName, destination);
    if (n >= 0 && n < kConflictTextChars)
        return;

    // Too long: measure the text without the names and share the room left between them.
    int fixed = Format(text, format, L"", source, L"", destination);
    int room = kConflictTextChars - 1 - (fixed > 0 ? fixed : 0);
    int sourceLen = (int)wcslen(sourceName);
    int destLen = (int)wcslen(destName);
    int sourceKeep = room / 2;
    int destKeep = room - sourceKeep;
    // A short name gives its unused share to the other.
    if (sourceLen < sourceKeep) {
        destKeep += sourceKeep - sourceLen;
        sourceKeep = sourceLen;
    } else if (destLen < destKeep) {
        sourceKeep += destKeep - destLen;
        destKeep = destLen;
    }
    ShortenFromFront(sourceName, sourceKeep);
    ShortenFromFront(destName, destKeep);
    Format(text, format, sourceName, source, destName, destination);
}

int CopyFileChecked(const char* source, const char* destination, int flags)
{
    for (;;) {
        if (CopyFileA(source, destination, FALSE)) {
            ClearReadOnly(destination);
            return Claim(destination, flags);
        }

        int status = kCopyDone;
        int answer = 0;
        HANDLE sourceFile = OpenForReading(source);
        HANDLE destFile = OpenForReading(destination);
        BY_HANDLE_FILE_INFORMATION sourceInfo = {}, destInfo = {};
        if (sourceFile == INVALID_HANDLE_VALUE || destFile == INVALID_HANDLE_VALUE ||
            !GetFileInformationByHandle(sourceFile, &sourceInfo) || !GetFileInformationByHandle(destFile, &destInfo)) {
            status = kCopyFailed;
        } else if ((flags & kCopySkipIdentical) &&
                   sourceInfo.ftLastWriteTime.dwLowDateTime == destInfo.ftLastWriteTime.dwLowDateTime &&
                   sourceInfo.ftLastWriteTime.dwHighDateTime == destInfo.ftLastWriteTime.dwHighDateTime &&
                   sourceInfo.nFileSizeLow == destInfo.nFileSizeLow && sourceInfo.nFileSizeHigh == destInfo.nFileSizeHigh) {
            status = Claim(destination, flags);
        } else if ((flags & kCopyForRestart) && IsUnattended() && PlaceForRestart(source, destination)) {
            status = kCopyDone;
        } else {
            ConflictFileFacts sourceFacts, destFacts;
            ReadFacts(source, sourceInfo, &sourceFacts);
            ReadFacts(destination, destInfo, &destFacts);
            wchar_t text[kConflictTextChars];
            ComposeConflictText(sourceFacts, destFacts, text);
            answer = AskAboutConflict(text);
            if (answer == IDABORT) {
                status = kCopyAborted;
            } else if (answer != IDRETRY && answer != IDIGNORE) {
                // The prompt could not be shown (0, or -1 under Wine): nobody chose Ignore, and the
                // destination was not replaced.
                status = kCopyFailed;
            }
        }
        if (sourceFile != INVALID_HANDLE_VALUE)
            CloseHandle(sourceFile);
        if (destFile != INVALID_HANDLE_VALUE)
            CloseHandle(destFile);
        if (answer != IDRETRY)
            return status;
        // Only now that our own two handles are closed: they do not share deletion, and Windows would
        // refuse to delete the destination while they are open.
        SetFileAttributesA(destination, destInfo.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
        DeleteFileA(destination);
    }
}
