// Drives the real component dialog (template 101) from inside the test process.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "shell/run_sequence.h"

// Shows the dialog modally with `table` behind its Install button and calls `script` with the dialog
// window once it is up. Returns whether the dialog ended by itself; one still open 5 s after the
// script returned is ended by force.
bool RunDialog(const InstallerTable* table, const std::function<void(HWND)>& script);

// A press of a button as the dialog manager delivers it.
void Press(HWND dialog, int id);
std::wstring ItemText(HWND dialog, int id);
int WindowHeight(HWND window);
