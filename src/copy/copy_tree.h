// Copy of a wildcard-selected tree of files and folders into an existing destination folder.
#pragma once

// Copies every entry that `pattern` (a path whose last element is a wildcard, e.g. "ocf\*") matches
// into destDir, each file through CopyFileChecked. With recurse, matched folders are created below
// destDir and filled with what the same wildcard matches inside them, depth first; a folder that is a
// reparse point (a junction or a link) is skipped. The first failure
// ends the walk and its CopyStatus is returned; failedPath (kPathBuffer characters, may be null) is
// emptied first and then names what failed: the source path of a file (1, 4) or the destination
// folder (3). An entry whose path does not fit a path buffer is never used under a cut name: it fails
// as a file (1) or a folder (3) with the path as far as it fits.
int CopyTree(const char* pattern, const char* destDir, int recurse, char* failedPath);
