// The reader type of an unattended run that /READER does not name: the one for the running Windows.
#pragma once

#include "../base/windows_version.h"

// The list index of the reader type that serves `version`: the Win8 entries from Windows 8 (6.2) on,
// the 64-bit ones on a 64-bit Windows. An unread version counts as older than Windows 8.
int ReaderIndexFor(const WindowsVersion& version);

// `given` (a list index from /READER) when it is one, else the index for this Windows; the log says
// which it is and why.
int ChooseReaderIndex(int given);
