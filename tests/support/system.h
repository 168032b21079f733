// Facts about the process and the Wine prefix that tests check against.
#pragma once

#include <windows.h>

#include <string>

// Open handles of this process (files, keys, find handles, ...), counted through the kernel.
int CountOpenHandles();

std::string SystemDirectory();
std::string WindowsDirectory();
std::string CurrentDirectory();

// A Unix path (as CMake knows it) in the form Wine's programs use: the Z: drive maps the Unix root.
std::string FromUnixPath(const char* unixPath);

// The operations the next restart carries out (PendingFileRenameOperations): the raw multi-string, or
// one line "from>to" a pair (a deletion's target is empty, a replacement's starts with "!").
// SetPendingRenames puts a raw value back; "" removes it.
std::string PendingRenames(bool raw = false);
void SetPendingRenames(const std::string& raw);
