// Process start-up hardening: where DLLs may come from, and where the package is.
#pragma once

// Restricts the DLL search of this process to the system directory, so that a DLL planted beside the
// installer (a download folder) never loads into an elevated process.
void RestrictDllSearchToSystem();

// Makes the folder that holds the executable the working directory. Returns 1 on success; 0 when the
// folder's name is too long or holds characters outside the ANSI code page, or it cannot be entered.
int EnterExecutableFolder();
