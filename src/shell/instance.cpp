// The single-instance guard and finding the window of the installer that holds it.
//
// Any user can create a named object in Global\ before the installer does: a mutex of the guard's name
// would make every run end as "another installer runs", an object of another kind would make the
// creation fail. So the guard lives in a private namespace whose boundary holds the Administrators SID:
// only a process with Administrators in its token may create or open that namespace, and a namespace of
// the same name with another boundary is another namespace. Where the system offers no private
// namespaces (Wine 8), the guard is a Global\ mutex of a name of its own, made with a DACL for SYSTEM
// and Administrators, and a name it cannot take counts as another installer: never as none.
#include "instance.h"

#include <windows.h>

#include <sddl.h>

#include "../../resources/texts.h"
#include "../base/bounded_text.h"
#include "../base/ui_text.h"
#include "../integrity/folder_trust.h"
#include "version.h"

namespace {

// Global: a second start in another session (a deployment tool as SYSTEM while a user runs it by hand)
// would touch the same files.
const wchar_t kNamespaceName[] = L"InstalatorCzytnikaKartOCF";
const wchar_t kGuardInNamespace[] = L"InstalatorCzytnikaKartOCF\\Guard";
const wchar_t kGuardWithoutNamespace[] = L"Global\\InstalatorCzytnikaKartOCF.Guard";
const char kGuardSddl[] = "D:P(A;;GA;;;SY)(A;;GA;;;BA)";
enum { kNamespaceAttempts = 4 };

HANDLE g_guard = nullptr;
HANDLE g_namespace = nullptr;

// The namespace, created, or opened when another installer made it first; null where there is none.
HANDLE OpenGuardNamespace(SECURITY_ATTRIBUTES* attributes)
{
    HANDLE boundary = CreateBoundaryDescriptorW(kNamespaceName, 0);
    if (!boundary)
        return nullptr;  // no private namespaces here
    HANDLE opened = nullptr;
    if (AddSIDToBoundaryDescriptor(&boundary, AdministratorsSid())) {
        // The one that made it may close it between our two calls: then it can be made again.
        for (int attempt = 0; attempt < kNamespaceAttempts && !opened; ++attempt) {
            opened = CreatePrivateNamespaceW(attributes, boundary, kNamespaceName);
            if (!opened && GetLastError() == ERROR_ALREADY_EXISTS)
                opened = OpenPrivateNamespaceW(boundary, kNamespaceName);
        }
    }
    DeleteBoundaryDescriptor(boundary);
    return opened;
}

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
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kGuardSddl, SDDL_REVISION_1,
                                                              &attributes.lpSecurityDescriptor, nullptr))
        return 0;
    g_namespace = OpenGuardNamespace(&attributes);
    SetLastError(ERROR_SUCCESS);
    g_guard = CreateMutexW(&attributes, FALSE, g_namespace ? kGuardInNamespace : kGuardWithoutNamespace);
    DWORD error = GetLastError();
    LocalFree(attributes.lpSecurityDescriptor);
    if (g_guard && error != ERROR_ALREADY_EXISTS)
        return 1;
    ReleaseInstance();
    return 0;
}

void ReleaseInstance()
{
    if (g_guard)
        CloseHandle(g_guard);
    g_guard = nullptr;
    if (g_namespace)
        ClosePrivateNamespace(g_namespace, 0);
    g_namespace = nullptr;
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
