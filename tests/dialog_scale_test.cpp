// The dialog at the scales people use (100% to 200%), with the product's manifest (themed controls,
// DPI awareness): every text it shows fits its control, and the two heights follow the scale. Wine
// takes the scale from HKCU\Control Panel\Desktop\LogPixels when a process starts, so each scale runs
// in a child process of this test started after the value is set.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/bounded_text.h"
#include "dialog_driver.h"
#include "outside.h"
#include "prompts.h"
#include "resource.h"
#include "scratch.h"
#include "shell/dialog.h"
#include "system.h"

namespace {

const char kReportVariable[] = "DIALOG_SCALE_REPORT";
const char kDpiVariable[] = "DIALOG_SCALE_DPI";

int Warning(char* message, int capacity)
{
    CopyText(message, capacity, "częściowo");
    return kResultWarning;
}
int Failing(char* message, int capacity)
{
    CopyText(message, capacity, "nie wyszło");
    return kResultError;
}
int Legacy(char*, int) { return 1; }
int Driver(unsigned, char*, int) { return kResultOk; }
// Every status a label can show: OK, BŁĄD and UWAGA.
const InstallerTable kTable = {Legacy, Failing, Warning, Warning, Driver};

std::wstring WithoutMnemonic(const std::wstring& text)
{
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

// Width and height of text drawn with the control's own font, wrapped at `wrapWidth` when it is > 0.
SIZE Measure(HWND control, const std::wstring& text, int wrapWidth)
{
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(control, WM_GETFONT, 0, 0));
    SIZE size = {0, 0};
    if (wrapWidth > 0) {
        RECT rect = {0, 0, wrapWidth, 0};
        DrawTextW(dc, text.c_str(), (int)text.size(), &rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        size.cx = rect.right;
        size.cy = rect.bottom;
    } else {
        GetTextExtentPoint32W(dc, text.c_str(), (int)text.size(), &size);
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size;
}

int Scaled(int pixelsAt96, int dpi) { return MulDiv(pixelsAt96, dpi, 96); }

// What a control draws beside its text, in pixels: the box of a check box and its gap, the edges of
// a push button, the indent of a group box caption, the arrow and edges of a combo box.
int Chrome(HWND control, int dpi)
{
    wchar_t kind[16] = L"";
    GetClassNameW(control, kind, 16);
    if (_wcsicmp(kind, L"ComboBox") == 0)
        return GetSystemMetrics(SM_CXVSCROLL) + Scaled(6, dpi);
    if (_wcsicmp(kind, L"Button") != 0)
        return 0;
    switch (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) {
    case BS_GROUPBOX:
        return Scaled(16, dpi);
    case BS_AUTOCHECKBOX:
        return Scaled(17, dpi);
    default:
        return Scaled(6, dpi);
    }
}

// Checks every visible text of the dialog against its control.
void ExpectTextsFit(HWND dialog, int dpi, const char* when)
{
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        if (!IsWindowVisible(control))
            continue;
        wchar_t kind[16] = L"";
        GetClassNameW(control, kind, 16);
        RECT client;
        GetClientRect(control, &client);
        std::wstring texts[kReaderTypeCount];
        int count = 1;
        if (_wcsicmp(kind, L"Edit") == 0) {
            continue;  // the report box wraps and scrolls
        } else if (_wcsicmp(kind, L"ComboBox") == 0) {
            count = kReaderTypeCount;
            for (int i = 0; i < count; ++i) {
                wchar_t name[128] = L"";
                SendMessageW(control, CB_GETLBTEXT, i, (LPARAM)name);
                texts[i] = name;
            }
        } else {
            wchar_t text[256] = L"";
            GetWindowTextW(control, text, 256);
            texts[0] = WithoutMnemonic(text);
        }
        bool wraps = _wcsicmp(kind, L"Static") == 0 && (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_LEFT;
        for (int i = 0; i < count; ++i) {
            SIZE size = Measure(control, texts[i], wraps ? client.right : 0);
            int room = client.right - Chrome(control, dpi);
            EXPECT_LE(size.cx, room) << "\"" << Utf8(texts[i]) << "\" at " << dpi << " dpi, " << when;
            if (wraps)
                EXPECT_LE(size.cy, client.bottom) << "\"" << Utf8(texts[i]) << "\" at " << dpi << " dpi, " << when;
        }
    }
}

int ReportBoxTop(HWND dialog)
{
    RECT window, box;
    GetWindowRect(dialog, &window);
    GetWindowRect(GetDlgItem(dialog, IDE_REPORT), &box);
    return box.top - window.top;
}

void DeliverPosted()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

// A change of scale as the dialog sees it once Windows has laid it out anew: the heights it holds
// are those of the old scale and the window has whatever height the default handling gave it.
void ChangeScale(HWND dialog, int dpi)
{
    g_collapsedHeight = g_collapsedHeight * 2 / 3;
    g_expandedHeight = g_expandedHeight * 2 / 3;
    RECT rect;
    GetWindowRect(dialog, &rect);
    rect.bottom += 37;
    MoveWindow(dialog, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), (LPARAM)&rect);
    DeliverPosted();
}

// One scale, in the child process: the parent reads the heights from the report file.
TEST(DialogScale, DISABLED_AtTheScaleOfThisProcess)
{
    const char* reportPath = getenv(kReportVariable);
    const char* wanted = getenv(kDpiVariable);
    ASSERT_TRUE(reportPath && wanted) << "started by TextsFitAndHeightsFollowTheScale";
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(atoi(wanted), dpi) << "the process runs at the scale set for it";

    PromptResponder prompts;
    int collapsed = 0, expanded = 0;
    EXPECT_TRUE(RunDialog(&kTable, [&](HWND dialog) {
        CheckDlgButton(dialog, IDC_CHECK_IE, BST_CHECKED);  // hidden, still run: its label shows BŁĄD
        CheckDlgButton(dialog, IDC_CHECK_NETSCAPE, BST_CHECKED);
        ExpectTextsFit(dialog, dpi, "before the run");
        collapsed = WindowHeight(dialog);
        expanded = g_expandedHeight;
        EXPECT_EQ(ReportBoxTop(dialog), collapsed);
        EXPECT_EQ(collapsed, g_collapsedHeight);

        Press(dialog, IDOK);
        ExpectTextsFit(dialog, dpi, "after the run");

        ChangeScale(dialog, dpi);
        EXPECT_EQ(collapsed, WindowHeight(dialog)) << "collapsed stays collapsed";
        EXPECT_EQ(ReportBoxTop(dialog), g_collapsedHeight);
        EXPECT_EQ(expanded, g_expandedHeight) << "the template's full height, measured while collapsed";

        Press(dialog, IDOK);
        EXPECT_EQ(expanded, WindowHeight(dialog));
        ExpectTextsFit(dialog, dpi, "with the details shown");
        ChangeScale(dialog, dpi);
        EXPECT_EQ(expanded, WindowHeight(dialog)) << "the details stay shown";
        EXPECT_EQ(collapsed, g_collapsedHeight);

        Press(dialog, IDOK);
        EXPECT_EQ(collapsed, WindowHeight(dialog));
        Press(dialog, IDCANCEL);
    }));
    if (FILE* report = fopen(reportPath, "a")) {
        fprintf(report, "%d %d %d\n", dpi, collapsed, expanded);
        fclose(report);
    }
}

// Sets LogPixels for the processes started while it lives, and puts the old value back.
class ScopedLogPixels {
public:
    ScopedLogPixels()
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key_, nullptr);
        DWORD size = sizeof saved_;
        hadValue_ = RegQueryValueExA(key_, "LogPixels", nullptr, nullptr, (BYTE*)&saved_, &size) == ERROR_SUCCESS;
    }
    ~ScopedLogPixels()
    {
        if (hadValue_)
            Set(saved_);
        else
            RegDeleteValueA(key_, "LogPixels");
        RegCloseKey(key_);
    }
    void Set(DWORD dpi) { RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, (const BYTE*)&dpi, sizeof dpi); }

private:
    HKEY key_ = nullptr;
    DWORD saved_ = 96;
    bool hadValue_ = false;
};

DWORD RunThisTest(const wchar_t* filter)
{
    char exe[MAX_PATH + 1];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    OutsideInstaller child;  // ended by force if it is still running when it goes
    DWORD code = 98;
    if (!child.Start(exe, CurrentDirectory(), std::wstring(L"--gtest_also_run_disabled_tests --gtest_filter=") + filter))
        return 99;
    return child.WaitForExit(100000, &code) ? code : 98;
}

TEST(DialogScale, TextsFitAndHeightsFollowTheScale)
{
    ScratchDir scratch("dialog-scale");
    const std::string reportPath = scratch / "heights.txt";
    SetEnvironmentVariableA(kReportVariable, reportPath.c_str());
    {
        ScopedLogPixels logPixels;
        for (int dpi : {96, 120, 144, 192}) {
            logPixels.Set(dpi);
            SetEnvironmentVariableA(kDpiVariable, std::to_string(dpi).c_str());
            EXPECT_EQ(0u, RunThisTest(L"DialogScale.DISABLED_AtTheScaleOfThisProcess")) << dpi << " dpi";
        }
    }

    // Expanded over collapsed as at 100%, within what rounding the font and the frame to whole pixels
    // can move it: one pixel of each height at 100%, scaled.
    int dpi = 0, collapsed = 0, expanded = 0, collapsed96 = 0, expanded96 = 0, scales = 0;
    FILE* report = fopen(reportPath.c_str(), "r");
    ASSERT_TRUE(report);
    while (fscanf(report, "%d %d %d", &dpi, &collapsed, &expanded) == 3) {
        ++scales;
        if (dpi == 96) {
            collapsed96 = collapsed;
            expanded96 = expanded;
        }
        ASSERT_GT(collapsed96, 0) << "100% first";
        ASSERT_GT(collapsed, 0);
        double ratio = (double)expanded / collapsed;
        double ratio96 = (double)expanded96 / collapsed96;
        double slack = (double)(expanded96 + collapsed96) / collapsed96 / collapsed96;
        EXPECT_NEAR(ratio96, ratio, slack) << dpi << " dpi: " << collapsed << " / " << expanded;
        printf("%d dpi: collapsed %d, expanded %d, ratio %.4f\n", dpi, collapsed, expanded, ratio);
    }
    fclose(report);
    EXPECT_EQ(4, scales);
}

}  // namespace
