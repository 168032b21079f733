// The log file: UTF-8 with a byte-order mark, so that Notepad and CMTrace read the Polish letters right,
// lines ended by CR LF. The program's own texts are Windows-1250, the names the system gave are in its
// own code page; both arrive here widened.
//
// The program runs elevated, and both the folder of a dated log (%TEMP% comes from the user's
// environment) and a /LOG folder may be writable by others. A name there may be a planted symbolic link
// or a second hard link to a file of someone else's choosing, which we would overwrite with our rights.
// So the final name is never followed as a link: a dated log is only ever created new, and an existing
// /LOG file is reused only when it is a plain file with no other name.
#include "log_file.h"

#include <string.h>
#include <windows.h>

#include "../../resources/texts.h"
#include "../base/bounded_text.h"
#include "../base/log.h"
#include "../base/ui_text.h"
#include "../integrity/folder_trust.h"
#include "command_line.h"
#include "version.h"

namespace {

enum {
    kChunkChars = 256,    // converted at a time: 256 UTF-16 units never take more than 768 bytes of UTF-8
    kFieldChars = 24,     // a header field written at the end: the end time or the exit code
    kDatedAttempts = 10,  // dated names tried in one second before giving up
    kUserChars = 257,     // UNLEN + 1
    kComputerChars = 64,
};

HANDLE g_file = INVALID_HANDLE_VALUE;
DWORD g_written = 0;
DWORD g_endAt = 0;
DWORD g_exitCodeAt = 0;

void Stop()
{
    SetLogSink(nullptr);
    if (g_file != INVALID_HANDLE_VALUE)
        CloseHandle(g_file);
    g_file = INVALID_HANDLE_VALUE;
}

void WriteBytes(const char* bytes, DWORD count)
{
    if (g_file == INVALID_HANDLE_VALUE || count == 0)
        return;
    DWORD done = 0;
    if (!WriteFile(g_file, bytes, count, &done, nullptr) || done != count) {
        Stop();  // a full disk or a vanished share: the run goes on without its log
        return;
    }
    g_written += done;
}

void WriteWide(const wchar_t* text, int chars)
{
    char utf8[kChunkChars * 3];
    while (chars > 0) {
        int take = chars < kChunkChars ? chars : kChunkChars;
        // Never split a surrogate pair between two chunks.
        if (take < chars && text[take - 1] >= 0xD800 && text[take - 1] <= 0xDBFF)
            --take;
        int n = WideCharToMultiByte(CP_UTF8, 0, text, take, utf8, (int)sizeof utf8, nullptr, nullptr);
        if (n > 0)
            WriteBytes(utf8, (DWORD)n);
        text += take;
        chars -= take;
    }
}

void WriteProgramText(const char* text, int bytes)
{
    wchar_t wide[kChunkChars];
    while (bytes > 0) {
        int take = bytes < kChunkChars ? bytes : kChunkChars;  // one character per byte in Windows-1250
        int n = MultiByteToWideChar(kCodePageProgram, 0, text, take, wide, kChunkChars);
        WriteWide(wide, n > 0 ? n : 0);
        text += take;
        bytes -= take;
    }
}

void EndLine()
{
    WriteBytes("\r\n", 2);
}

// The sink behind LogLine and LogFormat.
void WriteLogLine(const wchar_t* line)
{
    WriteWide(line, (int)wcslen(line));
    EndLine();
}

// A program text with line breaks of its own becomes several lines, and a break that ends it ends its last.
void WriteLines(const char* text)
{
    do {
        const char* end = strchr(text, '\n');
        int length = end ? (int)(end - text) : (int)strlen(text);
        WriteProgramText(text, length > 0 && text[length - 1] == '\r' ? length - 1 : length);
        EndLine();
        text = end ? end + 1 : nullptr;
    } while (text && *text);
}

void FormatUtcNow(char* text, int capacity)
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    FormatText(text, capacity, "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth, now.wDay, now.wHour,
               now.wMinute, now.wSecond);
}

void WriteLabeled(const char* label, const char* value)
{
    WriteProgramText(label, (int)strlen(label));
    WriteLines(value);
}

// A field whose value is known only at the end: written now as a placeholder of fixed width, and
// overwritten in place when the log is closed, so that the header stays at the top.
DWORD WriteLaterField(const char* label)
{
    char placeholder[kFieldChars + 1];
    FormatText(placeholder, kFieldChars + 1, "%-*s", kFieldChars, kLogInProgress);
    WriteProgramText(label, (int)strlen(label));
    DWORD at = g_written;
    WriteBytes(placeholder, kFieldChars);
    EndLine();
    return at;
}

void FillLaterField(DWORD at, const char* value)
{
    char field[kFieldChars + 1];
    FormatText(field, kFieldChars + 1, "%-*s", kFieldChars, value);
    if (g_file != INVALID_HANDLE_VALUE && SetFilePointer(g_file, (LONG)at, nullptr, FILE_BEGIN) == at)
        WriteBytes(field, kFieldChars);
}

// A log is written with the program's rights: every folder on its path must be out of reach of anyone who
// could rename, replace or re-link one to send the write elsewhere (C:\ProgramData and C:\Users\Public
// let any user make folders; so does the Temp of SYSTEM).
int FolderOfIsSafe(const wchar_t* path)
{
    wchar_t folder[kCheckedPathChars];
    int cut = -1;
    for (int i = 0; path[i]; ++i) {
        if (path[i] == L'\\')
            cut = i;
    }
    if (cut < 0 || cut + 1 >= kCheckedPathChars)
        return 0;
    // Keep the backslash of a drive root ("C:\").
    int keep = cut == 2 && path[1] == L':' ? cut + 1 : cut;
    memcpy(folder, path, keep * sizeof(wchar_t));
    folder[keep] = L'\0';
    union {
        SID sid;
        BYTE bytes[kAccountSidBytes];
    } account;
    return CheckPathTrust(folder, ReadInstallingAccount(&account) ? (PSID)&account : nullptr, nullptr) == kTrustOk;
}

// Where SYSTEM's own temporary files go on Windows 11 and on Windows 10 since 2022 (C:\Windows\SystemTemp,
// which users cannot even list); for any other account the same folder as GetTempPathW. Older systems
// lack it.
DWORD ReadTempFolder(wchar_t* folder, DWORD chars)
{
    typedef DWORD(WINAPI * TempPath2Fn)(DWORD, LPWSTR);
    TempPath2Fn tempPath2 = (TempPath2Fn)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W");
    return tempPath2 ? tempPath2(chars, folder) : GetTempPathW(chars, folder);
}

HANDLE CreateNew(const wchar_t* path)
{
    return CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// %TEMP%\instalator-YYYYMMDD-HHMMSS.log, or with -2 to -10 after the time when that name is taken.
HANDLE CreateDatedLog()
{
    wchar_t folder[kLogPathChars];
    wchar_t path[kLogPathChars];
    DWORD n = ReadTempFolder(folder, kLogPathChars);
    if (n == 0 || n >= kLogPathChars)
        return INVALID_HANDLE_VALUE;
    SYSTEMTIME now;
    GetSystemTime(&now);
    for (int attempt = 1; attempt <= kDatedAttempts; ++attempt) {
        wchar_t suffix[8] = L"";
        if (attempt > 1)
            FormatWideText(suffix, 8, L"-%d", attempt);
        if (!FormatWideText(path, kLogPathChars, L"%lsinstalator-%04u%02u%02u-%02u%02u%02u%ls.log", folder,
                            now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, suffix) ||
            (attempt == 1 && !FolderOfIsSafe(path)))
            return INVALID_HANDLE_VALUE;
        HANDLE file = CreateNew(path);
        if (file != INVALID_HANDLE_VALUE || (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS))
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

// The administrator's /LOG file: created, or reused from the start when it is a plain file of one name.
HANDLE OpenGivenLog(const wchar_t* path)
{
    if (!FolderOfIsSafe(path))
        return INVALID_HANDLE_VALUE;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        info.nNumberOfLinks != 1 || !SetEndOfFile(file)) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

void WriteHeader()
{
    char text[kFieldChars + 64];
    WriteBytes("\xEF\xBB\xBF", 3);
    FormatText(text, sizeof text, kDialogCaptionFormat, kVersionMajor, kVersionMinor);
    WriteLines(text);
    FormatText(text, sizeof text, kLogVersionFormat, kVersionMajor, kVersionMinor);
    WriteLines(text);
    FormatUtcNow(text, sizeof text);
    WriteLabeled(kLogStartLabel, text);
    g_endAt = WriteLaterField(kLogEndLabel);
    g_exitCodeAt = WriteLaterField(kLogExitCodeLabel);

    wchar_t computer[kComputerChars];
    DWORD size = kComputerChars;
    if (!GetComputerNameW(computer, &size))
        computer[0] = L'\0';
    LogLabeledWide(kLogComputerLabel, computer);
    wchar_t user[kUserChars];
    size = kUserChars;
    if (!GetUserNameW(user, &size))
        user[0] = L'\0';
    LogLabeledWide(kLogUserLabel, user);
    LogLabeledWide(kLogCommandLineLabel, GetCommandLineW());
    EndLine();
}

}  // namespace

int OpenRunLog(const wchar_t* path)
{
    Stop();
    g_file = path && path[0] ? OpenGivenLog(path) : CreateDatedLog();
    if (g_file == INVALID_HANDLE_VALUE)
        return 0;
    g_written = 0;
    WriteHeader();
    if (g_file == INVALID_HANDLE_VALUE)
        return 0;
    SetLogSink(WriteLogLine);
    return 1;
}

void LogLabeledWide(const char* label, const wchar_t* value)
{
    WriteProgramText(label, (int)strlen(label));
    WriteWide(value, (int)wcslen(value));
    EndLine();
}

void CloseRunLog(int exitCode)
{
    SetLogSink(nullptr);
    if (g_file == INVALID_HANDLE_VALUE)
        return;
    char value[kFieldChars + 1];
    FormatUtcNow(value, sizeof value);
    FillLaterField(g_endAt, value);
    FormatText(value, sizeof value, "%d", exitCode);
    FillLaterField(g_exitCodeAt, value);
    Stop();
}
