// Gives every registered Sun JRE and JDK the OCF jar, properties and policy files, runs the package's
// CopyPolicyFile tool with the runtime's own java.exe, and puts the PC/SC bridge library into place.
#include <direct.h>
#include <windows.h>

#include "../../resources/texts.h"
#include "../base/bounded_text.h"
#include "../base/log.h"
#include "../copy/copy_file.h"
#include "../copy/path.h"
#include "../integrity/clean_process.h"
#include "../integrity/folder_trust.h"
#include "components.h"
#include "java_runtimes.h"

namespace {

// A "JavaHome" as the registry walk gives it (java_runtimes.h): at most 261 characters.
enum { kHomeChars = 262 };

enum FailureKind { kNoFailure, kNoPackage, kNoJava, kIncomplete };

struct JavaRun {
    int vm, ol, op, jp;  // runtimes, jar copies, properties copies, tool runs and policy copies
    int bridge;
    int aborted;
    int haveLastJre;
    char lastJreHome[kHomeChars];
    RuntimeTrustCache trust;
};

// Every file copied here is one the uninstall takes back, so each copy claims its destination for the restart.
int CopyInto(const char* source, const char* base, const char* element, int flags)
{
    char destination[kPathBuffer];
    if (!BuildPath(destination, base, element))
        return kCopyFailed;
    return CopyFileChecked(source, destination, flags | kCopyForRestart);
}

// Runs the package's policy tool with the runtime's java.exe, started by its full path: no command
// interpreter takes part, so neither COMSPEC nor cmd's quoting rules do either. The tool is found
// by its class name in the working directory, the package's sun folder.
int RunPolicyTool(const char* home, const char* argument)
{
    char application[kPathBuffer];
    char command[kPathBuffer];
    char tail[64];
    if (!BuildPath(application, home, "bin\\java.exe") || !CopyText(command, kPathBuffer, "\"") ||
        !AppendText(command, kPathBuffer, home) ||
        !FormatText(tail, sizeof tail, "bin\\java.exe\" CopyPolicyFile %s", argument) || !JoinPath(command, tail))
        return 0;
    unsigned long exitCode = 1;
    return StartCleanProcess(application, command, CREATE_NO_WINDOW, &exitCode) && exitCode == 0;
}

// A failed test counts as absent only when the file is known to be missing: taking an unreadable
// backup or policy file for absent would overwrite the runtime's own policy for good.
int KnownMissing(const char* path)
{
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return 0;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

int IsRegularFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

enum SaveOutcome { kMayReplace, kKeepOwnPolicy, kSaveAborted };

// Saves the runtime's own policy file once, as backup (null: no room for its name). Ours may replace
// theirs only when they had none or their file is safe in the backup: otherwise the next run would
// take ours for theirs and theirs would be gone for good.
int SaveOwnPolicy(const char* policy, const char* backup)
{
    if (KnownMissing(policy))
        return kMayReplace;
    if (!backup)
        return kKeepOwnPolicy;
    // An existing backup is the first one, the runtime's own file: it is never overwritten.
    if (KnownMissing(backup) && CopyFileChecked(policy, backup, 0) == kCopyAborted)
        return kSaveAborted;
    return IsRegularFile(backup) ? kMayReplace : kKeepOwnPolicy;
}

// Handles one runtime with home directory home; returns when done or aborted.
void HandleRuntime(const char* home, int isJdk, JavaRun* run)
{
    const char* prefix = isJdk ? "jre\\" : "";
    char element[64];

    run->vm++;
    // Found, and so counted, but not served: a standard user could swap the java.exe the installer
    // runs elevated, or turn its copies into writes anywhere through a link.
    char failed[kPathBuffer];
    int trust = CheckRuntimeTrust(home, isJdk, failed, &run->trust);
    if (trust != kTrustOk) {
        LogFormat(kLogRuntimeLeftOutFormat, home, FolderTrustReasonText(trust), failed);
        return;
    }
    if (!isJdk)
        run->haveLastJre = CopyText(run->lastJreHome, kHomeChars, home);

    FormatText(element, sizeof element, "%slib\\ext\\ocf1.2.jar", prefix);
    int status = CopyInto("ocf1.2.jar", home, element, 0);
    if (status == kCopyAborted) {
        run->aborted = 1;
        return;
    }
    if (status == kCopyDone)
        run->ol++;

    FormatText(element, sizeof element, "%slib\\opencard.properties", prefix);
    status = CopyInto("opencard.properties", home, element, 0);
    if (status == kCopyAborted) {
        run->aborted = 1;
        return;
    }
    if (status == kCopyDone)
        run->op++;

    // Once one policy operation has worked, the tool has nothing left to do for later runtimes.
    if (run->jp <= 0) {
        run->jp += RunPolicyTool(home, ".java.policy");
        run->jp += RunPolicyTool(home, ".opencard.properties");
    }

    char policy[kPathBuffer];
    char backup[kPathBuffer];
    FormatText(element, sizeof element, "%slib\\security\\java.policy", prefix);
    if (!BuildPath(policy, home, element))
        return;  // a cut path is never used
    int haveBackupName = FormatText(backup, kPathBuffer, "%s.ocf-bak", policy);
    int saved = SaveOwnPolicy(policy, haveBackupName ? backup : nullptr);
    if (saved == kSaveAborted) {
        run->aborted = 1;
        return;
    }
    if (saved == kKeepOwnPolicy)
        return;
    // Unattended, a policy in use is replaced at the restart: its backup exists by now.
    status = CopyFileChecked("java.policy", policy, kCopyForRestart);
    if (status == kCopyAborted)
        run->aborted = 1;
    else if (status == kCopyDone)
        run->jp++;
}

int VisitRuntime(const char* home, int isJdk, void* context)
{
    JavaRun* run = (JavaRun*)context;
    HandleRuntime(home, isJdk, run);
    return !run->aborted;
}

// The bridge library goes into the system directory under both names; only the last copy made
// decides whether it counts. The copy into the last JRE is a courtesy and is never counted.
void InstallBridge(JavaRun* run)
{
    char systemDir[kPathBuffer];
    if (!ReadSystemDirectory(systemDir))
        return;
    int status = CopyInto("ocfpcsc1.dll", systemDir, "ocfpcsc1.dll", kCopySkipIdentical);
    if (status == kCopyAborted) {
        run->aborted = 1;
    } else {
        if (ReadSystemDirectory(systemDir)) {
            status = CopyInto("ocfpcsc1.dll", systemDir, "ocfpcsc164.dll", kCopySkipIdentical);
            if (status == kCopyAborted)
                run->aborted = 1;
        }
        if (status == kCopyDone)
            run->bridge = 1;
    }
    if (run->haveLastJre)
        CopyInto("ocfpcsc1.dll", run->lastJreHome, "lib\\ext\\ocfpcsc1.dll", 0);
}

void Report(char* message, int capacity, const char* text)
{
    if (message)
        CopyText(message, capacity, text);
}

}  // namespace

int InstallJavaPluginComponents(char* message, int capacity)
{
    JavaRun run = {};
    int failure = kNoFailure;

    if (_chdir("sun") != 0) {
        failure = kNoPackage;
    } else {
        if (!WalkRegisteredRuntimes(VisitRuntime, &run))
            failure = kNoJava;
        if (!run.aborted)
            InstallBridge(&run);
        _chdir("..");
    }

    if (failure == kNoFailure &&
        (run.vm <= 0 || run.ol < run.vm || run.op < run.vm || run.jp < run.vm || run.bridge <= 0))
        failure = kIncomplete;

    int result = kResultOk;
    if (run.aborted) {
        result = kResultAborted;
        Report(message, capacity, kMsgUserAbort);
    } else if (failure == kNoPackage) {
        result = kResultError;
        Report(message, capacity, kMsgIncomplete);
    } else if (failure == kNoJava) {
        result = kResultWarning;
        Report(message, capacity, kMsgJavaNotFound);
    } else if (failure == kIncomplete && run.vm <= 0) {
        result = kResultError;
        Report(message, capacity, kMsgJavaNone);
    } else if (failure == kIncomplete && (run.ol < run.vm || run.op < run.vm || run.jp < run.vm)) {
        result = kResultWarning;
        if (message)
            FormatText(message, capacity, kMsgJavaPartialFormat, run.vm, run.ol, run.op, run.jp);
    } else if (failure == kIncomplete) {
        result = kResultError;
        Report(message, capacity, kMsgBridgeCopyFailed);
    }
    return result;
}
