// Widening of program and system texts for the wide user-interface calls.
#include "ui_text.h"

namespace {

// Long enough for the longest text shown: the summary report of 3552 bytes.
enum { kUiTextChars = 4096, kCaptionChars = 128 };

int Widen(UINT codePage, const char* text, wchar_t* out, int cap)
{
    if (!out || cap <= 0)
        return 0;
    out[0] = L'\0';
    if (!text || !text[0])
        return 0;
    int n = MultiByteToWideChar(codePage, 0, text, -1, out, cap);
    if (n > 0)
        return n - 1;
    // Too long for out: convert what fits. Each byte of these single-byte code pages is one character.
    n = MultiByteToWideChar(codePage, 0, text, cap - 1, out, cap - 1);
    if (n < 0)
        n = 0;
    out[n] = L'\0';
    return n;
}

}  // namespace

int WidenProgramText(const char* text, wchar_t* out, int cap)
{
    return Widen(kCodePageProgram, text, out, cap);
}

int WidenSystemText(const char* text, wchar_t* out, int cap)
{
    return Widen(CP_ACP, text, out, cap);
}

int NarrowToProgramText(const wchar_t* text, char* out, int cap)
{
    if (!out || cap <= 0)
        return 0;
    out[0] = '\0';
    if (!text || !text[0])
        return 0;
    int n = WideCharToMultiByte(kCodePageProgram, 0, text, -1, out, cap, nullptr, nullptr);
    if (n > 0)
        return n - 1;
    // Too long for out: convert what fits, one byte per character in this code page.
    n = WideCharToMultiByte(kCodePageProgram, 0, text, cap - 1, out, cap - 1, nullptr, nullptr);
    if (n < 0)
        n = 0;
    out[n] = '\0';
    return n;
}

int ShowMessageWide(HWND owner, const wchar_t* text, const char* caption, UINT style)
{
    wchar_t wideCaption[kCaptionChars];
    WidenProgramText(caption, wideCaption, kCaptionChars);
    return MessageBoxW(owner, text, wideCaption, style);
}

int ShowMessage(HWND owner, const char* text, const char* caption, UINT style)
{
    wchar_t wideText[kUiTextChars];
    WidenProgramText(text, wideText, kUiTextChars);
    return ShowMessageWide(owner, wideText, caption, style);
}

void SetWindowProgramText(HWND window, const char* text)
{
    wchar_t wide[kUiTextChars];
    WidenProgramText(text, wide, kUiTextChars);
    SetWindowTextW(window, wide);
}

void SetItemProgramText(HWND dialog, int id, const char* text)
{
    SetWindowProgramText(GetDlgItem(dialog, id), text);
}

void AddComboProgramText(HWND combo, const char* text)
{
    wchar_t wide[kCaptionChars];
    WidenProgramText(text, wide, kCaptionChars);
    SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)wide);
}
