// The one place where text meets the screen. The program's own texts are Windows-1250 bytes and are
// widened with that code page, whatever the system's code page for non-Unicode programs is; text
// read from the system (file names) is widened with the system's own ANSI code page.
#pragma once

#include <windows.h>

enum { kCodePageProgram = 1250 };

// Widens text into out (capacity cap in wide characters, terminator included), cutting what does
// not fit; out is always terminated when cap > 0. Returns the number of characters written.
int WidenProgramText(const char* text, wchar_t* out, int cap);
int WidenSystemText(const char* text, wchar_t* out, int cap);
// The reverse of WidenProgramText, for the log: a character outside Windows-1250 becomes '?'.
int NarrowToProgramText(const wchar_t* text, char* out, int cap);

int ShowMessage(HWND owner, const char* text, const char* caption, UINT style);
int ShowMessageWide(HWND owner, const wchar_t* text, const char* caption, UINT style);
void SetWindowProgramText(HWND window, const char* text);
void SetItemProgramText(HWND dialog, int id, const char* text);
void AddComboProgramText(HWND combo, const char* text);
