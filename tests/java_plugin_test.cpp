// The Java Plug-in component on the prefix's real registry and file system: runtimes registered by
// the test in scratch folders, each with a stand-in java.exe that records how it was started.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "components/components.h"
#include "prompts.h"
#include "resource.h"
#include "scratch.h"
#include "system.h"
#include "texts.h"

namespace {

const char kJavaSoft[] = "SOFTWARE\\JavaSoft";
const char kJre[] = "Java Runtime Environment";
const char kJdk[] = "Java Development Kit";
const char kUntouched[] = "untouched";
enum { kCapacity = 592 };

enum Layout { kJreLayout, kJdkLayout };
struct RuntimeOptions {
    bool ownPolicy = true;
    bool securityFolder = true;
    int toolExitCode = 0;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

void DeleteJavaSoft()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kJavaSoft);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kJavaSoft);
}

// A version key below "Java Runtime Environment" or "Java Development Kit"; no home: no "JavaHome".
void Register(const char* kind, const std::string& version, const std::string* home)
{
    std::string name = std::string(kJavaSoft) + "\\" + kind + "\\" + version;
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    if (home)
        RegSetValueExA(key, "JavaHome", 0, REG_SZ, (const BYTE*)home->c_str(), (DWORD)home->size() + 1);
    RegCloseKey(key);
}

// A file in the system directory that the component writes: saved before a test, restored after.
struct SavedSystemFile {
    std::string path;
    bool existed;
    std::string content;
};

class JavaPluginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prompts_.reset(new PromptResponder(IDABORT));  // a prompt no test expects ends the run
        DeleteJavaSoft();
        MakeDirs(sun_);
        WriteFile(sun_ + "\\ocf1.2.jar", "package jar");
        WriteFile(sun_ + "\\opencard.properties", "package properties");
        WriteFile(sun_ + "\\java.policy", "package policy");
        WriteFile(sun_ + "\\ocfpcsc1.dll", "package bridge");
        for (const std::string& path : {bridge_, bridge64_}) {
            SavedSystemFile saved = {path, Exists(path), ReadFile(path)};
            saved_.push_back(saved);
            RemoveTree(path);
        }
    }

    void TearDown() override
    {
        DeleteJavaSoft();
        for (const SavedSystemFile& saved : saved_) {
            RemoveTree(saved.path);
            if (saved.existed)
                WriteFile(saved.path, saved.content);
        }
    }

    // The first message box of a process opens user32's lasting handles; tests that expect prompts
    // let that happen before they count handles.
    void WarmUpPrompts()
    {
        prompts_.reset();
        {
            PromptResponder warmUp(IDABORT);
            MessageBoxW(nullptr, L"warm-up", L"warm-up", MB_ABORTRETRYIGNORE);
        }
        prompts_.reset(new PromptResponder(IDABORT));
    }

    // A runtime folder with bin\java.exe, lib\ext and (by the options) its own security folder and
    // policy file; a JDK keeps its library folders below "jre".
    std::string MakeRuntime(const std::string& home, Layout layout, const RuntimeOptions& options = {})
    {
        std::string lib = (layout == kJdkLayout ? home + "\\jre" : home) + "\\lib";
        MakeDirs(home + "\\bin");
        CopyFileA(FromUnixPath(TEST_BINARY_DIR "/java_stand_in.exe").c_str(), (home + "\\bin\\java.exe").c_str(), FALSE);
        if (options.toolExitCode != 0)
            WriteFile(home + "\\bin\\exit-code.txt", std::to_string(options.toolExitCode));
        MakeDirs(lib + "\\ext");
        if (options.securityFolder)
            MakeDirs(lib + "\\security");
        if (options.ownPolicy && options.securityFolder)
            WriteFile(lib + "\\security\\java.policy", "own policy of " + home);
        return home;
    }

    std::string AddJre(const std::string& version, const std::string& home, const RuntimeOptions& options = {})
    {
        MakeRuntime(home, kJreLayout, options);
        Register(kJre, version, &home);
        return home;
    }

    // Runs the component from the package root, as the run sequence does, and checks that it closed
    // everything it opened and came back to the package root.
    int Run(char* message)
    {
        ScopedCurrentDirectory inPackage(package_);
        int handles = CountOpenHandles();
        int result = InstallJavaPluginComponents(message, kCapacity);
        EXPECT_EQ(handles, CountOpenHandles()) << "handles leaked";
        EXPECT_EQ(package_, CurrentDirectory());
        return result;
    }

    int Run()
    {
        lstrcpynA(message_, kUntouched, kCapacity);
        return Run(message_);
    }

    // What the stand-in java.exe of a runtime recorded: one "<command line>|<working directory>" per run.
    static std::vector<std::string> ToolCalls(const std::string& home)
    {
        std::string log = ReadFile(home + "\\bin\\calls.log");
        return log == "<missing>" ? std::vector<std::string>() : Lines(log);
    }

    std::string ExpectedCall(const std::string& home, const char* argument) const
    {
        return "\"" + home + "\\bin\\java.exe\" CopyPolicyFile " + argument + "|" + sun_;
    }

    void ExpectBridgeInSystemDirectory()
    {
        EXPECT_EQ("package bridge", ReadFile(bridge_));
        EXPECT_EQ("package bridge", ReadFile(bridge64_));
    }

    ScratchDir scratch_{"java"};
    std::string package_ = scratch_ / "package";
    std::string sun_ = package_ + "\\sun";
    std::string bridge_ = SystemDirectory() + "\\ocfpcsc1.dll";
    std::string bridge64_ = SystemDirectory() + "\\ocfpcsc164.dll";
    std::vector<SavedSystemFile> saved_;
    std::unique_ptr<PromptResponder> prompts_;
    char message_[kCapacity];
};

// A home registered with a trailing backslash gives the same destinations and commands.
TEST_F(JavaPluginTest, OneJreReceivesEverythingAndRunsTheToolTwice)
{
    for (const char* ending : {"", "\\"}) {
        SCOPED_TRACE(ending);
        DeleteJavaSoft();
        RemoveTree(bridge_);
        RemoveTree(bridge64_);
        std::string home = scratch_ / "jre6";
        RemoveTree(home);
        MakeRuntime(home, kJreLayout);
        std::string registered = home + ending;
        Register(kJre, "1.6.0", &registered);

        EXPECT_EQ(0, Run());
        EXPECT_STREQ(kUntouched, message_);
        EXPECT_TRUE(prompts_->prompts().empty());
        EXPECT_EQ("package jar", ReadFile(home + "\\lib\\ext\\ocf1.2.jar"));
        EXPECT_EQ("package properties", ReadFile(home + "\\lib\\opencard.properties"));
        EXPECT_EQ("package policy", ReadFile(home + "\\lib\\security\\java.policy"));
        EXPECT_EQ("own policy of " + home, ReadFile(home + "\\lib\\security\\java.policy.ocf-bak"));
        EXPECT_EQ("package bridge", ReadFile(home + "\\lib\\ext\\ocfpcsc1.dll"));
        ExpectBridgeInSystemDirectory();
        std::vector<std::string> expected = {ExpectedCall(home, ".java.policy"),
                                             ExpectedCall(home, ".opencard.properties")};
        EXPECT_EQ(expected, ToolCalls(home));
    }
}

TEST_F(JavaPluginTest, ToolRunsOnlyWhileNoPolicyOperationHasWorked)
{
    std::string first = AddJre("1.5.0", scratch_ / "jre5");
    std::string second = AddJre("1.6.0", scratch_ / "jre6");

    EXPECT_EQ(0, Run());
    EXPECT_EQ(2u, ToolCalls(first).size());
    EXPECT_EQ(0u, ToolCalls(second).size());
    EXPECT_EQ("package jar", ReadFile(second + "\\lib\\ext\\ocf1.2.jar"));
    EXPECT_EQ("package policy", ReadFile(second + "\\lib\\security\\java.policy"));
    // The bridge goes into the last JRE handled only.
    EXPECT_EQ("package bridge", ReadFile(second + "\\lib\\ext\\ocfpcsc1.dll"));
    EXPECT_FALSE(Exists(first + "\\lib\\ext\\ocfpcsc1.dll"));
}

TEST_F(JavaPluginTest, FailedToolRunsAreNotCounted)
{
    RuntimeOptions failingTool;
    failingTool.toolExitCode = 1;
    std::string home = AddJre("1.6.0", scratch_ / "jre6", failingTool);

    // The policy copy alone brings the policy operations up to the runtimes.
    EXPECT_EQ(0, Run());
    EXPECT_EQ(2u, ToolCalls(home).size());
}

TEST_F(JavaPluginTest, ToolGateStaysOpenWhileNothingWorked)
{
    RuntimeOptions broken;  // the tool fails and there is no security folder to copy the policy into
    broken.toolExitCode = 3;
    broken.securityFolder = false;
    RuntimeOptions failingTool;
    failingTool.toolExitCode = 1;
    std::string first = AddJre("1.5.0", scratch_ / "jre5", broken);
    std::string second = AddJre("1.6.0", scratch_ / "jre6", failingTool);

    EXPECT_EQ(3, Run());
    EXPECT_STREQ("Niepełna instalacja sterowników OCF dla środowiska JRE/JDK; kod operacji: VM2OL2OP2JP1", message_);
    EXPECT_EQ(2u, ToolCalls(first).size());
    EXPECT_EQ(2u, ToolCalls(second).size());
}

struct RegistrationCase {
    const char* what;
    int homeLength;  // 0: no "JavaHome" value
    bool alsoAGoodJre;
    int result;
    const char* message;
};

TEST_F(JavaPluginTest, VersionsWithoutAUsableHomeAreNotRuntimes)
{
    const RegistrationCase cases[] = {
        {"no JavaHome", 0, false, 1, kMsgJavaNone},
        {"a JavaHome of 262 characters", 262, false, 1, kMsgJavaNone},
        {"no JavaHome beside a good JRE", 0, true, 0, kUntouched},
        {"a JavaHome of 262 characters beside a good JRE", 262, true, 0, kUntouched},
    };
    for (const RegistrationCase& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteJavaSoft();
        RemoveTree(bridge_);
        RemoveTree(bridge64_);
        std::string longHome = "C:\\" + std::string(c.homeLength > 3 ? c.homeLength - 3 : 0, 'j');
        Register(kJre, "1.4.2", c.homeLength ? &longHome : nullptr);
        if (c.alsoAGoodJre)
            AddJre("1.6.0", scratch_ / "jre6");

        EXPECT_EQ(c.result, Run());
        EXPECT_STREQ(c.message, message_);
        ExpectBridgeInSystemDirectory();
    }
}

TEST_F(JavaPluginTest, NoJavaRegistrationStillPlacesTheBridge)
{
    EXPECT_EQ(3, Run());
    EXPECT_STREQ(kMsgJavaNotFound, message_);
    ExpectBridgeInSystemDirectory();

    // JavaSoft present without either runtime key is the same case; and a null buffer is tolerated.
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\Java Plug-in", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    RegCloseKey(key);
    EXPECT_EQ(3, Run(nullptr));
}

TEST_F(JavaPluginTest, MissingPackageFolderTouchesNothing)
{
    AddJre("1.6.0", scratch_ / "jre6");
    RemoveTree(sun_);

    EXPECT_EQ(1, Run());
    EXPECT_STREQ(kMsgIncomplete, message_);
    EXPECT_FALSE(Exists(bridge_));
    EXPECT_FALSE(Exists(scratch_ / "jre6\\lib\\ext\\ocf1.2.jar"));
}

TEST_F(JavaPluginTest, SecondRunKeepsTheFirstBackup)
{
    std::string home = AddJre("1.6.0", scratch_ / "jre6");
    std::string policy = home + "\\lib\\security\\java.policy";

    EXPECT_EQ(0, Run());
    WriteFile(policy, "changed since");
    EXPECT_EQ(0, Run());
    EXPECT_EQ("own policy of " + home, ReadFile(policy + ".ocf-bak"));
    EXPECT_EQ("package policy", ReadFile(policy));
}

TEST_F(JavaPluginTest, RuntimeWithoutItsOwnPolicyGetsOursAndNoBackup)
{
    RuntimeOptions noPolicy;
    noPolicy.ownPolicy = false;
    RuntimeOptions failingTool;  // so that only the policy copy can make the count
    failingTool.ownPolicy = false;
    failingTool.toolExitCode = 1;
    std::string home = AddJre("1.6.0", scratch_ / "jre6", failingTool);

    EXPECT_EQ(0, Run());
    EXPECT_EQ("package policy", ReadFile(home + "\\lib\\security\\java.policy"));
    EXPECT_FALSE(Exists(home + "\\lib\\security\\java.policy.ocf-bak"));
}

// A backup path longer than the old 128-character limit of OpenFile: taking it for absent would
// overwrite the runtime's own policy saved by the first run with ours on the second.
TEST_F(JavaPluginTest, BackupOfADeepRuntimeIsKeptToo)
{
    std::string home = scratch_ / (std::string(50, 'd') + "\\" + std::string(50, 'e') + "\\jre6");
    AddJre("1.6.0", home);
    std::string policy = home + "\\lib\\security\\java.policy";
    ASSERT_GT(policy.size() + 8, 128u);

    EXPECT_EQ(0, Run());
    EXPECT_EQ(0, Run());
    EXPECT_EQ("own policy of " + home, ReadFile(policy + ".ocf-bak"));
}

TEST_F(JavaPluginTest, JdkUsesItsJreFoldersAndItsOwnJava)
{
    std::string home = MakeRuntime(scratch_ / "jdk6", kJdkLayout);
    Register(kJdk, "1.6.0", &home);

    EXPECT_EQ(0, Run());
    EXPECT_EQ("package jar", ReadFile(home + "\\jre\\lib\\ext\\ocf1.2.jar"));
    EXPECT_EQ("package properties", ReadFile(home + "\\jre\\lib\\opencard.properties"));
    EXPECT_EQ("package policy", ReadFile(home + "\\jre\\lib\\security\\java.policy"));
    EXPECT_EQ("own policy of " + home, ReadFile(home + "\\jre\\lib\\security\\java.policy.ocf-bak"));
    EXPECT_EQ(2u, ToolCalls(home).size());
    EXPECT_EQ(ExpectedCall(home, ".java.policy"), ToolCalls(home)[0]);
    // A JDK never becomes the last JRE.
    EXPECT_FALSE(Exists(home + "\\jre\\lib\\ext\\ocfpcsc1.dll"));
    ExpectBridgeInSystemDirectory();
}

// The usual home of a 32-bit JRE on 64-bit Windows: its parentheses must not stop the tool.
TEST_F(JavaPluginTest, ToolRunsFromAHomeUnderProgramFilesX86)
{
    std::string root = "C:\\Program Files (x86)\\OCF test Java";
    RemoveTree(root);
    RuntimeOptions toolOnly;  // no security folder: the tool runs alone must make the count
    toolOnly.securityFolder = false;
    std::string home = AddJre("1.6.0", root + "\\jre6", toolOnly);

    int result = Run();
    std::vector<std::string> calls = ToolCalls(home);
    RemoveTree(root);
    EXPECT_EQ(0, result) << message_;
    std::vector<std::string> expected = {ExpectedCall(home, ".java.policy"), ExpectedCall(home, ".opencard.properties")};
    EXPECT_EQ(expected, calls);
}

struct LongHomeCase {
    int length;
    int result;
    const char* message;
    int toolCalls;
    bool backup;
};

// A destination, backup name or command that does not fit its buffer is not used cut.
TEST_F(JavaPluginTest, LongHomesNeverUseACutPath)
{
    const LongHomeCase cases[] = {
        {210, 0, kUntouched, 1, true},  // the second command is too long
        {230, 0, kUntouched, 0, false},  // the backup name is too long as well
        {245, 3, "Niepełna instalacja sterowników OCF dla środowiska JRE/JDK; kod operacji: VM1OL0OP0JP0", 0, false},
    };
    for (const LongHomeCase& c : cases) {
        SCOPED_TRACE(c.length);
        DeleteJavaSoft();
        std::string home = scratch_ / "long";
        RemoveTree(home);
        while ((int)home.size() < c.length)
            home += "\\" + std::string(std::min<size_t>(100, c.length - home.size() - 1), 'h');
        ASSERT_EQ((size_t)c.length, home.size());
        AddJre("1.6.0", home);
        ASSERT_TRUE(Exists(home + "\\lib\\security")) << "the prefix refused a deep folder";

        EXPECT_EQ(c.result, Run());
        EXPECT_STREQ(c.message, message_);
        EXPECT_EQ((size_t)c.toolCalls, ToolCalls(home).size());
        if (c.toolCalls)
            EXPECT_EQ(ExpectedCall(home, ".java.policy"), ToolCalls(home)[0]);
        std::string policy = home + "\\lib\\security\\java.policy";
        EXPECT_EQ(c.backup, Exists(policy + ".ocf-bak"));
        for (const std::string& full : {home + "\\lib\\ext\\ocf1.2.jar", home + "\\lib\\opencard.properties", policy,
                                        policy + ".ocf-bak", home + "\\lib\\ext\\ocfpcsc1.dll"}) {
            if (full.size() > 260)
                EXPECT_FALSE(Exists(full.substr(0, 260))) << "written to a cut path: " << full.substr(0, 260);
        }
    }
}

struct AbortCase {
    const char* what;
    const char* destination;  // below the first runtime's home
    int toolCalls;
};

// An Abort in a counted copy ends the component: no later runtime, no bridge.
TEST_F(JavaPluginTest, AbortInACountedCopyStopsEverything)
{
    WarmUpPrompts();
    const AbortCase cases[] = {
        {"jar", "lib\\ext\\ocf1.2.jar", 0},
        {"properties", "lib\\opencard.properties", 0},
        {"policy", "lib\\security\\java.policy", 2},
    };
    for (const AbortCase& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteJavaSoft();
        RemoveTree(scratch_ / "jre5");
        RemoveTree(scratch_ / "jre6");
        std::string first = AddJre("1.5.0", scratch_ / "jre5");
        std::string second = AddJre("1.6.0", scratch_ / "jre6");
        std::string inUse = first + "\\" + c.destination;
        WriteFile(inUse, "in use");
        HeldOpen held(inUse);
        size_t promptsBefore = prompts_->prompts().size();

        EXPECT_EQ(2, Run());
        EXPECT_STREQ(kMsgUserAbort, message_);
        EXPECT_EQ(promptsBefore + 1, prompts_->prompts().size());
        EXPECT_EQ((size_t)c.toolCalls, ToolCalls(first).size());
        EXPECT_FALSE(Exists(second + "\\lib\\ext\\ocf1.2.jar"));
        EXPECT_FALSE(Exists(bridge_));
        EXPECT_FALSE(Exists(first + "\\lib\\ext\\ocfpcsc1.dll"));
    }
}

TEST_F(JavaPluginTest, AbortInTheSystemDirectoryStillServesTheLastJre)
{
    WarmUpPrompts();
    const char* names[] = {"ocfpcsc1.dll", "ocfpcsc164.dll"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        DeleteJavaSoft();
        RemoveTree(scratch_ / "jre6");
        RemoveTree(bridge_);
        RemoveTree(bridge64_);
        std::string home = AddJre("1.6.0", scratch_ / "jre6");
        std::string inUse = SystemDirectory() + "\\" + name;
        WriteFile(inUse, "someone else's bridge");
        HeldOpen held(inUse);
        size_t promptsBefore = prompts_->prompts().size();

        EXPECT_EQ(2, Run());
        EXPECT_STREQ(kMsgUserAbort, message_);
        EXPECT_EQ(promptsBefore + 1, prompts_->prompts().size());
        held.Release();
        EXPECT_EQ("someone else's bridge", ReadFile(inUse));
        // After an Abort in the first copy the second is not made.
        if (std::string(name) == "ocfpcsc1.dll")
            EXPECT_FALSE(Exists(bridge64_));
        else
            EXPECT_EQ("package bridge", ReadFile(bridge_));
        EXPECT_EQ("package bridge", ReadFile(home + "\\lib\\ext\\ocfpcsc1.dll"));
    }
}

struct BridgeCase {
    const char* what;
    const char* blocked;  // a folder of this name in the system directory makes that copy fail
    int result;
    const char* message;
};

TEST_F(JavaPluginTest, TheLastSystemDirectoryCopyDecidesTheBridge)
{
    const BridgeCase cases[] = {
        {"first copy fails", "ocfpcsc1.dll", 0, kUntouched},
        {"second copy fails", "ocfpcsc164.dll", 1, kMsgBridgeCopyFailed},
    };
    for (const BridgeCase& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteJavaSoft();
        RemoveTree(scratch_ / "jre6");
        RemoveTree(bridge_);
        RemoveTree(bridge64_);
        AddJre("1.6.0", scratch_ / "jre6");
        MakeDirs(SystemDirectory() + "\\" + c.blocked);

        EXPECT_EQ(c.result, Run());
        EXPECT_STREQ(c.message, message_);
        EXPECT_TRUE(prompts_->prompts().empty());
        RemoveTree(SystemDirectory() + "\\" + c.blocked);
    }
}

TEST_F(JavaPluginTest, IdenticalBridgeInUseCountsWithoutAPrompt)
{
    AddJre("1.6.0", scratch_ / "jre6");
    // A copy carries the last-write time over, as an earlier run of the installer would have left it.
    ASSERT_TRUE(CopyFileA((sun_ + "\\ocfpcsc1.dll").c_str(), bridge_.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((sun_ + "\\ocfpcsc1.dll").c_str(), bridge64_.c_str(), FALSE));
    HeldOpen loaded(bridge_);
    HeldOpen loaded64(bridge64_);

    EXPECT_EQ(0, Run());
    EXPECT_TRUE(prompts_->prompts().empty());
}

// The real program, started from the staged package and driven from outside like a user would.
struct ProgramWindows {
    DWORD processId;
    HWND prompt;  // a message box
    HWND dialog;  // the component dialog
};

BOOL CALLBACK FindProgramWindows(HWND window, LPARAM data)
{
    ProgramWindows* found = (ProgramWindows*)data;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[32];
    if (owner != found->processId || !IsWindowVisible(window) || !GetClassNameW(window, className, 32) ||
        wcscmp(className, L"#32770") != 0)
        return TRUE;
    if (GetDlgItem(window, IDE_REPORT))
        found->dialog = window;
    else
        found->prompt = window;
    return TRUE;
}

ProgramWindows WaitForWindow(DWORD processId, bool wantDialog)
{
    ProgramWindows found = {processId, nullptr, nullptr};
    for (int waited = 0; waited < 30000; waited += 50) {
        found.prompt = found.dialog = nullptr;
        EnumWindows(FindProgramWindows, (LPARAM)&found);
        if (wantDialog ? found.dialog != nullptr : found.prompt != nullptr)
            break;
        Sleep(50);
    }
    return found;
}

std::wstring WindowText(HWND window, int id)
{
    wchar_t text[4096] = L"";
    GetDlgItemTextW(window, id, text, 4096);
    return text;
}

TEST_F(JavaPluginTest, DefaultRunOfTheProgramReportsTheJavaLine)
{
    std::string home = AddJre("1.6.0", scratch_ / "jre6");
    std::string packageRoot = FromUnixPath(STAGED_PACKAGE_DIR);
    std::string program = packageRoot + "\\instalator.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, packageRoot.c_str(),
                               &startup, &process));

    ProgramWindows welcome = WaitForWindow(process.dwProcessId, false);
    ASSERT_TRUE(welcome.prompt) << "no welcome prompt";
    PostMessageW(welcome.prompt, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    HWND dialog = WaitForWindow(process.dwProcessId, true).dialog;
    ASSERT_TRUE(dialog) << "no component dialog";
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDOK));
    std::wstring label;
    for (int waited = 0; waited < 30000 && label.empty(); waited += 50) {
        Sleep(50);
        label = WindowText(dialog, IDT_STATUS_JAVA);
    }
    std::wstring report = WindowText(dialog, IDE_REPORT);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDCANCEL));
    ProgramWindows restart = WaitForWindow(process.dwProcessId, false);
    if (restart.prompt)
        PostMessageW(restart.prompt, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    DWORD waitResult = WaitForSingleObject(process.hProcess, 30000);
    if (waitResult != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    EXPECT_EQ(L"OK", label);
    std::wstring javaLine = Wide1250("Instalacja komponentów dla Sun Java Plug-in: OK\r\n\r\n");
    ASSERT_GE(report.size(), javaLine.size()) << report;
    EXPECT_EQ(javaLine, report.substr(report.size() - javaLine.size())) << "the Java line is the report's last";
    EXPECT_EQ(WAIT_OBJECT_0, waitResult) << "the program did not end after Close";
    EXPECT_EQ(2u, ToolCalls(home).size());
    EXPECT_EQ(ReadFile(packageRoot + "\\sun\\ocf1.2.jar"), ReadFile(home + "\\lib\\ext\\ocf1.2.jar"));
    EXPECT_EQ(ReadFile(packageRoot + "\\sun\\ocfpcsc1.dll"), ReadFile(bridge_));
}

}  // namespace
