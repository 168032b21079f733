// The installer's environment, cleaned of what the user's account could set to steer an elevated
// program, and the one way the installer starts other programs.
#include "clean_process.h"

#include <limits.h>
#include <windows.h>

#include "../base/bounded_text.h"
#include "../copy/path.h"

namespace {

// The command interpreter comes from COMSPEC; Java takes its class path and extra options (agents
// among them) from the others.
const wchar_t* const kDroppedNames[] = {L"COMSPEC", L"CLASSPATH", L"JAVA_TOOL_OPTIONS", L"_JAVA_OPTIONS",
                                        L"JDK_JAVA_OPTIONS", L"TEMP", L"TMP"};

// Room for what BuildCleanEnvironment adds beyond the inherited block: its entries and their NULs.
enum { kAddedChars = 3 * kPathBuffer + 48 };

char g_temp[kPathBuffer] = "";

wchar_t Fold(wchar_t c)
{
    return c >= L'a' && c <= L'z' ? (wchar_t)(c - L'a' + L'A') : c;
}

// Compares the name of an environment entry with `name`, letter case aside. An entry's name ends at
// its first '=' after the first character: "=C:=C:\x" is how a drive's current folder is kept.
int CompareName(const wchar_t* entry, const wchar_t* name)
{
    for (int i = 0;; ++i) {
        wchar_t a = entry[i] == L'=' && i > 0 ? L'\0' : Fold(entry[i]);
        wchar_t b = Fold(name[i]);
        if (a != b || a == L'\0')
            return (int)a - (int)b;
    }
}

bool IsDropped(const wchar_t* entry)
{
    for (const wchar_t* name : kDroppedNames) {
        if (CompareName(entry, name) == 0)
            return true;
    }
    return false;
}

struct BlockWriter {
    wchar_t* out;
    int cap;
    int used;
    bool fits;
};

void Put(BlockWriter* block, wchar_t c)
{
    if (block->used >= block->cap)
        block->fits = false;
    if (block->fits)
        block->out[block->used++] = c;
}

// Appends first and second as one entry with its NUL; once something did not fit, nothing more is written.
void PutEntry(BlockWriter* block, const wchar_t* first, const wchar_t* second)
{
    for (int i = 0; first && first[i]; ++i)
        Put(block, first[i]);
    for (int i = 0; second && second[i]; ++i)
        Put(block, second[i]);
    Put(block, L'\0');
}

}  // namespace

int BuildCleanEnvironment(const wchar_t* inherited, const wchar_t* comspec, const wchar_t* temp, wchar_t* out,
                          int cap)
{
    if (!out || cap < 2 || !comspec || !comspec[0] || !temp || !temp[0])
        return 0;
    // Sorted by name, as the block itself is meant to be.
    struct Added {
        const wchar_t* name;
        const wchar_t* entry;
        const wchar_t* value;
        bool written;
    } added[] = {{L"CLASSPATH", L"CLASSPATH=", L".", false},
                 {L"COMSPEC", L"COMSPEC=", comspec, false},
                 {L"TEMP", L"TEMP=", temp, false},
                 {L"TMP", L"TMP=", temp, false}};

    BlockWriter block = {out, cap, 0, true};
    for (const wchar_t* entry = inherited; entry && *entry; entry += wcslen(entry) + 1) {
        for (Added& add : added) {
            if (!add.written && CompareName(entry, add.name) > 0) {
                PutEntry(&block, add.entry, add.value);
                add.written = true;
            }
        }
        if (!IsDropped(entry))
            PutEntry(&block, entry, nullptr);
    }
    for (Added& add : added) {
        if (!add.written)
            PutEntry(&block, add.entry, add.value);
    }
    Put(&block, L'\0');
    return block.fits ? block.used : 0;
}

void SetStartedProgramsTemp(const char* folder)
{
    if (!folder || !CopyText(g_temp, kPathBuffer, folder))
        g_temp[0] = '\0';
}

int StartCleanProcessWaiting(const char* application, const char* commandLine, unsigned long flags,
                             unsigned long waitMs, unsigned long* exitCode)
{
    int started = kNotStarted;
    wchar_t* inherited = nullptr;
    wchar_t* block = nullptr;
    const wchar_t* end = nullptr;
    size_t inheritedChars = 0;
    char interpreter[kPathBuffer];
    wchar_t comspec[kPathBuffer];
    wchar_t temp[kPathBuffer];
    char command[kCommandChars];
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    ZeroMemory(&process, sizeof process);

    // A batch file that starts a sub-shell takes the interpreter from COMSPEC: it must be the system's.
    if (!ReadSystemDirectory(interpreter) || !JoinPath(interpreter, "cmd.exe") ||
        !MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, interpreter, -1, comspec, kPathBuffer))
        goto done;
    if (!g_temp[0] || !MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, g_temp, -1, temp, kPathBuffer))
        goto done;
    if (commandLine && !CopyText(command, kCommandChars, commandLine))
        goto done;
    inherited = GetEnvironmentStringsW();
    if (!inherited)
        goto done;
    for (end = inherited; *end; end += wcslen(end) + 1) {
    }
    inheritedChars = (size_t)(end - inherited) + 1;
    if (inheritedChars > (size_t)(INT_MAX / sizeof(wchar_t)) - kAddedChars)
        goto done;
    block = (wchar_t*)HeapAlloc(GetProcessHeap(), 0, (inheritedChars + kAddedChars) * sizeof(wchar_t));
    if (!block || !BuildCleanEnvironment(inherited, comspec, temp, block, (int)inheritedChars + kAddedChars))
        goto done;
    if (!CreateProcessA(application, commandLine ? command : nullptr, nullptr, nullptr, FALSE,
                        flags | CREATE_UNICODE_ENVIRONMENT, block, nullptr, &startup, &process))
        goto done;
    started = kStarted;
    if (exitCode) {
        DWORD code = 0;
        DWORD waited = WaitForSingleObject(process.hProcess, waitMs);
        // Past the deadline it is left running: a driver installation cut short can leave a device half set up.
        if (waited == WAIT_TIMEOUT)
            started = kStillRunning;
        else if (waited != WAIT_OBJECT_0 || !GetExitCodeProcess(process.hProcess, &code))
            code = (DWORD)-1;  // an outcome nobody saw is no success
        *exitCode = code;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

done:
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
    if (inherited)
        FreeEnvironmentStringsW(inherited);
    return started;
}

int StartCleanProcess(const char* application, const char* commandLine, unsigned long flags,
                      unsigned long* exitCode)
{
    return StartCleanProcessWaiting(application, commandLine, flags, INFINITE, exitCode) != kNotStarted;
}
