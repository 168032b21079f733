// Late binding of the system DLLs that the loader must not bind before WinMain.
#pragma once

// Loads USER32, ADVAPI32 and BCRYPT from the system directory and fills the import slots through which
// the program calls them. Call after RestrictDllSearchToSystem and before any call into those DLLs.
// Returns 0 when a DLL or a function could not be bound; nothing of them may be called then.
int BindSystemLibraries();
