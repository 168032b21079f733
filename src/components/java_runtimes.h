// The Sun JREs and JDKs registered on the machine, walked the same way by the installation and by
// the uninstall, so that both reach the same runtimes.
#pragma once

// Called with each home directory read from a version's "JavaHome"; isJdk for the JDK key. Returns 0
// to end the walk.
typedef int (*RuntimeVisitor)(const char* home, int isJdk, void* context);

// Visits the JREs, then the JDKs, below HKLM\SOFTWARE\JavaSoft. Returns 0 when neither key could be
// opened. A version without a readable JavaHome, or with one of 262 characters or more, is skipped.
int WalkRegisteredRuntimes(RuntimeVisitor visit, void* context);
