// Paths live in fixed buffers of kPathBuffer characters: at most kMaxPathChars and the terminator.
#pragma once

enum { kMaxPathChars = 260, kPathBuffer = kMaxPathChars + 1 };

// Appends element to path (a buffer of kPathBuffer characters), inserting a backslash unless path
// already ends in one. Whatever does not fit within kMaxPathChars is cut. Returns 1 when the whole
// element fitted, 0 when the result was cut; a caller never uses a cut path.
int JoinPath(char* path, const char* element);

// base joined with element into path (a path buffer). Returns 0 when base is empty or the result had
// to be cut; the path is then not to be used.
int BuildPath(char* path, const char* base, const char* element);

// The system or the Windows directory into path (a path buffer); 0 when it cannot be read or is too long.
int ReadSystemDirectory(char* path);
int ReadWindowsDirectory(char* path);
