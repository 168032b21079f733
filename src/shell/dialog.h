// The component dialog: selection, the first-press run, the details toggle and closing.
#pragma once

#include <windows.h>

#include "run_sequence.h"

enum { kStateNotRun = -1, kStateExpanded = 0, kStateCollapsed = 1 };

// Program-wide state of the one dialog.
extern int g_dialogState;
extern int g_collapsedHeight;
extern int g_expandedHeight;

// Shows the dialog modally; table is what its Install button runs. Returns when the dialog ends.
void RunInstallerDialog(HINSTANCE instance, const InstallerTable* table);

INT_PTR CALLBACK InstallerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
