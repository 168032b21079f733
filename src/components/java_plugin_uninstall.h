// Takes back what the Sun Java Plug-in component put into the registered runtimes and the system
// directory, file by file, as far as each file is still the package's own.
#pragma once

#include "../integrity/package_hashes.h"

struct UninstallTally {
    int removed;  // files deleted and runtime policy files given back now
    int pending;  // deletions and policy restores that wait for the next restart
    int failed;   // a deletion or restore that was attempted and failed, or a file that could not be read
    int kept;     // files no longer the package's own, and package policy files with no backup to give back
    int leftOut;  // runtimes that the trust rule keeps the elevated process away from
};

// Compares with `package`, the hashes compiled into the program, so it needs no package folder. Logs
// (base/log.h) every file it removes, restores, keeps or fails on, and every runtime it leaves out.
void UninstallJavaPluginComponents(const PackageHashTable& package, UninstallTally* tally);
