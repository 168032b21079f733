// java.exe of the demo JRE that scripts/demo-java.sh sets up in a Wine prefix; it is not part of the
// package. It cannot run Java itself: asked to run the package's CopyPolicyFile tool, it hands the
// class to the host machine's own JVM through Wine (which starts Unix programs by their Z: path), with
// the Wine user's profile as the Java home directory, and ends with the tool's exit code. Where that
// is not possible it says what is missing and fails, as a runtime without a working JVM would.
#include <stdio.h>
#include <string.h>
#include <windows.h>

namespace {

enum { kPathChars = 1024, kScriptChars = 4096 };
const int kToolTimeoutMs = 60000;

typedef char*(CDECL* UnixFileNameFn)(const WCHAR*);

// Wine's own name of a Windows path on the host; false outside Wine.
bool UnixPath(const char* windowsPath, char* out, size_t cap)
{
    static UnixFileNameFn toUnix =
        (UnixFileNameFn)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!toUnix)
        return false;
    WCHAR wide[kPathChars];
    if (!MultiByteToWideChar(CP_ACP, 0, windowsPath, -1, wide, kPathChars))
        return false;
    char* unix = toUnix(wide);
    if (!unix)
        return false;
    bool fits = strlen(unix) < cap;
    if (fits)
        strcpy(out, unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return fits;
}

// Appends text to a shell script as one single-quoted word.
bool AppendQuoted(char* script, size_t cap, const char* text)
{
    size_t n = strlen(script);
    if (n + 1 >= cap)
        return false;
    script[n++] = '\'';
    for (const char* p = text; *p; ++p) {
        const char* piece = *p == '\'' ? "'\\''" : nullptr;
        size_t len = piece ? strlen(piece) : 1;
        if (n + len + 2 >= cap)
            return false;
        if (piece) {
            memcpy(script + n, piece, len);
        } else if (*p == '"') {
            return false;  // would end the Windows command line's quoted script
        } else {
            script[n] = *p;
        }
        n += len;
    }
    script[n++] = '\'';
    script[n] = '\0';
    return true;
}

bool Append(char* script, size_t cap, const char* text)
{
    if (strlen(script) + strlen(text) >= cap)
        return false;
    strcat(script, text);
    return true;
}

int RunPolicyToolOnHost(const char* argument)
{
    char cwd[MAX_PATH + 1], profile[MAX_PATH + 1], temp[MAX_PATH + 1], resultFile[MAX_PATH + 1];
    char unixCwd[kPathChars], unixHome[kPathChars], unixResult[kPathChars];
    DWORD n = GetCurrentDirectoryA(sizeof cwd, cwd);
    DWORD p = GetEnvironmentVariableA("USERPROFILE", profile, sizeof profile);
    DWORD t = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n >= sizeof cwd || p == 0 || p >= sizeof profile || t == 0 || t >= sizeof temp ||
        !GetTempFileNameA(temp, "jv", 0, resultFile)) {
        fprintf(stderr, "demo java.exe: cannot find the working, profile or temporary folder\n");
        return 1;
    }
    DeleteFileA(resultFile);
    if (!UnixPath(cwd, unixCwd, sizeof unixCwd) || !UnixPath(profile, unixHome, sizeof unixHome) ||
        !UnixPath(resultFile, unixResult, sizeof unixResult)) {
        fprintf(stderr, "demo java.exe: not running under Wine, so there is no host JVM to run CopyPolicyFile %s\n",
                argument);
        return 1;
    }

    // The host process cannot be waited for through Wine, so the script leaves its exit code in a file.
    char script[kScriptChars] = "cd ";
    bool ok = AppendQuoted(script, sizeof script, unixCwd) &&
              Append(script, sizeof script, " && { command -v java >/dev/null || exit 127; java ") &&
              Append(script, sizeof script, "-Duser.home=") && AppendQuoted(script, sizeof script, unixHome) &&
              Append(script, sizeof script, " -cp . CopyPolicyFile ") &&
              AppendQuoted(script, sizeof script, argument) && Append(script, sizeof script, "; }; echo $? > ") &&
              AppendQuoted(script, sizeof script, unixResult);
    char command[kScriptChars + 64];
    if (!ok || snprintf(command, sizeof command, "Z:\\bin\\sh -c \"%s\"", script) >= (int)sizeof command) {
        fprintf(stderr, "demo java.exe: the paths are too long for the host command\n");
        return 1;
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        fprintf(stderr, "demo java.exe: cannot start the host shell /bin/sh (error %lu); CopyPolicyFile %s needs a "
                "JVM on the host\n", GetLastError(), argument);
        return 1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    int code = -1;
    for (int waited = 0; waited < kToolTimeoutMs && code < 0; waited += 100) {
        Sleep(100);
        FILE* f = fopen(resultFile, "r");
        if (!f)
            continue;
        int value;
        if (fscanf(f, "%d", &value) == 1)
            code = value;
        fclose(f);
    }
    DeleteFileA(resultFile);
    if (code < 0) {
        fprintf(stderr, "demo java.exe: the host JVM did not finish CopyPolicyFile %s in time\n", argument);
        return 1;
    }
    if (code == 127)
        fprintf(stderr, "demo java.exe: the host has no 'java' command; CopyPolicyFile %s needs one\n", argument);
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "CopyPolicyFile") == 0)
        return RunPolicyToolOnHost(argv[2]);
    if (argc == 2 && strcmp(argv[1], "-version") == 0) {
        fprintf(stderr, "java.exe of the installer's demo JRE (a stand-in: runs only CopyPolicyFile, on the host JVM)\n");
        return 0;
    }
    fprintf(stderr, "demo java.exe: only \"java CopyPolicyFile <file>\" is supported by this stand-in\n");
    return 1;
}
