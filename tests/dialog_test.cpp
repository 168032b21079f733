// The real component dialog from template 101, driven in-process through its message loop.
#include <gtest/gtest.h>

#include <windows.h>

#include "base/bounded_text.h"
#include "dialog_driver.h"
#include "prompts.h"
#include "resource.h"
#include "shell/dialog.h"
#include "system.h"
#include "texts.h"

namespace {

int g_javaCalls = 0;
bool g_promptDuringJava = false;

int Failing(char* message, int capacity)
{
    CopyText(message, capacity, "nie wyszło");
    return kResultError;
}
int Legacy(char*, int) { return 1; }
int Java(char* message, int capacity)
{
    ++g_javaCalls;
    if (g_promptDuringJava)
        MessageBoxW(nullptr, L"prompt of an installer", L"prompt", MB_OK);
    return Failing(message, capacity);
}
int Driver(unsigned, char*, int) { return kResultOk; }
const InstallerTable kTable = {Legacy, Failing, Failing, Java, Driver};

bool Visible(HWND dialog, int id) { return (GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0; }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

void ExpectOpeningState(HWND dialog)
{
    wchar_t text[128];
    GetWindowTextW(dialog, text, 128);
    EXPECT_STREQ(L"Instalator czytnika kart mikroproc. [v1.5]", text);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_CHECK_DRIVERS));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_CHECK_JAVA));
    for (int id : {IDC_CHECK_IE, IDC_CHECK_NETSCAPE})
        EXPECT_TRUE(!IsDlgButtonChecked(dialog, id) && !Visible(dialog, id) && !Enabled(dialog, id)) << id;
    EXPECT_FALSE(Visible(dialog, IDT_STATUS_DRIVERS));
    for (int id : {IDT_STATUS_IE, IDT_STATUS_NETSCAPE, IDT_STATUS_JAVA})
        EXPECT_EQ(L"", ItemText(dialog, id));

    HWND combo = GetDlgItem(dialog, IDC_READER_TYPE);
    ASSERT_EQ(kReaderTypeCount, SendMessageW(combo, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(0, SendMessageW(combo, CB_GETCURSEL, 0, 0));
    for (int i = 0; i < kReaderTypeCount; ++i) {
        SendMessageW(combo, CB_GETLBTEXT, i, (LPARAM)text);
        EXPECT_EQ(Wide1250(kReaderTypeTable[i].name), text);
    }
    EXPECT_STREQ(L"GemPC(Twin,Tokens-Win8-32bit", (SendMessageW(combo, CB_GETLBTEXT, 2, (LPARAM)text), text));

    EXPECT_LT(g_collapsedHeight, g_expandedHeight);
    EXPECT_EQ(L"In&staluj", ItemText(dialog, IDOK));
    EXPECT_EQ(L"&Zaniechaj", ItemText(dialog, IDCANCEL));
    EXPECT_EQ(GetDlgItem(dialog, IDOK), GetFocus());
}

TEST(Dialog, OpensCollapsedWithTheDefaultSelectionAndClosesBeforeInstallWithoutANotice)
{
    // Escape and the close box arrive as posted input and are handled by the dialog's own loop.
    void (*const ways[])(HWND) = {
        [](HWND dialog) { ExpectOpeningState(dialog), Press(dialog, IDCANCEL); },
        [](HWND) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); },
        [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (auto close : ways) {
        PromptResponder prompts;
        EXPECT_TRUE(RunDialog(&kTable, [&](HWND dialog) { close(dialog); }));
        EXPECT_TRUE(prompts.prompts().empty());
        EXPECT_EQ(kStateNotRun, g_dialogState);
    }
}

TEST(Dialog, InstallReportsThenTogglesDetailsAndCloseAsksForARestart)
{
    PromptResponder prompts;
    g_javaCalls = 0;
    EXPECT_TRUE(RunDialog(&kTable, [&](HWND dialog) {
        CheckDlgButton(dialog, IDC_CHECK_IE, BST_CHECKED);  // hidden in the template, still reachable
        int collapsed = WindowHeight(dialog);
        Press(dialog, IDOK);

        EXPECT_EQ(collapsed, WindowHeight(dialog)) << "the first press keeps the collapsed height";
        EXPECT_EQ(L"&Szczegóły >>", ItemText(dialog, IDOK));
        EXPECT_EQ(L"&Zamknij", ItemText(dialog, IDCANCEL));
        EXPECT_EQ(Wide1250("Instalacja sterownika czytnika kart: OK\r\n\r\n"
                           "Instalacja komponentów dla MS Internet Explorera: BŁĄD - nie wyszło\r\n\r\n"
                           "Instalacja komponentów dla Sun Java Plug-in: BŁĄD - nie wyszło\r\n\r\n"),
                  ItemText(dialog, IDE_REPORT));
        const wchar_t* labels[] = {L"OK", L"BŁĄD", L"", L"BŁĄD"};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(labels[i], ItemText(dialog, IDT_STATUS_DRIVERS + i));
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
    }));
    ASSERT_EQ(1u, prompts.prompts().size());
    EXPECT_EQ(L"Info", prompts.prompts()[0].caption);
    EXPECT_EQ(Wide1250(kRestartText), prompts.prompts()[0].text);
}

TEST(Dialog, PressesDuringAnInstallerPromptDoNotStartASecondRun)
{
    // The installer's prompt has no owner, so its message loop also serves the dialog: Install (or
    // Enter) and Close pressed meanwhile reach the dialog while the first run is still inside Java.
    PromptResponder prompts;
    HWND dialogWindow = nullptr;
    prompts.SetHandler([&](const Prompt& prompt) {
        if (prompt.caption == L"prompt") {
            for (int id : {IDC_CHECK_DRIVERS, IDC_CHECK_JAVA, IDC_READER_TYPE})
                EXPECT_FALSE(Enabled(dialogWindow, id)) << "the choice is frozen during the run " << id;
            Press(dialogWindow, IDOK);
            Press(dialogWindow, IDCANCEL);
        }
        return IDOK;
    });
    g_javaCalls = 0;
    g_promptDuringJava = true;
    RunDialog(&kTable, [&](HWND dialog) {
        dialogWindow = dialog;
        Press(dialog, IDOK);
        EXPECT_TRUE(IsWindowVisible(dialog)) << "Close during the run was ignored";
        EXPECT_EQ(L"&Szczegóły >>", ItemText(dialog, IDOK));
        Press(dialog, IDCANCEL);
    });
    g_promptDuringJava = false;
    EXPECT_EQ(1, g_javaCalls);
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
    EXPECT_EQ(0u, dialog->dwExtendedStyle);
    EXPECT_EQ(14, dialog->cdit);
    EXPECT_TRUE(dialog->x == 0 && dialog->y == 0 && dialog->cx == 370 && dialog->cy == 255);
    const WORD* tail = (const WORD*)((const char*)dialog + 18);  // past the fixed part
    EXPECT_EQ(0, tail[0]) << "no menu";
    EXPECT_EQ(0, tail[1]) << "no class of its own";
    EXPECT_EQ(0, tail[2]) << "an empty caption";
    EXPECT_EQ(8, tail[3]) << "points";
    EXPECT_STREQ(L"MS Shell Dlg", (const wchar_t*)(tail + 4));
    FreeLibrary(exe);
}

}  // namespace
