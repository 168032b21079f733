// The program's version, shown in the dialog's caption and written into the log.
#pragma once

enum { kVersionMajor = 1, kVersionMinor = 5 };
