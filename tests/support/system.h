// Facts about the process and the Wine prefix that tests check against.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Open handles of this process (files, keys, find handles, ...), counted through the kernel.
int CountOpenHandles();

std::string SystemDirectory();
std::string WindowsDirectory();
std::string CurrentDirectory();

// A Unix path (as CMake knows it) in the form Wine's programs use: the Z: drive maps the Unix root.
std::string FromUnixPath(const char* unixPath);

// Unsafe folders as Wine shows them: it starts host programs by their Z: path, reads a host symbolic
// link as a reparse point, a host owner other than the Wine user as ANONYMOUS LOGON, and turns a DACL
// entry for Everyone into the mode bits of "other" (chmod o+w). Each waits until the change shows.
// Wine does not wait for a host program: RunOnHost waits (10 s at most) until done() is true.
void RunOnHost(const std::string& shellCommand, const std::function<bool()>& done);
void MakeHostLink(const std::string& link, const std::string& target);
void RemoveHostLink(const std::string& link);  // Wine's own calls act on the link's target; none: nothing
void GiveToAnotherOwner(const std::string& path);  // needs root on the host
void LetEveryoneChange(const std::string& path);
