// Takes back the OCF jar, properties file, bridge library and policy file of every registered runtime,
// and the bridge library of the system directory. Nothing is recorded at install time: a file is the
// package's when its SHA-256 equals that of the package file the installer copies there. The hash is
// taken and the file deleted by name, one after the other; that is sound because only administrators
// may change these folders (the trust rule for runtimes, the system's own ACL for the system directory).
#include "java_plugin_uninstall.h"

#include <string.h>
#include <windows.h>

#include "../../resources/texts.h"
#include "../base/log.h"
#include "../base/bounded_text.h"
#include "../copy/copy_file.h"
#include "../copy/path.h"
#include "../copy/restart_operations.h"
#include "../integrity/folder_trust.h"
#include "java_runtimes.h"

namespace {

enum FileState { kAbsent, kOurs, kNotOurs, kUnreadable };

struct Uninstall {
    const PackageHashTable* package;
    UninstallTally* tally;
    RuntimeTrustCache trust;
};

// Package files a runtime's file may equal (null-ended lists).
const char* const kJar[] = {"sun\\ocf1.2.jar", nullptr};
const char* const kProperties[] = {"sun\\opencard.properties", nullptr};
const char* const kRuntimeBridge[] = {"sun\\ocfpcsc1.dll", nullptr};
const char* const kPolicy[] = {"sun\\java.policy", nullptr};
// The system directory's bridge may have come with any component that carries one.
const char* const kAnyBridge[] = {"sun\\ocfpcsc1.dll", "msie\\ocfpcsc1.dll", "msie\\ocfpcsc164.dll",
                                  "ns\\ocfpcsc1.dll", nullptr};

int IsPlainFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

int Classify(const PackageHashTable& package, const char* path, const char* const* names)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kAbsent : kUnreadable;
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        return kNotOurs;
    unsigned char digest[kSha256Bytes];
    if (!HashFile(path, digest))
        return kUnreadable;
    for (; *names; ++names) {
        const PackageFile* file = FindPackageFile(package, *names);
        if (file && memcmp(file->sha256, digest, kSha256Bytes) == 0)
            return kOurs;
    }
    return kNotOurs;
}

// What a running browser or JVM holding the file open makes a deletion or rename fail with: a loaded
// DLL gives access denied on Windows, a file opened without delete sharing a sharing violation.
int InUse(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_USER_MAPPED_FILE;
}

// A read-only copy of ours would fail the deletion now and again at the restart.
void ClearReadOnly(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
}

// An unattended installation may have left a file of ours waiting to replace path at the restart: without
// it the restart would bring the package's file back after this uninstall. Deleting the waiting file alone
// already stops that; the pair goes too, so that the restart does not fail on it.
void CancelArrival(Uninstall* run, const char* path, const char* const* names)
{
    char waiting[kPathBuffer];
    if (!WaitingFileName(path, waiting))
        return;
    WithdrawAtRestart(path, waiting);
    if (Classify(*run->package, waiting, names) != kOurs)
        return;
    ClearReadOnly(waiting);
    if (DeleteFileA(waiting)) {
        run->tally->removed++;
        LogFormat(kLogUninstallRemovedFormat, waiting);
    } else {
        run->tally->failed++;
        LogFormat(kLogUninstallFailedFormat, waiting);
    }
}

void TakeBackFile(Uninstall* run, const char* path, const char* const* names)
{
    UninstallTally* tally = run->tally;
    CancelArrival(run, path, names);
    switch (Classify(*run->package, path, names)) {
    case kAbsent:
        return;
    case kNotOurs:
        tally->kept++;
        LogFormat(kLogUninstallChangedFormat, path);
        return;
    case kUnreadable:
        tally->failed++;
        LogFormat(kLogUninstallUnreadableFormat, path);
        return;
    }
    ClearReadOnly(path);
    if (DeleteFileA(path)) {
        tally->removed++;
        LogFormat(kLogUninstallRemovedFormat, path);
    } else if (InUse(GetLastError()) && MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        tally->pending++;
        LogFormat(kLogUninstallAtRestartFormat, path);
    } else {
        tally->failed++;
        LogFormat(kLogUninstallFailedFormat, path);
    }
}

// The runtime's own policy file comes back from its backup, by a rename that replaces ours in one
// step, so that the runtime is never without a policy. Without a backup ours stays.
void GiveBackPolicy(Uninstall* run, const char* policy)
{
    UninstallTally* tally = run->tally;
    CancelArrival(run, policy, kPolicy);
    char backup[kPathBuffer];
    int haveBackup = FormatText(backup, kPathBuffer, "%s.ocf-bak", policy) && IsPlainFile(backup);
    int state = Classify(*run->package, policy, kPolicy);
    if (state == kUnreadable) {
        tally->failed++;
        LogFormat(kLogUninstallUnreadableFormat, policy);
        return;
    }
    // Without a backup the installer never replaced this policy, or it was the runtime's only one: either
    // way it is the runtime's file now and not worth a line.
    if (state != kOurs) {
        if (haveBackup) {
            tally->kept++;
            if (state == kNotOurs)
                LogFormat(kLogUninstallChangedFormat, policy);
            LogFormat(kLogUninstallBackupStaysFormat, backup);
        }
        return;
    }
    if (!haveBackup) {
        tally->kept++;
        LogFormat(kLogUninstallNoBackupFormat, policy);
        return;
    }
    ClearReadOnly(policy);
    if (MoveFileExA(backup, policy, MOVEFILE_REPLACE_EXISTING)) {
        tally->removed++;
        LogFormat(kLogUninstallRestoredFormat, policy);
    } else if (InUse(GetLastError()) &&
               MoveFileExA(backup, policy, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) {
        tally->pending++;
        LogFormat(kLogUninstallRestoreAtRestartFormat, policy);
    } else {
        tally->failed++;
        LogFormat(kLogUninstallRestoreFailedFormat, policy);
    }
}

int TakeBackFromRuntime(const char* home, int isJdk, void* context)
{
    Uninstall* run = (Uninstall*)context;
    // A link planted on the way would turn the restore of a backup into a write of someone else's choosing.
    char failed[kPathBuffer];
    int trust = CheckRuntimeTrust(home, isJdk, failed, &run->trust);
    if (trust != kTrustOk) {
        run->tally->leftOut++;
        LogFormat(kLogRuntimeLeftOutFormat, home, FolderTrustReasonText(trust), failed);
        return 1;
    }
    const struct {
        const char* element;
        const char* const* names;
    } kFiles[] = {
        {"lib\\ext\\ocf1.2.jar", kJar},
        {"lib\\opencard.properties", kProperties},
        {"lib\\ext\\ocfpcsc1.dll", kRuntimeBridge},
    };
    const char* prefix = isJdk ? "jre\\" : "";
    char element[64];
    char path[kPathBuffer];
    // A path that does not fit was never written by the installer either.
    for (const auto& file : kFiles) {
        if (FormatText(element, sizeof element, "%s%s", prefix, file.element) && BuildPath(path, home, element))
            TakeBackFile(run, path, file.names);
    }
    if (FormatText(element, sizeof element, "%slib\\security\\java.policy", prefix) && BuildPath(path, home, element))
        GiveBackPolicy(run, path);
    return 1;
}

// Where the system directory's files really are: a deletion at the restart is carried out by the 64-bit
// session manager, which would take the name System32 of a 32-bit process for the real System32.
int ReadOwnSystemDirectory(char* path)
{
    char system[kPathBuffer];
    return ReadSystemDirectory(system) && RestartPathName(system, path);
}

void TakeBackFromSystemDirectory(Uninstall* run)
{
    char directory[kPathBuffer];
    char path[kPathBuffer];
    if (!ReadOwnSystemDirectory(directory)) {
        run->tally->failed++;
        LogLine(kMsgNoSystemDir);
        return;
    }
    const char* const kNames[] = {"ocfpcsc1.dll", "ocfpcsc164.dll"};
    for (const char* name : kNames) {
        if (BuildPath(path, directory, name))
            TakeBackFile(run, path, kAnyBridge);
    }
}

}  // namespace

void UninstallJavaPluginComponents(const PackageHashTable& package, UninstallTally* tally)
{
    *tally = UninstallTally();
    Uninstall run = {&package, tally, {{0}}};
    WalkRegisteredRuntimes(TakeBackFromRuntime, &run);
    TakeBackFromSystemDirectory(&run);
}
