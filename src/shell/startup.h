// Process start-up: where the package is.
#pragma once

// Makes the folder that holds the executable the working directory. Returns 1 on success; 0 when the
// folder's name is too long or holds characters outside the ANSI code page, or it cannot be entered.
int EnterExecutableFolder();
