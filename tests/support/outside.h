// Drives a running instalator.exe from another process, as a user would: finds its windows, presses
// its buttons and reads what they show.
#pragma once

#include <windows.h>

#include <string>

class OutsideInstaller {
public:
    OutsideInstaller() = default;
    ~OutsideInstaller();  // ends the process if it is still running
    OutsideInstaller(const OutsideInstaller&) = delete;
    OutsideInstaller& operator=(const OutsideInstaller&) = delete;

    // Starts exePath with workingDir as the current directory, the arguments after its name and, unless
    // empty, an environment block of "NAME=value\0" entries. Returns false if it could not start.
    bool Start(const std::string& exePath, const std::string& workingDir, const std::wstring& arguments = L"",
               const std::wstring& environment = L"");
    // The same for names that no code page can spell.
    bool Start(const std::wstring& exePath, const std::wstring& workingDir, const std::wstring& arguments = L"",
               const std::wstring& environment = L"");

    // A top-level window of the process: the message box with this caption, or the component dialog.
    HWND WaitForMessageBox(const std::wstring& caption, int timeoutMs = 15000);
    HWND WaitForDialog(int timeoutMs = 15000);
    // Whether any window of the process is the component dialog right now.
    bool HasDialog();
    bool WaitForExit(int timeoutMs, DWORD* exitCode = nullptr);

    DWORD processId() const { return info_.dwProcessId; }

private:
    PROCESS_INFORMATION info_ = {};
};

std::wstring TextOf(HWND window);                 // WM_GETTEXT, answered by the owning process
std::wstring ItemTextOf(HWND dialog, int id);
std::wstring MessageBoxText(HWND box);
void Click(HWND dialog, int id);                  // a button click as the user makes it
void PressKey(HWND window, WORD key);             // a key pressed and released, into the window in front
// Waits until the text of a dialog item starts with prefix.
bool WaitForItemText(HWND dialog, int id, const std::wstring& prefix, int timeoutMs = 30000);
std::string Utf8(const std::wstring& text);
