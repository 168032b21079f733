// Copy of one file with the conflict prompt (Abort/Retry/Ignore), and the CopyStatus codes.
#pragma once

enum CopyStatus {
    kCopyDone = 0,          // copied, accepted as identical, or the user answered Ignore
    kCopyFailed = 1,        // failed and no prompt was possible
    kCopyNothingMatched = 2,  // tree copy: the pattern matched nothing or its enumeration failed
    kCopyNoSubfolder = 3,   // tree copy: a destination subfolder could not be created
    kCopyAborted = 4,       // the user answered Abort
};

enum CopyFlags {
    kCopySkipIdentical = 1,  // a destination that cannot be overwritten but has the source's time and size is accepted
    // The destination is one the uninstall takes back: once it is in place (or accepted), nothing an earlier
    // run left for the restart deletes or replaces it, and unattended, one in use is replaced at the restart.
    kCopyForRestart = 2,
};

// Copies source over destination. When the copy fails although both files can be opened, asks the
// user, showing both files' names, sizes and UTC modification times. flags: CopyFlags.
int CopyFileChecked(const char* source, const char* destination, int flags);

// Where kCopyForRestart leaves the new file that waits for the restart: beside destination, in the same
// folder. Into waiting (a path buffer); 0 when the name does not fit.
int WaitingFileName(const char* destination, char* waiting);

enum { kConflictTextChars = 512 };

struct ConflictFileFacts {
    const char* name;
    unsigned long long size;
    int year, month, day, hour, minute, second;
};

// Composes the conflict prompt into text (kConflictTextChars wide characters). Names that would not
// fit are shortened from the front, keeping the end of each path, so the rest of the text stays whole.
void ComposeConflictText(const ConflictFileFacts& source, const ConflictFileFacts& destination, wchar_t* text);
