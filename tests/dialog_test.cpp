// The real component dialog from template 101, driven in-process through its message loop.
#include <gtest/gtest.h>

#include <string>

#include "base/bounded_text.h"
#include "resource.h"
#include "support.h"
#include "texts.h"

namespace {

// Shows a prompt, as some installers do, and fails.
int Failing(char* message, int capacity)
{
    MessageBoxW(nullptr, L"prompt of an installer", L"prompt", MB_OK);
    CopyText(message, capacity, "nie wyszło");
    return kResultError;
}
const InstallerTable kTable = {[](char*, int) { return 1; }, Failing, Failing, Failing,
                               [](unsigned, char*, int) -> int { return kResultOk; }};

// What the user sees, as one line: for the dialog and each item in template order (four boxes, four labels,
// the reader list, Install, Close) its marks (+ checked, ~ hidden, - disabled, * focused) and its text
// (none for the boxes and the list).
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
    return seen + L"\n";
}

TEST(Dialog, OpensWithTheDefaultsInstallsOnceTogglesDetailsAndAsksForARestartOnlyThen)
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
    // Closed before Install (Escape, posted input that the dialog's own loop handles): no notice.
    EXPECT_TRUE(RunDialog(&kTable, [](HWND) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); }));
    EXPECT_TRUE(RunDialog(&kTable, [&](HWND dialog) {
        shown = dialog;
        // Not MS Sans Serif: a bitmap font of the system's code page, with no Polish letters on a Western Windows.
        LOGFONTW font;
        GetObjectW((HFONT)SendMessageW(dialog, WM_GETFONT, 0, 0), sizeof font, &font);
        wchar_t facts[64];  // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT, and more
        FormatWideText(facts, 64, L"%lx %ld %ls\n", GetWindowLongW(dialog, GWL_STYLE), font.lfHeight, font.lfFaceName);
        seen = facts + Seen(dialog);
        const LRESULT chosen = SendDlgItemMessageW(dialog, IDC_READER_TYPE, CB_GETCURSEL, 0, 0);
        wchar_t name[128];
        for (int i = 0; SendDlgItemMessageW(dialog, IDC_READER_TYPE, CB_GETLBTEXT, i, (LPARAM)name) > 0; ++i)
            seen += (i == chosen ? L"*" : L"") + std::wstring(name) + L"|";
        seen += L"\n";
        CheckDlgButton(dialog, IDC_CHECK_IE, BST_CHECKED);  // hidden in the template, still reachable
        for (int press = 0; press < 3; ++press) {  // Install, then Details twice
            Press(dialog, IDOK);
            seen += Seen(dialog);
        }
        seen += ItemTextOf(dialog, IDE_REPORT);
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    }));
    for (const Prompt& prompt : prompts.prompts())
        seen += prompt.caption + L": " + prompt.text + L"\n";
    const std::wstring caption = L"Instalator czytnika kart mikroproc. [v1.5]|";
    const std::wstring during = caption + L"+-|+~-|~-|+-|~||||-|-In&staluj|-&Zaniechaj|\n";
    const std::wstring after = caption + L"+-|+~-|~-|+-|OK|BŁĄD||BŁĄD|~-|*&Szczegóły ";
    EXPECT_EQ(L"94c808c4 -11 MS Shell Dlg\n" + caption + L"+|~-|~-|+|~|||||*In&staluj|&Zaniechaj|\n"
                  L"*GemPC(Twin,Tokens)-Win7/XP/Vista/2000-32bit|GemPC(Twin,Tokens)-Win7/XP/Vista/2000-64bit|"
                  L"GemPC(Twin,Tokens-Win8-32bit|GemPC(Twin,Tokens)-Win8-64bit|\n" +
                  during + during + after + L">>|&Zamknij|\n" + after + L"<<|&Zamknij|\n" + after + L">>|&Zamknij|\n" +
                  Wide1250("Instalacja sterownika czytnika kart: OK\r\n\r\n"
                           "Instalacja komponentów dla MS Internet Explorera: BŁĄD - nie wyszło\r\n\r\n"
                           "Instalacja komponentów dla Sun Java Plug-in: BŁĄD - nie wyszło\r\n\r\n") +
                  L"prompt: prompt of an installer\nprompt: prompt of an installer\nInfo: " + Wide1250(kRestartText) +
                  L"\n",
              seen);
}

}  // namespace
