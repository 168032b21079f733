// The Java Plug-in component on the prefix's real registry and file system: runtimes registered by
// the test, each with a stand-in java.exe that records how it was started.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <tuple>

#include "base/bounded_text.h"
#include "base/log.h"
#include "components/components.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"
#include "texts.h"

namespace {

const char kUntouched[] = "untouched";
std::string g_log;
const std::string kPartial = "Niepełna instalacja sterowników OCF dla środowiska JRE/JDK; kod operacji: ";

void Register(const char* version, const std::string* home, const char* kind = "Java Runtime Environment")
{
    HKEY key;
    std::string name = std::string("SOFTWARE\\JavaSoft\\") + kind + "\\" + version;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (home)
        RegSetValueExA(key, "JavaHome", 0, REG_SZ, (const BYTE*)home->c_str(), (DWORD)home->size() + 1);
    RegCloseKey(key);
}

class JavaPluginTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }

    // No Java, no bridge in the system directory, a package whose files hold their own names; a prompt aborts.
    void Reset()
    {
        held_.clear();
        prompts_.reset();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
        for (const std::string& path : {root_, scratch_ / "jre", sun_, bridge_, bridge64_})
            RemoveTree(path);
        MakeDirs(sun_);
        for (const char* name : {"ocf1.2.jar", "opencard.properties", "java.policy", "ocfpcsc1.dll"})
            WriteFile(sun_ + "\\" + name, name);
        WriteFile(sun_ + "\\calls.log", "");
        prompts_.reset(new PromptResponder(IDABORT));
    }

    // A runtime with bin\java.exe, lib\ext and its own policy file; a JDK keeps its lib below "jre".
    std::string Add(const char* version, const std::string& home, bool jdk = false, const char* ending = "")
    {
        std::string lib = home + (jdk ? "\\jre\\lib" : "\\lib"), registered = home + ending;
        for (const std::string& folder : {home + "\\bin", lib + "\\ext", lib + "\\security"})
            MakeDirs(folder);
        CopyFileA(FromUnixPath(TEST_BINARY_DIR "/java_stand_in.exe").c_str(), (home + "\\bin\\java.exe").c_str(), 0);
        WriteFile(lib + "\\security\\java.policy", "own policy");
        Register(version, &registered, jdk ? "Java Development Kit" : "Java Runtime Environment");
        return home;
    }

    // From the package root, as the run sequence does; all it opened must be closed and the directory restored.
    int Run(bool withBuffer = true)
    {
        ScopedCurrentDirectory inPackage(package_);
        lstrcpynA(message_, kUntouched, sizeof message_);
        int handles = CountOpenHandles();
        int result = InstallJavaPluginComponents(withBuffer ? message_ : nullptr, sizeof message_);
        EXPECT_EQ(handles, CountOpenHandles()) << "handles leaked";
        EXPECT_EQ(package_, CurrentDirectory());
        return result;
    }

    // What the stand-in java.exes recorded, "<command line>|<working directory>" a line, and what they should.
    std::string Calls() const { return ReadFile(sun_ + "\\calls.log"); }
    std::string ToolRuns(const std::string& home, int runs = 2) const
    {
        std::string expected;
        for (const char* argument : {".java.policy|", ".opencard.properties|"})
            expected += runs-- > 0 ? "\"" + home + "\\bin\\java.exe\" CopyPolicyFile " + argument + sun_ + "\n" : "";
        return expected;
    }

    void Hold(const std::string& path) { held_.emplace_back(new HeldOpen(path)); }

    ScratchDir scratch_{"java"};
    std::string package_ = scratch_ / "package", sun_ = package_ + "\\sun";
    std::string root_ = "C:\\Program Files (x86)\\OCF test Java";  // where a 32-bit JRE usually lives
    std::string bridge_ = SystemDirectory() + "\\ocfpcsc1.dll", bridge64_ = SystemDirectory() + "\\ocfpcsc164.dll";
    std::vector<std::unique_ptr<HeldOpen>> held_;
    std::unique_ptr<PromptResponder> prompts_;
    char message_[592];
};

TEST_F(JavaPluginTest, OneRuntimeGetsEverything)
{
    for (const char* name : {"ocf1.2.jar", "opencard.properties", "java.policy", "ocfpcsc1.dll"})
        EXPECT_TRUE(Exists(FromUnixPath(STAGED_PACKAGE_DIR "/sun/") + name)) << "not in the package: " << name;
    // The trailing backslash on a home without parentheses.
    for (const auto& [jdk, ending] : {std::pair(false, ""), std::pair(false, "\\"), std::pair(true, "")}) {
        SCOPED_TRACE(std::string(jdk ? "JDK" : "JRE") + ending);
        Reset();
        std::string home = Add("1.6.0", *ending ? scratch_ / "jre" : root_ + "\\rt", jdk, ending);
        std::string lib = home + (jdk ? "\\jre\\lib" : "\\lib");
        EXPECT_EQ(0, Run());
        EXPECT_STREQ(kUntouched, message_);
        EXPECT_TRUE(prompts_->prompts().empty());
        EXPECT_EQ("ocf1.2.jar", ReadFile(lib + "\\ext\\ocf1.2.jar"));
        EXPECT_EQ("opencard.properties", ReadFile(lib + "\\opencard.properties"));
        EXPECT_EQ("java.policy", ReadFile(lib + "\\security\\java.policy"));
        EXPECT_EQ("own policy", ReadFile(lib + "\\security\\java.policy.ocf-bak"));
        EXPECT_EQ(ToolRuns(home), Calls());
        EXPECT_EQ("ocfpcsc1.dll|ocfpcsc1.dll", ReadFile(bridge_) + "|" + ReadFile(bridge64_));
        EXPECT_EQ(!jdk, Exists(lib + "\\ext\\ocfpcsc1.dll")) << "only a JRE is the last JRE";
    }
}

// The tool runs only until a policy operation worked; the bridge goes into the last JRE; a second run keeps
// the first backup, here past OpenFile's old 128-character limit.
TEST_F(JavaPluginTest, TwoJresAndASecondRun)
{
    std::string first = Add("1.5.0", root_ + "\\jre5");
    std::string second = Add("1.6.0", scratch_ / "jre\\" + std::string(50, 'd') + "\\" + std::string(50, 'e'));
    std::string policy = second + "\\lib\\security\\java.policy";
    EXPECT_EQ(0, Run());
    EXPECT_EQ(ToolRuns(first), Calls());
    EXPECT_EQ("<missing>|ocfpcsc1.dll", ReadFile(first + "\\lib\\ext\\ocfpcsc1.dll") + "|" +
                                            ReadFile(second + "\\lib\\ext\\ocfpcsc1.dll")) << "the last JRE only";
    WriteFile(policy, "changed since");
    EXPECT_EQ(0, Run());
    EXPECT_EQ("own policy", ReadFile(policy + ".ocf-bak"));
    EXPECT_EQ("java.policy", ReadFile(policy));
}

TEST_F(JavaPluginTest, OutcomesMessagesAndAborts)
{
    const std::string tooLong = "C:\\" + std::string(259, 'j');  // 262: no room for the terminator
    const std::string jre5 = root_ + "\\jre5", jre6 = root_ + "\\jre6", runs5 = ToolRuns(jre5), runs6 = ToolRuns(jre6);
    auto good = [&] { Add("1.6.0", jre6); };
    auto abortAt = [&](const std::string& inUse) {  // the prompt for inUse is answered Abort
        return [&, inUse] { Add("1.5.0", jre5), good(), WriteFile(inUse, "in use"), Hold(inUse); };
    };
    const std::tuple<const char*, std::function<void()>, int, std::string, bool, std::string, bool> cases[] = {
        // what, set-up, result, message, the bridge in the system directory, tool runs, jre6 and the last JRE served
        {"no Java", [] {}, 3, kMsgJavaNotFound, true, "", false},
        {"no runtime key", [] { Register("1.6", nullptr, "Java Plug-in"); }, 3, kMsgJavaNotFound, true, "", false},
        {"no JavaHome", [] { Register("1.4.2", nullptr); }, 1, kMsgJavaNone, true, "", false},
        {"no JavaHome and a JRE", [&] { Register("1.4.2", nullptr), good(); }, 0, kUntouched, true, runs6, true},
        {"too long and a JRE", [&] { Register("1.4.2", &tooLong), good(); }, 0, kUntouched, true, runs6, true},
        {"the tool gate stays open while nothing worked", [&] {  // and failed runs do not count
             RemoveTree(Add("1.5.0", jre5) + "\\lib\\security");
             WriteFile(jre5 + "\\bin\\exit-code.txt", "3");
             WriteFile(Add("1.6.0", jre6) + "\\bin\\exit-code.txt", "1");
         }, 3, kPartial + "VM2OL2OP2JP1", true, runs5 + runs6, true},
        {"first system copy fails", [&] { good(), MakeDirs(bridge_); }, 0, kUntouched, true, runs6, true},
        {"last system copy fails", [&] { good(), MakeDirs(bridge64_); }, 1, kMsgBridgeCopyFailed, false, runs6, true},
        {"identical bridges in use", [&] {
             for (const std::string& bridge : {bridge_, bridge64_})
                 CopyFileA((sun_ + "\\ocfpcsc1.dll").c_str(), bridge.c_str(), FALSE), Hold(bridge);
             good();
         }, 0, kUntouched, true, runs6, true},
        {"no package folder", [&] { good(), RemoveTree(sun_); }, 1, kMsgIncomplete, false, "<missing>", false},
        {"abort at the jar", abortAt(jre5 + "\\lib\\ext\\ocf1.2.jar"), 2, kMsgUserAbort, false, "", false},
        {"abort at the properties", abortAt(jre5 + "\\lib\\opencard.properties"), 2, kMsgUserAbort, false, "", false},
        {"abort at the policy", abortAt(jre5 + "\\lib\\security\\java.policy"), 2, kMsgUserAbort, false, runs5, false},
        {"abort at ocfpcsc1.dll", abortAt(bridge_), 2, kMsgUserAbort, false, runs5, true},
        {"abort at ocfpcsc164.dll", abortAt(bridge64_), 2, kMsgUserAbort, false, runs5, true},
    };
    for (const auto& [what, setUp, result, message, bridge, calls, served] : cases) {
        SCOPED_TRACE(what);
        Reset();
        setUp();
        EXPECT_EQ(result, Run());
        EXPECT_EQ(message, message_);
        EXPECT_EQ(result == 2 ? 1u : 0u, prompts_->prompts().size());
        EXPECT_EQ(bridge, ReadFile(bridge64_) == "ocfpcsc1.dll");
        EXPECT_EQ(calls, Calls());
        EXPECT_EQ(served, Exists(jre6 + "\\lib\\ext\\ocf1.2.jar") && Exists(jre6 + "\\lib\\ext\\ocfpcsc1.dll"));
    }
    Reset();
    EXPECT_EQ(3, Run(false)) << "no buffer";
}

// A destination, backup name or command that does not fit its buffer is never used cut.
TEST_F(JavaPluginTest, LongHomesNeverUseACutPath)
{
    const std::tuple<int, bool, int, std::string, int, const char*> cases[] = {
        // home length, its own policy, result, message, tool runs, the policy file afterwards
        {210, true, 0, kUntouched, 1, "java.policy"},  // the second command is too long
        {230, true, 3, kPartial + "VM1OL1OP1JP0", 0, "own policy"},  // no room for the backup name: theirs stays
        {230, false, 0, kUntouched, 0, "java.policy"},
        {245, true, 3, kPartial + "VM1OL0OP0JP0", 0, "own policy"},
    };
    for (const auto& [length, ownPolicy, result, message, toolRuns, policyAfter] : cases) {
        SCOPED_TRACE(length);
        Reset();
        std::string home = scratch_ / "jre";
        while ((int)home.size() < length)
            home += "\\" + std::string(std::min<size_t>(100, length - home.size() - 1), 'h');
        std::string policy = Add("1.6.0", home) + "\\lib\\security\\java.policy";
        if (!ownPolicy)
            RemoveTree(policy);
        EXPECT_EQ(result, Run());
        EXPECT_EQ(message, message_);
        EXPECT_EQ(ToolRuns(home, toolRuns), Calls());
        EXPECT_EQ(policyAfter, ReadFile(policy));
        EXPECT_EQ(ownPolicy && length < 230, Exists(policy + ".ocf-bak"));
        for (const std::string& full : {home + "\\lib\\ext\\ocf1.2.jar", home + "\\lib\\opencard.properties", policy,
                                        policy + ".ocf-bak", home + "\\lib\\ext\\ocfpcsc1.dll"})
            EXPECT_TRUE(full.size() <= 260 || !Exists(full.substr(0, 260))) << "written cut: " << full.substr(0, 260);
    }
}

// A runtime that someone other than the administrators could change is counted and logged but left
// alone: its java.exe never runs although it comes first, and the sound one between two left-out ones
// is served in full, the bridge library included.
TEST_F(JavaPluginTest, RuntimesOthersMayChangeAreLeftOut)
{
    const std::string sound = root_ + "\\jre6", risky[] = {root_ + "\\jre5", root_ + "\\jre7"};
    enum Spoil { kSound, kEveryone, kLinked, kOtherOwner };
    const std::tuple<const char*, Spoil, const char*, const char*> cases[] = {
        // what, how, which folder of the two left-out runtimes, the reason logged
        {"sound", kSound, "", ""},
        {"writable by everyone", kEveryone, "\\lib\\ext", kTrustReasonOthersMayWrite},
        {"linked lib\\security", kLinked, "\\lib\\security", kTrustReasonReparsePoint},
        {"linked home", kLinked, "", kTrustReasonReparsePoint},
        {"owned by someone else", kOtherOwner, "\\bin", kTrustReasonForeignOwner},  // Wine: ANONYMOUS LOGON
    };
    SetLogSink([](const char* line) { g_log += std::string(line) + "\n"; });
    for (const auto& [what, spoil, relative, reason] : cases) {
        SCOPED_TRACE(what);
        Reset();
        std::string expectedLog;
        for (const char* version : {"1.5.0", "1.6.0", "1.7.0"})
            Add(version, version[2] == '6' ? sound : risky[version[2] == '7']);
        for (const std::string& home : risky) {
            const std::string folder = home + relative;
            if (spoil == kEveryone)
                LetEveryoneChange(folder);
            if (spoil == kLinked)  // its content moved away, a link in its place
                MoveFileA(folder.c_str(), (folder + "-target").c_str()), MakeHostLink(folder, folder + "-target");
            if (spoil == kOtherOwner)
                GiveToAnotherOwner(folder);
            char line[kLogLineChars];
            if (spoil != kSound && FormatText(line, sizeof line, kLogRuntimeLeftOutFormat, home.c_str(), reason,
                                              folder.c_str()))
                expectedLog += std::string(line) + "\n";
        }
        g_log.clear();
        const bool leftOut = spoil != kSound;
        EXPECT_EQ(leftOut ? 3 : 0, Run());
        EXPECT_EQ(leftOut ? kPartial + "VM3OL1OP1JP3" : kUntouched, message_);
        EXPECT_EQ(expectedLog, g_log);
        EXPECT_EQ(ToolRuns(leftOut ? sound : risky[0]), Calls());
        EXPECT_EQ(leftOut ? "ocfpcsc1.dll" : "<missing>", ReadFile(sound + "\\lib\\ext\\ocfpcsc1.dll"));
        EXPECT_EQ("java.policy", ReadFile(sound + "\\lib\\security\\java.policy"));
        for (const std::string& home : risky) {  // read through the links: their targets got nothing either
            EXPECT_EQ(leftOut ? "own policy" : "java.policy", ReadFile(home + "\\lib\\security\\java.policy"));
            const std::string lib = home + "\\lib";
            EXPECT_NE(leftOut, Exists(lib + "\\ext\\ocf1.2.jar") || Exists(lib + "\\opencard.properties") ||
                                   Exists(lib + "\\security\\java.policy.ocf-bak"));
        }
    }
    SetLogSink(nullptr);
}

// What the user's own account put into the environment reaches neither the tool nor an interpreter;
// the rest of it does.
TEST_F(JavaPluginTest, TheUsersEnvironmentSteersNothing)
{
    const std::string home = Add("1.6.0", root_ + "\\jre6"), evil = scratch_ / "evil.exe";
    CopyFileA(FromUnixPath(TEST_BINARY_DIR "/java_stand_in.exe").c_str(), evil.c_str(), FALSE);  // logs if run
    const std::pair<const char*, std::string> hostile[] = {
        {"COMSPEC", evil}, {"CLASSPATH", scratch_.path()}, {"JAVA_TOOL_OPTIONS", "-javaagent:evil.jar"},
        {"_JAVA_OPTIONS", "-Devil=1"}, {"jdk_java_options", "-Devil=1"}, {"OCF_TEST_HARMLESS", "kept"}};
    char saved[MAX_PATH + 1] = "";
    GetEnvironmentVariableA("COMSPEC", saved, sizeof saved);
    for (const auto& [name, value] : hostile)
        SetEnvironmentVariableA(name, value.c_str());
    EXPECT_EQ(0, Run());
    for (const auto& [name, value] : hostile)
        SetEnvironmentVariableA(name, nullptr);
    SetEnvironmentVariableA("COMSPEC", saved);
    EXPECT_EQ(ToolRuns(home), Calls());
    const std::string clean = "CLASSPATH=.|COMSPEC=" + SystemDirectory() +
                              "\\cmd.exe|JAVA_TOOL_OPTIONS=|_JAVA_OPTIONS=|JDK_JAVA_OPTIONS=|OCF_TEST_HARMLESS=kept|\n";
    EXPECT_EQ(clean + clean, ReadFile(sun_ + "\\env.log"));
}

// Ours replaces their policy only once theirs is safe in a backup, or when they have none.
TEST_F(JavaPluginTest, OwnPolicyStaysWhenItsBackupCannotBeMade)
{
    const std::string home = root_ + "\\jre6", policy = home + "\\lib\\security\\java.policy";
    // Someone writes their file and lets others write but not read: the backup fails, a replacement would not.
    auto unreadable = [&] { held_.emplace_back(new HeldOpen(policy, FILE_SHARE_WRITE, GENERIC_WRITE)); };
    const std::tuple<const char*, std::function<void()>, bool> cases[] = {
        {"a folder where the backup goes", [&] { MakeDirs(policy + ".ocf-bak"); }, false},
        {"their policy cannot be read", unreadable, false},
        {"a backup from an earlier run", [&] { WriteFile(policy + ".ocf-bak", "first"); }, true},
    };
    for (const auto& [what, setUp, replaced] : cases) {
        SCOPED_TRACE(what);
        Reset();
        WriteFile(Add("1.6.0", home) + "\\bin\\exit-code.txt", "1");  // only the policy copy can count
        setUp();
        EXPECT_EQ(replaced ? 0 : 3, Run());
        EXPECT_EQ(replaced ? kUntouched : kPartial + "VM1OL1OP1JP0", message_);
        EXPECT_TRUE(prompts_->prompts().empty());
        held_.clear();
        EXPECT_EQ(replaced ? "java.policy" : "own policy", ReadFile(policy));
    }
}

}  // namespace
