// The only ways the program writes text into a caller's buffer: a bounded copy and a bounded format.
#pragma once

// Copies src into dst (capacity cap, terminator included) and always terminates when cap > 0.
// Returns 1 when the whole text fitted, 0 when it was cut or there was no room at all.
int CopyText(char* dst, int cap, const char* src);

// Appends src to the text already in dst, within the same rules as CopyText.
int AppendText(char* dst, int cap, const char* src);

// printf-style formatting into dst, bounded by cap and always terminated when cap > 0.
// Returns 1 when the whole text fitted, 0 when it was cut.
int FormatText(char* dst, int cap, const char* format, ...);

// The same for wide text (paths and names that need not fit a code page).
int FormatWideText(wchar_t* dst, int cap, const wchar_t* format, ...);
