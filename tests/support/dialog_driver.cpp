#include "support.h"

#include "resource.h"
#include "shell/dialog.h"

namespace {

const std::function<void(HWND)>* g_script = nullptr;
HWND g_dialog = nullptr;
bool g_forced = false;

BOOL CALLBACK FindDialog(HWND window, LPARAM found)
{
    if (GetDlgItem(window, IDE_REPORT)) {
        *(HWND*)found = window;
        return FALSE;
    }
    return TRUE;
}

// A script that did not end the dialog must not hang the test.
void CALLBACK OnTimeout(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (IsWindow(g_dialog) && IsWindowVisible(g_dialog)) {
        g_forced = true;
        EndDialog(g_dialog, 0);
    }
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, (LPARAM)&dialog);
    // The dialog manager shows the dialog once its loop first goes idle; wait for the user's view.
    if (!dialog || !IsWindowVisible(dialog))
        return;
    KillTimer(nullptr, id);
    g_dialog = dialog;
    (*g_script)(dialog);
    SetTimer(nullptr, 0, 5000, OnTimeout);
}

}  // namespace

bool RunDialog(const InstallerTable* table, const std::function<void(HWND)>& script)
{
    g_script = &script;
    g_forced = false;
    SetTimer(nullptr, 0, 20, OnTimer);
    RunInstallerDialog(GetModuleHandleW(nullptr), table);
    g_script = nullptr;
    return !g_forced;
}

void Press(HWND dialog, int id)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

int WindowHeight(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}
