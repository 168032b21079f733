// The single-instance guard (a named mutex, as Inno Setup's setup mutex) and finding the window of the
// installer that holds it.
#include "instance.h"

#include <windows.h>

#include "../../resources/texts.h"
#include "../base/bounded_text.h"
#include "../base/ui_text.h"
#include "version.h"

namespace {

// Global: a second start in another session (a deployment tool as SYSTEM while a user runs it by hand)
// would touch the same files.
const wchar_t kGuardName[] = L"Global\\InstalatorCzytnikaKartOCF";
HANDLE g_guard = nullptr;

enum { kCaptionChars = 128, kCandidates = 4 };

struct Search {
    wchar_t captions[kCandidates][kCaptionChars];  // most wanted first
    HWND found[kCandidates];
};

BOOL CALLBACK Consider(HWND window, LPARAM param)
{
    Search* search = (Search*)param;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    // Read without sending the window a message: a first installer busy in its run does not answer.
    wchar_t caption[kCaptionChars];
    if (GetWindowTextW(window, caption, kCaptionChars) <= 0)
        return TRUE;
    for (int i = 0; i < kCandidates; ++i) {
        if (!search->found[i] && wcscmp(caption, search->captions[i]) == 0)
            search->found[i] = window;
    }
    return TRUE;
}

}  // namespace

int ClaimInstance()
{
    SetLastError(ERROR_SUCCESS);
    g_guard = CreateMutexW(nullptr, FALSE, kGuardName);
    if (!g_guard)
        return GetLastError() == ERROR_ACCESS_DENIED ? 0 : 1;  // any other failure must not block installing
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return 1;
    CloseHandle(g_guard);
    g_guard = nullptr;
    return 0;
}

void ReleaseInstance()
{
    if (g_guard)
        CloseHandle(g_guard);
    g_guard = nullptr;
}

void BringRunningInstanceToFront()
{
    Search search;
    char dialogCaption[kCaptionChars];
    FormatText(dialogCaption, kCaptionChars, kDialogCaptionFormat, kVersionMajor, kVersionMinor);
    const char* captions[kCandidates] = {kConflictCaption, dialogCaption, kWelcomeCaption, kUninstallCaption};
    for (int i = 0; i < kCandidates; ++i) {
        WidenProgramText(captions[i], search.captions[i], kCaptionChars);
        search.found[i] = nullptr;
    }
    EnumWindows(Consider, (LPARAM)&search);
    for (HWND window : search.found) {
        if (!window)
            continue;
        // The dialog's own restart notice, if it shows one, is what the user must answer.
        HWND front = GetLastActivePopup(window);
        if (IsIconic(front))
            ShowWindow(front, SW_RESTORE);
        SetForegroundWindow(front);
        return;
    }
}

void PointAtRunningInstance()
{
    BringRunningInstanceToFront();
    ShowMessage(nullptr, kAlreadyRunningText, kShortCaption, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    BringRunningInstanceToFront();  // the user lands where the installation goes on
}
