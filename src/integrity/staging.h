// The package copied, file by file against the sealed hashes, into a fresh folder that only
// administrators can change, so that what the elevated run copies and starts is what the build shipped,
// and so that a start from a network share works from a local folder.
#pragma once

#include <windows.h>

#include "../copy/path.h"
#include "package_hashes.h"

struct StagedPackage {
    char root[kPathBuffer];  // the staged package root; empty when none was made
    HANDLE hold;             // open on root during the run: another run's clean-up then leaves it alone
};

// The staged folder's security: a protected DACL giving SYSTEM and Administrators full control and
// Users read and execute, inherited by everything created below it.
extern const char kStagingFolderSddl[];
// A staged folder is named with this prefix and 32 hexadecimal digits from the system's random source.
extern const char kStagingPrefix[];
// The folder below a run's staged root that the programs it starts get as TEMP and TMP.
extern const char kStartedProgramsTemp[];

// The package folders by the component that works from each; a run stages only those it will use.
enum PackageFolders { kFolderMsie = 1, kFolderNs = 2, kFolderSun = 4, kFolderDrivers = 8, kAllFolders = 15 };

// Makes a fresh folder below parent and copies into it the package folders of `folders` (msie, ns, sun,
// Drivers) as table lists them, from sourceRoot. A package folder appears in the staged root only when every
// file the table gives it was read and matched its hash; what the table does not list is never copied.
// Returns 1 when the staged root was made, whatever was left out of it, and 0 when there is none.
int StagePackage(const PackageHashTable& table, const char* sourceRoot, const char* parent, unsigned folders,
                 StagedPackage* staged);

// Staging for a run: the build's table, the current directory as the source, the Windows directory's
// Temp as the parent. Removes the folders earlier runs left there first, makes the started programs'
// TEMP inside the new one, and marks it for deletion at the next restart (the driver installer may
// still be using it when the program ends).
int StagePackageForRun(unsigned folders, StagedPackage* staged);

// Lets go of the staged root; the folder itself stays until the restart or the next run.
void ReleaseStagedPackage(StagedPackage* staged);

// Removes the staged folders of earlier runs below parent. One still held by a running instance, or
// with content that cannot be deleted, stays.
void RemoveEarlierStagings(const char* parent);

// Removes path and everything below it. A link (symbolic link, junction, mount point) is removed
// itself, never what it leads to, and a folder is held while its content goes, so that it cannot be
// swapped for a link meanwhile. Returns 1 when path is gone.
int RemoveTreeWithoutFollowing(const char* path);

// Registers every file and folder of our own tree at path, contents before their folder, for
// deletion at the next restart. Returns 1 when all were registered.
int MarkTreeForDeletionAtRestart(const char* path);
