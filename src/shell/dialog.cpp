// InstallerDialog: a thin procedure over named handlers.
#include "dialog.h"

#include "../../resources/resource.h"
#include "../../resources/texts.h"
#include "../base/bounded_text.h"
#include "../base/ui_text.h"
#include "version.h"

int g_dialogState = kStateNotRun;
int g_collapsedHeight = 0;
int g_expandedHeight = 0;

namespace {

enum { kButtonTextChars = 64, kCaptionChars = 96 };
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
// Posted by the scale-change handler: arrives once the dialog manager has laid the dialog out anew.
enum { kMsgMeasureHeights = WM_APP + 1 };

const InstallerTable* g_installers = nullptr;
// Set while the run sequence is inside an installer: a prompt's message loop still serves this
// dialog, and a second press must not start a second run inside the first.
bool g_running = false;

int WindowHeight(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}

void SetDialogHeight(HWND dialog, int height)
{
    RECT rect;
    GetWindowRect(dialog, &rect);
    MoveWindow(dialog, rect.left, rect.top, rect.right - rect.left, height, TRUE);
}

// The collapsed height ends at the report box's top edge, whatever height the window has now.
int CollapsedHeight(HWND dialog)
{
    RECT box, window;
    GetWindowRect(GetDlgItem(dialog, IDE_REPORT), &box);
    GetWindowRect(dialog, &window);
    return box.top - window.top;
}

// The template's full height at the dialog's current scale, taken in either state: the template
// mapped through the dialog's current font, plus the frame the window has now.
int ExpandedHeight(HWND dialog)
{
    RECT window, client;
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    RECT full = {0, 0, IDD_INSTALLER_WIDTH, IDD_INSTALLER_HEIGHT};
    MapDialogRect(dialog, &full);
    return full.bottom + (window.bottom - window.top) - (client.bottom - client.top);
}

void SetAfterRunButtonTexts(HWND dialog)
{
    char text[kButtonTextChars];
    FormatText(text, kButtonTextChars, kDetailsButtonFormat,
               g_dialogState != kStateExpanded ? kDetailsShow : kDetailsHide);
    SetItemProgramText(dialog, IDOK, text);
    SetItemProgramText(dialog, IDCANCEL, kCloseButton);
}

void OnInitDialog(HWND dialog)
{
    SetFocus(GetDlgItem(dialog, IDOK));

    char caption[kCaptionChars];
    FormatText(caption, kCaptionChars, kDialogCaptionFormat, kVersionMajor, kVersionMinor);
    SetWindowProgramText(dialog, caption);

    g_expandedHeight = WindowHeight(dialog);
    g_collapsedHeight = CollapsedHeight(dialog);
    SetDialogHeight(dialog, g_collapsedHeight);

    g_dialogState = kStateNotRun;
    g_running = false;

    CheckDlgButton(dialog, IDC_CHECK_DRIVERS, BST_CHECKED);
    CheckDlgButton(dialog, IDC_CHECK_JAVA, BST_CHECKED);
    ShowWindow(GetDlgItem(dialog, IDT_STATUS_DRIVERS), SW_HIDE);

    HWND combo = GetDlgItem(dialog, IDC_READER_TYPE);
    for (const ReaderType& type : kReaderTypeTable)
        AddComboProgramText(combo, type.name);
    SendMessageW(combo, CB_SETCURSEL, 0, 0);

    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP));
    if (icon)
        SendMessageW(dialog, WM_SETICON, ICON_BIG, (LPARAM)icon);
}

template <int N>
void EnableItems(HWND dialog, const int (&ids)[N], BOOL enable)
{
    for (int id : ids)
        EnableWindow(GetDlgItem(dialog, id), enable);
}

void OnInstall(HWND dialog)
{
    const int buttons[] = {IDOK, IDCANCEL};
    // What the user chose when pressing Install is what runs: the selection stays frozen while an
    // installer's prompt lets the dialog's messages through. The run sequence keeps it so afterwards.
    const int selection[] = {IDC_CHECK_DRIVERS, IDC_CHECK_IE, IDC_CHECK_NETSCAPE, IDC_CHECK_JAVA, IDC_READER_TYPE};
    g_running = true;
    EnableItems(dialog, buttons, FALSE);
    EnableItems(dialog, selection, FALSE);
    RunSequence(dialog, *g_installers);
    EnableItems(dialog, buttons, TRUE);
    // Disabling button 1 took the focus away; without it the dialog keys would do nothing.
    SendMessageW(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, IDOK), TRUE);
    g_dialogState = kStateCollapsed;
    g_running = false;
}

void OnToggleDetails(HWND dialog)
{
    if (g_dialogState != kStateExpanded) {
        SetDialogHeight(dialog, g_expandedHeight);
        g_dialogState = kStateExpanded;
    } else {
        SetDialogHeight(dialog, g_collapsedHeight);
        g_dialogState = kStateCollapsed;
    }
}

// After a change of scale the dialog manager has resized the dialog for the old heights scaled as a
// whole; the state keeps its meaning, so the window takes the new height of the state it is in.
void OnScaleChanged(HWND dialog)
{
    g_collapsedHeight = CollapsedHeight(dialog);
    g_expandedHeight = ExpandedHeight(dialog);
    SetDialogHeight(dialog, g_dialogState == kStateExpanded ? g_expandedHeight : g_collapsedHeight);
}

void OnClose(HWND dialog)
{
    if (g_dialogState != kStateNotRun)
        ShowMessage(dialog, kRestartText, kRestartCaption, MB_OK);
    EndDialog(dialog, 0);
}

void OnCommand(HWND dialog, int id)
{
    if (g_running)
        return;
    if (id == IDOK) {
        if (g_dialogState == kStateNotRun)
            OnInstall(dialog);
        else
            OnToggleDetails(dialog);
        SetAfterRunButtonTexts(dialog);
    } else if (id == IDCANCEL) {
        OnClose(dialog);
    }
}

}  // namespace

INT_PTR CALLBACK InstallerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return FALSE;  // the focus is already on Install
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam));
        return TRUE;
    case WM_DPICHANGED:
        // The default handling rescales the fonts, the controls and the window; measure after it.
        PostMessageW(dialog, kMsgMeasureHeights, 0, 0);
        return FALSE;
    case kMsgMeasureHeights:
        OnScaleChanged(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

void RunInstallerDialog(HINSTANCE instance, const InstallerTable* table)
{
    g_installers = table;
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_INSTALLER), nullptr, InstallerDialogProc, 0);
}
