#include "dialog_driver.h"

#include "shell/dialog.h"
#include "resource.h"

namespace {

const std::function<void(HWND)>* g_script = nullptr;

BOOL CALLBACK FindDialog(HWND window, LPARAM found)
{
    if (GetDlgItem(window, IDE_REPORT)) {
        *(HWND*)found = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, (LPARAM)&dialog);
    // The dialog manager shows the dialog once its loop first goes idle; wait for the user's view.
    if (!dialog || !IsWindowVisible(dialog))
        return;
    KillTimer(nullptr, id);
    (*g_script)(dialog);
    if (IsWindow(dialog) && IsWindowVisible(dialog))
        EndDialog(dialog, 0);
}

}  // namespace

void RunDialog(const InstallerTable* table, const std::function<void(HWND)>& script)
{
    g_script = &script;
    SetTimer(nullptr, 0, 20, OnTimer);
    RunInstallerDialog(GetModuleHandleW(nullptr), table);
    g_script = nullptr;
}

void Press(HWND dialog, int id)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

std::wstring ItemText(HWND dialog, int id)
{
    wchar_t buffer[4096];
    buffer[0] = L'\0';
    GetDlgItemTextW(dialog, id, buffer, 4096);
    return buffer;
}

int WindowHeight(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}
