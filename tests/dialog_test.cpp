// The real component dialog from template 101, driven in-process through its message loop.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/bounded_text.h"
#include "dialog_driver.h"
#include "prompts.h"
#include "resource.h"
#include "shell/dialog.h"
#include "system.h"
#include "texts.h"

namespace {

// Shows a prompt, as some installers do, and fails.
int Failing(char* message, int capacity)
{
    MessageBoxW(nullptr, L"prompt of an installer", L"prompt", MB_OK);
    CopyText(message, capacity, "nie wyszło");
    return kResultError;
}
int Legacy(char*, int) { return 1; }
int Driver(unsigned, char*, int) { return kResultOk; }
const InstallerTable kTable = {Legacy, Failing, Failing, Failing, Driver};

// What the user sees, as one line: for the dialog and each item in template order (four boxes, four
// labels, the reader list, Install, Close) its marks (+ checked, ~ hidden, - disabled, * focused) and
// its text (none for the boxes and the list); last whether the window has the expanded height.
std::wstring Seen(HWND dialog)
{
    std::wstring seen;
    for (int id : {0, IDC_CHECK_DRIVERS, IDC_CHECK_IE, IDC_CHECK_NETSCAPE, IDC_CHECK_JAVA, IDT_STATUS_DRIVERS,
                   IDT_STATUS_IE, IDT_STATUS_NETSCAPE, IDT_STATUS_JAVA, IDC_READER_TYPE, IDOK, IDCANCEL}) {
        HWND item = id ? GetDlgItem(dialog, id) : dialog;
        wchar_t text[128] = L"";
        if (id < IDC_CHECK_DRIVERS || (id >= IDT_STATUS_DRIVERS && id <= IDT_STATUS_JAVA))
            GetWindowTextW(item, text, 128);
        seen += std::wstring(IsDlgButtonChecked(dialog, id) == BST_CHECKED ? L"+" : L"") +
                (GetWindowLongW(item, GWL_STYLE) & WS_VISIBLE ? L"" : L"~") + (IsWindowEnabled(item) ? L"" : L"-") +
                (GetFocus() == item ? L"*" : L"") + text + L"|";
    }
    return seen + (WindowHeight(dialog) == g_expandedHeight ? L"expanded\n" : L"collapsed\n");
}

TEST(Dialog, ClosesBeforeInstallWithoutANotice)
{
    // Escape and the close box arrive as posted input and are handled by the dialog's own loop.
    void (*const ways[])(HWND) = {
        [](HWND dialog) { Press(dialog, IDCANCEL); },
        [](HWND) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); },
        [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (auto close : ways) {
        PromptResponder prompts;
        EXPECT_TRUE(RunDialog(&kTable, close));
        EXPECT_TRUE(prompts.prompts().empty());
    }
}

TEST(Dialog, OpensWithTheDefaultsInstallsOnceTogglesDetailsAndAsksForARestart)
{
    // An installer's prompt has no owner, so its message loop also serves the dialog: Install and Close
    // pressed meanwhile reach the dialog in the middle of the run, and must do nothing.
    PromptResponder prompts;
    HWND shown = nullptr;
    std::wstring seen;
    prompts.SetHandler([&](const Prompt& prompt) {
        if (prompt.caption == L"prompt") {
            seen += Seen(shown);
            Press(shown, IDOK);
            Press(shown, IDCANCEL);
        }
        return IDOK;
    });
    EXPECT_TRUE(RunDialog(&kTable, [&](HWND dialog) {
        shown = dialog;
        seen = Seen(dialog);
        for (int i = 0; i < SendDlgItemMessageW(dialog, IDC_READER_TYPE, CB_GETCOUNT, 0, 0); ++i) {
            wchar_t name[128];
            SendDlgItemMessageW(dialog, IDC_READER_TYPE, CB_GETLBTEXT, i, (LPARAM)name);
            seen += (i == SendDlgItemMessageW(dialog, IDC_READER_TYPE, CB_GETCURSEL, 0, 0) ? L"*" : L"") +
                    std::wstring(name) + L"|";
        }
        seen += L"\n";
        CheckDlgButton(dialog, IDC_CHECK_IE, BST_CHECKED);  // hidden in the template, still reachable
        for (int press = 0; press < 3; ++press) {  // Install, then Details twice
            Press(dialog, IDOK);
            seen += Seen(dialog);
        }
        seen += ItemText(dialog, IDE_REPORT);
        Press(dialog, IDCANCEL);
    }));
    for (const Prompt& prompt : prompts.prompts())
        seen += prompt.caption + L": " + prompt.text + L"\n";
    const std::wstring caption = L"Instalator czytnika kart mikroproc. [v1.5]|";
    const std::wstring during = caption + L"+-|+~-|~-|+-|~||||-|-In&staluj|-&Zaniechaj|collapsed\n";
    const std::wstring after = caption + L"+-|+~-|~-|+-|OK|BŁĄD||BŁĄD|~-|*&Szczegóły ";
    EXPECT_EQ(caption + L"+|~-|~-|+|~|||||*In&staluj|&Zaniechaj|collapsed\n"
                        L"*GemPC(Twin,Tokens)-Win7/XP/Vista/2000-32bit|GemPC(Twin,Tokens)-Win7/XP/Vista/2000-64bit|"
                        L"GemPC(Twin,Tokens-Win8-32bit|GemPC(Twin,Tokens)-Win8-64bit|\n" +
                  during + during + after + L">>|&Zamknij|collapsed\n" + after + L"<<|&Zamknij|expanded\n" + after +
                  L">>|&Zamknij|collapsed\n" +
                  Wide1250("Instalacja sterownika czytnika kart: OK\r\n\r\n"
                           "Instalacja komponentów dla MS Internet Explorera: BŁĄD - nie wyszło\r\n\r\n"
                           "Instalacja komponentów dla Sun Java Plug-in: BŁĄD - nie wyszło\r\n\r\n") +
                  L"prompt: prompt of an installer\nprompt: prompt of an installer\nInfo: " + Wide1250(kRestartText) +
                  L"\n",
              seen);
}

TEST(Dialog, ShippedTemplateNamesATrueTypeFontAndKeepsItsFields)
{
    // MS Sans Serif is a bitmap font of the system's code page: no Polish letters on a Western Windows.
    HMODULE exe = LoadLibraryExA((FromUnixPath(SHIPPED_PACKAGE_DIR) + "\\instalator.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    HRSRC found = FindResourceExW(exe, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(IDD_INSTALLER),  // RT_DIALOG
                                  MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT));
    ASSERT_TRUE(found);
    const DLGTEMPLATE* dialog = (const DLGTEMPLATE*)LockResource(LoadResource(exe, found));
    EXPECT_EQ((DWORD)(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT), dialog->style);
    // Past the fixed part: no menu, no class of its own, an empty caption, then the points and the face.
    const WORD* tail = (const WORD*)((const char*)dialog + 18);
    wchar_t seen[128];
    FormatWideText(seen, 128, L"%lu %d %d,%d,%d,%d %d %d %d %d %ls", dialog->dwExtendedStyle, dialog->cdit, dialog->x,
                   dialog->y, dialog->cx, dialog->cy, tail[0], tail[1], tail[2], tail[3], (const wchar_t*)(tail + 4));
    EXPECT_STREQ(L"0 14 0,0,370,255 0 0 0 8 MS Shell Dlg", seen);
    FreeLibrary(exe);
}

}  // namespace
