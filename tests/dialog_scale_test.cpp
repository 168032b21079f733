// The dialog at 100% to 200% with the product's manifest (themed controls, DPI awareness): every text
// fits its control and the two heights follow the scale. Wine reads the scale from HKCU\Control Panel\
// Desktop\LogPixels when a process starts, so each scale runs in a child process started after setting it.
#include <gtest/gtest.h>

#include <string>

#include "resource.h"
#include "shell/dialog.h"
#include "support.h"

namespace {

template <int result> int Reply(char*, int) { return result; }
int Driver(unsigned, char*, int) { return kResultOk; }
// Every status a label can show: OK, BŁĄD and UWAGA.
const InstallerTable kTable = {Reply<1>, Reply<kResultError>, Reply<kResultWarning>, Reply<kResultWarning>, Driver};

// Each visible text its control cannot show whole: a left-aligned static wraps within its height, others
// fit beside what the control draws (a check box's box, a button's edges, a group caption's indent, a combo's arrow).
std::string Misfits(HWND dialog, int dpi)
{
    std::string misfits;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        wchar_t kind[16] = L"", text[256] = L"";
        GetClassNameW(control, kind, 16);
        const LONG style = GetWindowLongW(control, GWL_STYLE), type = style & BS_TYPEMASK;
        const bool list = !_wcsicmp(kind, L"ComboBox"), button = !_wcsicmp(kind, L"Button");
        const bool wraps = !_wcsicmp(kind, L"Static") && (style & SS_TYPEMASK) == SS_LEFT;
        if (!IsWindowVisible(control) || !_wcsicmp(kind, L"Edit"))
            continue;  // the report box wraps and scrolls
        const int chrome = list ? GetSystemMetrics(SM_CXVSCROLL) + MulDiv(6, dpi, 96)
                         : button ? MulDiv(type == BS_GROUPBOX ? 16 : type == BS_AUTOCHECKBOX ? 17 : 6, dpi, 96)
                                  : 0;
        RECT client;
        GetClientRect(control, &client);
        HDC dc = GetDC(control);
        HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(control, WM_GETFONT, 0, 0));
        for (int i = 0; i < (list ? (int)SendMessageW(control, CB_GETCOUNT, 0, 0) : 1); ++i) {
            SendMessageW(control, list ? CB_GETLBTEXT : WM_GETTEXT, list ? i : 256, (LPARAM)text);
            RECT need = {0, 0, wraps ? client.right : 0, 0};  // a mnemonic's & is not drawn, nor measured
            DrawTextW(dc, text, -1, &need, DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
            if (need.right > client.right - chrome || (wraps && need.bottom > client.bottom))
                misfits += Utf8(text) + " at " + std::to_string(dpi) + " dpi; ";
        }
        SelectObject(dc, old);
        ReleaseDC(control, dc);
    }
    return misfits;
}

// A change of scale as the dialog sees it once Windows has laid it out anew: the heights it holds
// are those of the old scale and the window has whatever height the default handling gave it.
void ChangeScale(HWND dialog, int dpi)
{
    g_collapsedHeight = g_collapsedHeight * 2 / 3;
    g_expandedHeight = g_expandedHeight * 2 / 3;
    RECT rect;
    GetWindowRect(dialog, &rect);
    SetWindowPos(dialog, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top + 37, SWP_NOMOVE);
    SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), (LPARAM)&rect);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

// One scale, in a child process started by the test below; when it passes it exits with its scale.
TEST(DialogScale, DISABLED_AtTheScaleOfThisProcess)
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    PromptResponder prompts;
    int collapsed = 0, expanded = 0;
    std::string heights, misfits;
    EXPECT_TRUE(RunDialog(&kTable, [&](HWND dialog) {
        collapsed = WindowHeight(dialog);
        expanded = g_expandedHeight;
        CheckDlgButton(dialog, IDC_CHECK_IE, BST_CHECKED);  // hidden, still run: its label shows BŁĄD
        CheckDlgButton(dialog, IDC_CHECK_NETSCAPE, BST_CHECKED);
        // As opened, after Install, a change of scale, Details, a change of scale and Details: the window's height
        // and the two heights held, as c or e when they are the opening collapsed or expanded.
        for (int step : {0, IDOK, WM_DPICHANGED, IDOK, WM_DPICHANGED, IDOK}) {
            if (step)
                step == IDOK ? Press(dialog, IDOK) : ChangeScale(dialog, dpi);
            for (int height : {WindowHeight(dialog), g_collapsedHeight, g_expandedHeight})
                heights += height == collapsed ? "c" : height == expanded ? "e" : "(" + std::to_string(height) + ")";
            heights += " ";
            misfits += Misfits(dialog, dpi);
        }
        Press(dialog, IDCANCEL);
    }));
    EXPECT_EQ("", misfits);
    EXPECT_EQ("cce cce cce ece ece cce ", heights) << dpi << " dpi";
    if (!HasFailure())
        ExitProcess(dpi);
}

TEST(DialogScale, TextsFitAndHeightsFollowTheScale)
{
    auto setScale = [](DWORD dpi) {
        RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &dpi, sizeof dpi);
    };
    DWORD saved = 96, size = sizeof saved;  // Wine's default when the prefix has none
    RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", RRF_RT_REG_DWORD, nullptr, &saved, &size);
    char exe[MAX_PATH + 1];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const wchar_t* arguments = L"--gtest_also_run_disabled_tests --gtest_filter=*DISABLED_*";
    for (DWORD dpi : {96, 120, 144, 192}) {
        setScale(dpi);
        OutsideInstaller child;  // ended by force if it is still running when it goes
        DWORD code = 0;
        EXPECT_TRUE(child.Start(exe, CurrentDirectory(), arguments) && child.WaitForExit(100000, &code));
        EXPECT_EQ(dpi, code) << "the child passed at the scale set for it";
    }
    setScale(saved);
}

}  // namespace
