// The real component dialog from template 101, driven in-process through its message loop.
#include <gtest/gtest.h>

#include <windows.h>

#include "copy/bounded_text.h"
#include "dialog_driver.h"
#include "prompts.h"
#include "resource.h"
#include "shell/dialog.h"
#include "texts.h"

namespace {

int g_javaCalls = 0;
std::function<void()> g_duringJava;

int Failing(char* message, int capacity)
{
    CopyText(message, capacity, "nie wyszło");
    return 1;
}
int Legacy(char*, int) { return 1; }
int Java(char* message, int capacity)
{
    ++g_javaCalls;
    if (g_duringJava)
        g_duringJava();
    return Failing(message, capacity);
}
int Driver(unsigned, char*, int) { return 0; }
const InstallerTable kTable = {Legacy, Failing, Failing, Java, Driver};

std::wstring W(const char* text) { return Wide1250(text); }

bool Visible(HWND dialog, int id) { return (GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0; }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

TEST(Dialog, OpensCollapsedWithTheDefaultSelection)
{
    PromptResponder prompts;
    RunDialog(&kTable, [&](HWND dialog) {
        wchar_t caption[128];
        GetWindowTextW(dialog, caption, 128);
        EXPECT_EQ(L"Instalator czytnika kart mikroproc. [v1.5]", std::wstring(caption));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_CHECK_DRIVERS));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_CHECK_JAVA));
        for (int id : {IDC_CHECK_IE, IDC_CHECK_NETSCAPE}) {
            EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, id));
            EXPECT_FALSE(Visible(dialog, id));
            EXPECT_FALSE(Enabled(dialog, id));
        }
        EXPECT_FALSE(Visible(dialog, IDT_STATUS_DRIVERS));
        for (int id : {IDT_STATUS_IE, IDT_STATUS_NETSCAPE, IDT_STATUS_JAVA})
            EXPECT_EQ(L"", ItemText(dialog, id));

        HWND combo = GetDlgItem(dialog, IDC_READER_TYPE);
        ASSERT_EQ(4, SendMessageW(combo, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(0, SendMessageW(combo, CB_GETCURSEL, 0, 0));
        const char* names[] = {kReaderType32, kReaderType64, kReaderTypeWin8, kReaderTypeWin8x64};
        for (int i = 0; i < 4; ++i) {
            wchar_t item[128];
            SendMessageW(combo, CB_GETLBTEXT, i, (LPARAM)item);
            EXPECT_EQ(W(names[i]), std::wstring(item));
        }
        EXPECT_EQ(L"GemPC(Twin,Tokens-Win8-32bit", W(kReaderTypeWin8));

        RECT window, box;
        GetWindowRect(dialog, &window);
        GetWindowRect(GetDlgItem(dialog, IDE_REPORT), &box);
        EXPECT_EQ(box.top - window.top, WindowHeight(dialog)) << "cut off at the report box";
        EXPECT_LT(g_collapsedHeight, g_expandedHeight);
        EXPECT_EQ(kStateNotRun, g_dialogState);
        EXPECT_EQ(L"In&staluj", ItemText(dialog, IDOK));
        EXPECT_EQ(L"&Zaniechaj", ItemText(dialog, IDCANCEL));
        EXPECT_EQ(GetDlgItem(dialog, IDOK), GetFocus());
        Press(dialog, IDCANCEL);
    });
    EXPECT_TRUE(prompts.prompts().empty());
}

TEST(Dialog, InstallReportsThenTogglesDetailsAndCloseAsksForARestart)
{
    PromptResponder prompts;
    g_javaCalls = 0;
    RunDialog(&kTable, [&](HWND dialog) {
        CheckDlgButton(dialog, IDC_CHECK_IE, BST_CHECKED);  // hidden in the template, still reachable
        int collapsed = WindowHeight(dialog);
        Press(dialog, IDOK);

        EXPECT_EQ(1, g_javaCalls);
        EXPECT_EQ(collapsed, WindowHeight(dialog)) << "the first press keeps the collapsed height";
        EXPECT_EQ(L"&Szczegóły >>", ItemText(dialog, IDOK));
        EXPECT_EQ(L"&Zamknij", ItemText(dialog, IDCANCEL));
        EXPECT_EQ(W("Instalacja sterownika czytnika kart: OK\r\n\r\n"
                    "Instalacja komponentów dla MS Internet Explorera: BŁĄD - nie wyszło\r\n\r\n"
                    "Instalacja komponentów dla Sun Java Plug-in: BŁĄD - nie wyszło\r\n\r\n"),
                  ItemText(dialog, IDE_REPORT));
        EXPECT_EQ(L"OK", ItemText(dialog, IDT_STATUS_DRIVERS));
        EXPECT_EQ(L"BŁĄD", ItemText(dialog, IDT_STATUS_IE));
        EXPECT_EQ(L"", ItemText(dialog, IDT_STATUS_NETSCAPE));
        EXPECT_EQ(L"BŁĄD", ItemText(dialog, IDT_STATUS_JAVA));
        for (int id : {IDC_CHECK_DRIVERS, IDC_CHECK_IE, IDC_CHECK_NETSCAPE, IDC_CHECK_JAVA})
            EXPECT_FALSE(Enabled(dialog, id)) << id;
        EXPECT_FALSE(Visible(dialog, IDC_READER_TYPE));
        EXPECT_TRUE(Visible(dialog, IDT_STATUS_DRIVERS));

        Press(dialog, IDOK);
        EXPECT_EQ(g_expandedHeight, WindowHeight(dialog));
        EXPECT_EQ(L"&Szczegóły <<", ItemText(dialog, IDOK));
        Press(dialog, IDOK);
        EXPECT_EQ(collapsed, WindowHeight(dialog));
        EXPECT_EQ(L"&Szczegóły >>", ItemText(dialog, IDOK));
        EXPECT_EQ(1, g_javaCalls) << "the installation runs once";

        EXPECT_TRUE(prompts.prompts().empty());
        Press(dialog, IDCANCEL);
        EXPECT_FALSE(IsWindowVisible(dialog));
    });
    ASSERT_EQ(1u, prompts.prompts().size());
    EXPECT_EQ(L"Info", prompts.prompts()[0].caption);
    EXPECT_EQ(W(kRestartText), prompts.prompts()[0].text);
}

TEST(Dialog, ClosingBeforeInstallShowsNoNotice)
{
    struct Way {
        const char* name;
        void (*close)(HWND dialog);
    };
    const Way ways[] = {
        {"Cancel button", [](HWND dialog) { Press(dialog, IDCANCEL); }},
        {"Escape key", [](HWND dialog) {
             PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
             PostMessageW(GetFocus(), WM_KEYUP, VK_ESCAPE, 0);
         }},
        {"close box", [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Way& way : ways) {
        PromptResponder prompts;
        bool ended = false;
        RunDialog(&kTable, [&](HWND dialog) {
            way.close(dialog);
            // Posted keys and commands are handled by the dialog's own loop after this returns.
            MSG message;
            for (int i = 0; i < 200 && IsWindowVisible(dialog); ++i) {
                if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                    if (!IsDialogMessageW(dialog, &message)) {
                        TranslateMessage(&message);
                        DispatchMessageW(&message);
                    }
                } else {
                    Sleep(5);
                }
            }
            ended = !IsWindowVisible(dialog);
        });
        EXPECT_TRUE(ended) << way.name;
        EXPECT_TRUE(prompts.prompts().empty()) << way.name;
        EXPECT_EQ(kStateNotRun, g_dialogState) << way.name;
    }
}

TEST(Dialog, PressesDuringAnInstallerPromptDoNotStartASecondRun)
{
    PromptResponder prompts;
    g_javaCalls = 0;
    HWND dialogWindow = nullptr;
    // The installer's prompt has no owner, so its message loop also serves the dialog: Install (or
    // Enter) and Close pressed meanwhile reach the dialog while the first run is still inside Java.
    g_duringJava = [] { MessageBoxW(nullptr, L"prompt of an installer", L"prompt", MB_OK); };
    prompts.SetHandler([&](const Prompt& prompt) {
        if (prompt.caption == L"prompt") {
            Press(dialogWindow, IDOK);
            Press(dialogWindow, IDOK);
            Press(dialogWindow, IDCANCEL);
        }
        return IDOK;
    });
    RunDialog(&kTable, [&](HWND dialog) {
        dialogWindow = dialog;
        Press(dialog, IDOK);
        EXPECT_EQ(1, g_javaCalls);
        EXPECT_TRUE(IsWindowVisible(dialog)) << "Close during the run was ignored";
        EXPECT_EQ(kStateCollapsed, g_dialogState);
        EXPECT_EQ(L"&Szczegóły >>", ItemText(dialog, IDOK));
        Press(dialog, IDCANCEL);
    });
    g_duringJava = nullptr;
    EXPECT_EQ(1, g_javaCalls);
}

}  // namespace
