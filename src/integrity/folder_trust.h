// May the elevated installer write into, or run code from, a folder? Only when nobody but the
// administrators (and the account it runs as) can change that folder: otherwise a standard user could
// swap what runs or redirect where the installer writes.
#pragma once

#include <windows.h>

#include "../copy/path.h"

enum FolderTrust {
    kTrustOk = 0,
    kTrustMissing = 1,         // a folder that must be there is not, or is no folder
    kTrustUnreadable = 2,      // its attributes, security or content could not be read
    kTrustReparsePoint = 3,    // a junction, a symbolic link or another reparse point
    kTrustForeignOwner = 4,    // its owner could rewrite its DACL
    kTrustNullDacl = 5,        // no DACL at all: everyone may do everything
    kTrustOthersMayWrite = 6,  // a DACL entry lets someone else change it
    kTrustNotMadeHere = 7,     // its DACL is not the one this program gives the folders it makes
};

enum { kAccountSidBytes = SECURITY_MAX_SID_SIZE, kCheckedPathChars = 1024 };

// The rights by which someone could change what a folder holds: write or add to it, set its attributes
// or extended attributes (enough to turn an empty folder into a junction), delete it or a child, or
// change its DACL or owner. For a folder on the way to one the installer uses, only the rights that
// rename, replace or re-link the next folder down count: adding a folder beside it does no harm, so
// the volume root's "Authenticated Users may create folders" passes.
extern const ACCESS_MASK kContentChangeRights;
extern const ACCESS_MASK kPathChangeRights;

// BUILTIN\Administrators, laid out as the system lays it out (static; never freed).
PSID AdministratorsSid();

// The account this process runs as, copied into sid (kAccountSidBytes). Returns 0 when it cannot be read.
int ReadInstallingAccount(void* sid);

// Judges a security descriptor with its owner and DACL: the owner and every entry that grants one of
// `rights` must be SYSTEM, Administrators, TrustedInstaller or installingAccount (may be null). Generic
// rights count as the file rights they map to; inherit-only entries do not apply to the folder itself;
// deny entries never make a folder safe. Returns a FolderTrust.
int JudgeFolderSecurity(PSECURITY_DESCRIPTOR descriptor, PSID installingAccount,
                        ACCESS_MASK rights = kContentChangeRights);

// The same judgement for a folder (or file) on disk, which must also not be a reparse point. A path
// that does not exist passes unless mustExist; then it fails as kTrustMissing, as does a file.
int CheckFolderTrust(const char* path, PSID installingAccount, int mustExist);

// Whether a folder, open as `folder` (with READ_CONTROL and FILE_READ_ATTRIBUTES), is one this program
// made: no reparse point, owned by SYSTEM, Administrators, TrustedInstaller or the installing account, and
// carrying the DACL the program gives its folders (no inherited entry, nothing for anyone untrusted
// beyond read and execute for Users). A folder that anyone else made there differs in one of them.
int CheckMadeByInstaller(HANDLE folder);
// The same judgement on a folder's security descriptor (owner and DACL). Returns a FolderTrust.
int JudgeMadeByInstaller(PSECURITY_DESCRIPTOR descriptor, PSID installingAccount);

// Every folder from the volume root (a drive's, or a share's \\server\share) down to and including
// `folder` (a full path of fewer than kCheckedPathChars characters): none may be missing or a reparse point, and none may be renamed, replaced or
// re-linked by someone untrusted (kPathChangeRights). Returns a FolderTrust; failedChars (may be null)
// receives the length of the folder that failed, as a prefix of `folder`.
int CheckPathTrust(const wchar_t* folder, PSID installingAccount, int* failedChars);

// What one walk over the registered runtimes learnt of the folders above their homes: runtimes side by
// side share them, and the rule itself keeps anyone untrusted from changing a folder that passed.
struct RuntimeTrustCache {
    char soundParent[kPathBuffer];  // a home's parent whose folders from the root down passed; "" none
};

// Every folder of a Java runtime with home directory `home` that the installer reaches it through,
// writes into or runs code from: every folder from the root down to the home's parent by the rule of
// CheckPathTrust; the home's parent, the home, bin and everything below it, and lib, lib\ext,
// lib\security (a JDK: jre, jre\bin and below, jre\lib, jre\lib\ext, jre\lib\security) by the full rule.
// Returns the first FolderTrust other than kTrustOk, with that folder in failedPath (kPathBuffer
// characters, may be null; empty when all passed).
// cache (may be null) spares the folders above a parent that an earlier check of the same walk passed.
int CheckRuntimeTrust(const char* home, int isJdk, char* failedPath, RuntimeTrustCache* cache = nullptr);

// A Polish phrase for a FolderTrust, for the log.
const char* FolderTrustReasonText(int reason);
