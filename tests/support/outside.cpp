#include "support.h"

#include <cstdio>

#include "resource.h"

namespace {

struct Search {
    DWORD processId;
    const std::wstring* caption;  // null: the component dialog
    bool any;                     // any window it shows
    HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM param)
{
    Search* search = (Search*)param;
    DWORD owner = 0;
    wchar_t className[32] = L"";
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    if (!search->any && (!GetClassNameW(window, className, 32) || wcscmp(className, L"#32770") != 0))
        return TRUE;
    bool isDialog = GetDlgItem(window, IDE_REPORT) != nullptr;
    if (search->any || (search->caption ? (!isDialog && TextOf(window) == *search->caption) : isDialog))
        search->found = window;
    return search->found == nullptr;
}

// Looks every 50 ms; with no time to wait, once.
HWND WaitFor(DWORD processId, const std::wstring* caption, int timeoutMs, bool any = false)
{
    for (int waited = 0;; waited += 50) {
        Search search = {processId, caption, any, nullptr};
        EnumWindows(Match, (LPARAM)&search);
        if (search.found || waited >= timeoutMs)
            return search.found;
        Sleep(50);
    }
}

}  // namespace

OutsideInstaller::~OutsideInstaller()
{
    if (info_.hProcess) {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

bool OutsideInstaller::Start(const std::string& exePath, const std::string& workingDir, const std::wstring& arguments,
                             const std::wstring& environment)
{
    return Start(std::wstring(exePath.begin(), exePath.end()), std::wstring(workingDir.begin(), workingDir.end()),
                 arguments, environment);
}

bool OutsideInstaller::Start(const std::wstring& exePath, const std::wstring& workingDir, const std::wstring& arguments,
                             const std::wstring& environment)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + exePath + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    std::wstring block = environment.empty() ? L"" : environment + L'\0';
    return CreateProcessW(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                          block.empty() ? nullptr : &block[0], workingDir.c_str(), &startup, &info_) != FALSE;
}

HWND OutsideInstaller::WaitForMessageBox(const std::wstring& caption, int timeoutMs)
{
    return WaitFor(info_.dwProcessId, &caption, timeoutMs);
}

HWND OutsideInstaller::WaitForDialog(int timeoutMs)
{
    return WaitFor(info_.dwProcessId, nullptr, timeoutMs);
}

std::string OutsideInstaller::Ended()
{
    DWORD code = 99;
    bool sawWindow = false;
    for (int waited = 0; waited < 60000 && !WaitForExit(50, &code); waited += 50)
        sawWindow = sawWindow || WaitFor(info_.dwProcessId, nullptr, 0, true);
    return (sawWindow ? "window|" : "") + std::to_string(code);
}

bool OutsideInstaller::WaitForExit(int timeoutMs, DWORD* exitCode)
{
    if (WaitForSingleObject(info_.hProcess, (DWORD)timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}

std::wstring TextOf(HWND window)
{
    wchar_t buffer[8192];
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 8192, (LPARAM)buffer, SMTO_ABORTIFHUNG, 5000, &copied))
        return L"<no answer>";
    buffer[copied < 8192 ? copied : 8191] = L'\0';
    return buffer;
}

std::wstring ItemTextOf(HWND dialog, int id)
{
    return TextOf(GetDlgItem(dialog, id));
}

std::wstring MessageBoxText(HWND box)
{
    return ItemTextOf(box, 0xFFFF);
}

void Click(HWND dialog, int id)
{
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PressKey(HWND window, WORD key)
{
    SetForegroundWindow(window);
    INPUT input[2] = {};
    for (INPUT& one : input) {
        one.type = INPUT_KEYBOARD;
        one.ki.wVk = key;
    }
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

bool WaitForItemText(HWND dialog, int id, const std::wstring& prefix, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        if (ItemTextOf(dialog, id).compare(0, prefix.size(), prefix) == 0)
            return true;
        Sleep(50);
    }
    return false;
}

std::string Utf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &out[0], n, nullptr, nullptr);
    return out;
}
