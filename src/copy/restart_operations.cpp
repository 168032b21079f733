// Reading and rewriting PendingFileRenameOperations: a REG_MULTI_SZ of from/to pairs in the kernel's
// form (\??\C:\...), an empty "to" for a deletion and a "!" before it for a replacement, closed by one
// more empty string. Other installers and Windows Update keep their own pairs there, so a pair is only
// ever taken out whole and everything else is written back as it was read.
#include "restart_operations.h"

#include <string.h>
#include <wchar.h>
#include <windows.h>

#include "../../resources/texts.h"
#include "../base/bounded_text.h"
#include "../base/log.h"
#include "path.h"

namespace {

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
// The session manager carries out both lists, the second one after the first.
const wchar_t* const kValueNames[] = {L"PendingFileRenameOperations", L"PendingFileRenameOperations2"};

// The registry's own limit for a value that is read in one piece; a larger one is left alone.
enum { kValueChars = 512 * 1024 };
wchar_t g_value[kValueChars];

struct Match {
    const wchar_t* path;  // the pair's target, or with below the folder of deleted names
    const wchar_t* from;  // only moves from this file; null: any deletion of path and any move onto it
    int below;
};

// A name of the value without the kernel's prefix, nor the "*<digits>" some Windows versions put before it.
const wchar_t* Bare(const wchar_t* name)
{
    const wchar_t* after = name;
    if (*after == L'*') {
        for (++after; *after >= L'0' && *after <= L'9'; ++after) {
        }
    }
    return wcsncmp(after, L"\\??\\", 4) == 0 ? after + 4 : name;
}

int Matches(const Match& match, const wchar_t* from, const wchar_t* to)
{
    from = Bare(from);
    if (match.below) {
        size_t n = wcslen(match.path);
        return !*to && _wcsnicmp(from, match.path, n) == 0 && (from[n] == L'\0' || from[n] == L'\\');
    }
    const wchar_t* target = Bare(*to == L'!' ? to + 1 : to);
    if (match.from)
        return _wcsicmp(from, match.from) == 0 && _wcsicmp(target, match.path) == 0;
    return (!*to && _wcsicmp(from, match.path) == 0) || (*to && _wcsicmp(target, match.path) == 0);
}

// The end of the string starting at i (its terminator), or -1 when the value ends first.
int EndOf(int i, int n)
{
    while (i < n && g_value[i])
        ++i;
    return i < n ? i : -1;
}

// Names go into the log in the system's code page, as every other path does.
void Narrow(const wchar_t* name, char* text)
{
    if (WideCharToMultiByte(CP_ACP, 0, name, -1, text, kPathBuffer, nullptr, nullptr) <= 0)
        text[0] = '\0';
}

void LogPair(const wchar_t* from, const wchar_t* to)
{
    char fromText[kPathBuffer];
    char toText[kPathBuffer];
    Narrow(Bare(from), fromText);
    Narrow(Bare(*to == L'!' ? to + 1 : to), toText);
    if (*to)
        LogFormat(kLogRestartMoveWithdrawnFormat, toText, fromText);
    else
        LogFormat(kLogRestartDeletionWithdrawnFormat, fromText);
}

// Takes the matching pairs out of the value read into g_value (chars characters). Returns how many were
// taken, and in kept the characters that stay; -1 when the value is not a sequence of whole pairs.
int Compact(const Match& match, int chars, int* kept)
{
    int i = 0;
    int count = 0;
    // A first pass only reads: a value found broken halfway is left as it is.
    while (i < chars && g_value[i]) {
        int fromEnd = EndOf(i, chars);
        int toEnd = fromEnd < 0 ? -1 : EndOf(fromEnd + 1, chars);
        if (toEnd < 0)
            return -1;
        count += Matches(match, g_value + i, g_value + fromEnd + 1);
        i = toEnd + 1;
    }
    if (count == 0)
        return 0;
    int out = 0;
    i = 0;
    while (i < chars && g_value[i]) {
        int toStart = EndOf(i, chars) + 1;
        int next = EndOf(toStart, chars) + 1;
        if (Matches(match, g_value + i, g_value + toStart)) {
            LogPair(g_value + i, g_value + toStart);
        } else {
            wmemmove(g_value + out, g_value + i, (size_t)(next - i));
            out += next - i;
        }
        i = next;
    }
    *kept = out;
    if (out > 0) {  // the closing empty string and whatever followed it, as they were
        wmemmove(g_value + out, g_value + i, (size_t)(chars - i));
        *kept = out + chars - i;
    }
    return count;
}

int WithdrawFrom(HKEY key, const wchar_t* valueName, const Match& match)
{
    int result = kWithdrawFailed;
    DWORD type = 0;
    DWORD size = sizeof g_value;
    LONG read = RegQueryValueExW(key, valueName, nullptr, &type, (BYTE*)g_value, &size);
    int kept = 0;
    if (read == ERROR_FILE_NOT_FOUND) {
        result = 0;
    } else if (read == ERROR_SUCCESS && type == REG_MULTI_SZ && size % sizeof(wchar_t) == 0 && size <= sizeof g_value) {
        result = Compact(match, (int)(size / sizeof(wchar_t)), &kept);
        if (result > 0) {
            LONG written = kept > 0 ? RegSetValueExW(key, valueName, 0, REG_MULTI_SZ, (const BYTE*)g_value,
                                                     (DWORD)kept * sizeof(wchar_t))
                                    : RegDeleteValueW(key, valueName);
            if (written != ERROR_SUCCESS)
                result = kWithdrawFailed;
        }
    }
    return result;
}

int Withdraw(const Match& match, const char* named)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        LogFormat(kLogRestartUnreadableFormat, named);
        return kWithdrawFailed;
    }
    int result = 0;
    for (const wchar_t* valueName : kValueNames) {
        int taken = WithdrawFrom(key, valueName, match);
        result = taken == kWithdrawFailed || result == kWithdrawFailed ? kWithdrawFailed : result + taken;
    }
    RegCloseKey(key);
    if (result == kWithdrawFailed)
        LogFormat(kLogRestartUnreadableFormat, named);
    return result;
}

int WideRestartName(const char* path, wchar_t* wide)
{
    char name[kPathBuffer];
    return RestartPathName(path, name) && MultiByteToWideChar(CP_ACP, 0, name, -1, wide, kPathBuffer) > 0;
}

}  // namespace

int RestartPathName(const char* path, char* name)
{
    DWORD n = GetFullPathNameA(path, kPathBuffer, name, nullptr);
    if (n == 0 || n >= kPathBuffer)
        return 0;
    BOOL wow64 = FALSE;
    char system[kPathBuffer];
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64 || !ReadSystemDirectory(system))
        return 1;
    size_t length = strlen(system);
    if (_strnicmp(name, system, length) != 0 || (name[length] != '\\' && name[length] != '\0'))
        return 1;
    char rest[kPathBuffer];
    char real[kPathBuffer];
    UINT m = GetSystemWow64DirectoryA(real, kPathBuffer);
    return CopyText(rest, kPathBuffer, name + length) && m > 0 && m < kPathBuffer &&
           AppendText(real, kPathBuffer, rest) && CopyText(name, kPathBuffer, real);
}

int ReplaceAtRestart(const char* waiting, const char* destination)
{
    char from[kPathBuffer];
    char to[kPathBuffer];
    return RestartPathName(waiting, from) && RestartPathName(destination, to) &&
           MoveFileExA(from, to, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING);
}

int WithdrawAtRestart(const char* path, const char* from)
{
    wchar_t target[kPathBuffer];
    wchar_t source[kPathBuffer];
    if (!WideRestartName(path, target) || (from && !WideRestartName(from, source))) {
        LogFormat(kLogRestartUnreadableFormat, path);
        return kWithdrawFailed;
    }
    Match match = {target, from ? source : nullptr, 0};
    return Withdraw(match, path);
}

int WithdrawDeletionsBelow(const char* folder)
{
    wchar_t name[kPathBuffer];
    if (!WideRestartName(folder, name)) {
        LogFormat(kLogRestartUnreadableFormat, folder);
        return kWithdrawFailed;
    }
    Match match = {name, nullptr, 1};
    return Withdraw(match, folder);
}
