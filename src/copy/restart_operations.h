// The file operations Windows carries out at the next restart (PendingFileRenameOperations): placed so
// that a later run can take back what an earlier one left there, touching no other program's pairs.
#pragma once

// Where the restart finds path: its full name, and on 64-bit Windows, for a 32-bit process, SysWOW64
// for the system directory, since the 64-bit session manager would take System32 for the real one.
// Into name (a path buffer); 0 when it cannot be formed.
int RestartPathName(const char* path, char* name);

// Leaves waiting to replace destination at the restart. Returns 1 when registered.
int ReplaceAtRestart(const char* waiting, const char* destination);

enum { kWithdrawFailed = -1 };

// Takes out of the restart's operations every pair that would delete path or move another file onto
// it; with from, only those that move from onto path. Every other pair stays as it was, byte for byte,
// and a value that cannot be read as pairs stays whole. Logs each pair taken out. Returns how many
// were, or kWithdrawFailed.
int WithdrawAtRestart(const char* path, const char* from);

// The same for every deletion of folder or of anything below it.
int WithdrawDeletionsBelow(const char* folder);
