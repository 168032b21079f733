// The Java Plug-in component, served and taken back, on the prefix's real registry and file system: runtimes
// registered by the test, each with a stand-in java.exe that records how it was started (support.h).
#include <gtest/gtest.h>

#include <functional>
#include <list>

#include "components/components.h"
#include "base/run_mode.h"
#include "components/java_plugin_uninstall.h"
#include "integrity/clean_process.h"
#include "support.h"
#include "texts.h"

namespace {

const std::pair<const char*, const char*> kPackageFiles[] = {
    {"ocf1.2.jar", "J"}, {"opencard.properties", "O"}, {"java.policy", "P"}, {"ocfpcsc1.dll", "D"}};
const std::pair<const char*, const char*> kSaid[] = {
    {"untouched", "-"}, {kMsgJavaNotFound, "not-found"}, {kMsgJavaNone, "none"}, {kMsgUserAbort, "abort"},
    {kMsgBridgeCopyFailed, "bridge-failed"}, {kMsgIncomplete, "incomplete"},
    {"Niepełna instalacja sterowników OCF dla środowiska JRE/JDK; kod operacji: ", "partial "}};

std::string Line(const char* format, const std::string& a, const char* b = "", const std::string& c = "")
{
    std::string printf = format;  // a name from the system is %@ to the log
    for (size_t at; (at = printf.find("%@")) != std::string::npos;)
        printf[at + 1] = 's';
    char line[1024];
    snprintf(line, sizeof line, printf.c_str(), a.c_str(), b, c.c_str());
    return line + std::string("\n");
}

// The installation after setUp shows outcome; given a change after it, the taking back shows after; the log holds log.
struct Case {
    const char* what;
    std::function<void()> setUp;
    std::string outcome, log = "";
    std::function<void()> change = nullptr;
    std::string after = "";
};

class JavaPluginTest : public ::testing::Test {
protected:
    void TearDown() override { Reset(); }

    // No Java, no bridge in the system directory, a copy of the staged package (its hashes are the program's); an
    // environment that steers neither the tool nor an interpreter (through evil.exe it would not run at all).
    void Reset()
    {
        held_.clear();
        runtimes_.clear();
        RemoveRuntimes();
        SetPendingRenames(renames_);
        SetUnattended(0);
        for (const std::string& path : {root_, scratch_ / "jre", sun_, bridge_, bridge64_, bridge_ + ".ocf-new"})
            RemoveTree(path);
        CopyStagedPackage(sun_, "sun");
        for (const char* name : {"COMSPEC", "CLASSPATH", "JAVA_TOOL_OPTIONS", "jdk_java_options", "TEMP", "TMP"})
            SetEnvironmentVariableA(name, "C:\\evil.exe");
        MakeDirs(temp_);  // a run's own, below its staged package
        SetStartedProgramsTemp(temp_.c_str());
    }

    // A runtime with a policy file of its own, registered under name; its home is in root_ unless given.
    std::string Add(const std::string& name, bool jdk = false, std::string home = "", const char* ending = "")
    {
        home = home.empty() ? root_ + "\\" + name : home;
        runtimes_.push_back({name, home, AddRuntime(name, home, jdk, home + ending)});
        WriteFile(runtimes_.back().lib + "\\security\\java.policy", "own policy");
        return home;
    }

    // One scenario, each step seen whole, and closing all it opened. The installation, from the package root as
    // the run sequence does it: "result message prompts|tool runs|holdings"; the taking back: "removed at-restart
    // kept failed left-out|the restart's new operations|holdings".
    void Run(const Case& c)
    {
        SCOPED_TRACE(c.what);
        Reset();
        LogCapture log;
        PromptResponder ask(IDABORT);
        ScopedCurrentDirectory inPackage(package_);
        c.setUp();
        const std::string system = List(SystemDirectory()), pending = PendingRenames();
        char message[592] = "untouched";
        int handles = CountOpenHandles();
        std::string got = std::to_string(InstallJavaPluginComponents(message, sizeof message)), said = message;
        EXPECT_EQ(handles, CountOpenHandles()) << "handles leaked";
        EXPECT_EQ(package_, CurrentDirectory());
        held_.clear();
        for (const auto& [text, name] : kSaid)  // a message by its start: the partial one's counts follow
            said = said.rfind(text, 0) == 0 ? name + said.substr(strlen(text)) : said;
        EXPECT_EQ(c.outcome, got + " " + said + " " + std::to_string(ask.prompts().size()) + "|" + Calls() + "|" +
                                 Holdings());
        const std::string env = ReadFile(sun_ + "\\env.log"), temps = "|TEMP=" + temp_ + "|TMP=" + temp_ + "|\n";
        EXPECT_EQ(std::string::npos, env.find("evil")) << "the tool's environment";
        for (size_t at = 0, end; (end = env.find('\n', at)) != std::string::npos; at = end + 1)
            EXPECT_EQ(temps, env.substr(at, end + 1 - at).substr(end + 1 - at - temps.size())) << env;
        if (c.change) {
            c.change();
            handles = CountOpenHandles();
            UninstallTally t;
            UninstallJavaPluginComponents(kPackageHashes, &t);
            EXPECT_EQ(handles, CountOpenHandles()) << "handles leaked";
            held_.clear();
            char counts[64];
            snprintf(counts, sizeof counts, "%d %d %d %d %d", t.removed, t.pending, t.kept, t.failed, t.leftOut);
            EXPECT_EQ(c.after, counts + ("|" + PendingRenames().substr(pending.size())) + "|" + Holdings());
            if (c.after.substr(c.after.size() - 2) == "..")  // no bridge left: nothing else is left there either
                EXPECT_EQ(system, List(SystemDirectory()));
        }
        for (size_t at = 0, end; (end = c.log.find('\n', at)) != std::string::npos; at = end + 1)
            EXPECT_NE(std::string::npos, log.text().find(c.log.substr(at, end - at))) << log.text();
    }

    // Each runtime's jar, properties, policy, policy backup and bridge, then the system's two bridges: J, O, P, D for
    // the package file it holds, o the runtime's own policy, . none, ? else; ! when the path cut to 260 exists.
    std::string Holdings() const
    {
        auto mark = [&](const std::string& path) {
            const std::string content = ReadFile(path);
            std::string shown = content == "own policy" ? "o" : content == "<missing>" ? "." : "?";
            for (const auto& [name, letter] : kPackageFiles)
                shown = shown == "?" && content == ReadFile(sun_ + "\\" + name) ? letter : shown;
            return shown + (path.size() > 260 && Exists(path.substr(0, 260)) ? "!" : "");
        };
        std::string state;
        for (const Runtime& r : runtimes_)
            state += r.name + "=" + mark(r.lib + "\\ext\\ocf1.2.jar") + mark(r.lib + "\\opencard.properties") +
                     mark(r.lib + "\\security\\java.policy") + mark(r.lib + "\\security\\java.policy.ocf-bak") +
                     mark(r.lib + "\\ext\\ocfpcsc1.dll") + " ";
        return state + "|" + mark(bridge_) + mark(bridge64_);
    }
    // The tool runs: "<runtime>:P " for .java.policy, ":O " for .opencard.properties when the runtime's java.exe
    // ran by its full path in the package's sun folder; anything else as it was recorded.
    std::string Calls() const
    {
        std::string calls = ReadFile(sun_ + "\\calls.log");
        for (const Runtime& r : runtimes_) {
            for (const char* run : {"P.java.policy", "O.opencard.properties"}) {
                const std::string seen = "\"" + r.home + "\\bin\\java.exe\" CopyPolicyFile " + (run + 1) + "|" + sun_;
                for (size_t at; (at = calls.find(seen + "\n")) != std::string::npos;)
                    calls.replace(at, seen.size() + 1, r.name + ":" + run[0] + " ");
            }
        }
        return calls == "<missing>" ? "" : calls;
    }

    struct Runtime { std::string name, home, lib; };
    ScratchDir scratch_{"java"};
    std::string package_ = scratch_ / "package", sun_ = package_ + "\\sun", temp_ = scratch_ / "run-temp";
    std::string root_ = "C:\\Program Files (x86)\\OCF test Java";  // where a 32-bit JRE usually lives
    std::string bridge_ = SystemDirectory() + "\\ocfpcsc1.dll", bridge64_ = SystemDirectory() + "\\ocfpcsc164.dll";
    std::string renames_ = PendingRenames(true);  // what the restart was to do before the test
    std::vector<Runtime> runtimes_;
    std::list<HeldOpen> held_;
};

TEST_F(JavaPluginTest, ServedAndTakenBack)
{
    const std::string jre5 = root_ + "\\jre5", jre7 = root_ + "\\jre7", policy5 = jre5 + "\\lib\\security\\java.policy";
    auto abortAt = [&](const std::string& inUse) {  // the prompt for inUse is answered Abort
        return [&, inUse] { Add("jre5"), Add("jre6"), WriteFile(inUse, "in use"), held_.emplace_back(inUse); };
    };
    auto longHome = [&](size_t n) { return scratch_ / "jre\\" + std::string(n - scratch_.path().size() - 5, 'h'); };
    auto bare = [](const std::string& key) {  // a key below JavaSoft without a JavaHome
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\JavaSoft\\" + key).c_str(), "x", REG_SZ, "x", 2);
    };
    const std::string jar = root_ + "\\jre6\\lib\\ext\\ocf1.2.jar";
    const std::string policy = root_ + "\\jre6\\lib\\security\\java.policy", backup = policy + ".ocf-bak";
    const std::string jdkExt = root_ + "\\jdk6\\jre\\lib\\ext";
    const std::string jdkPolicy = root_ + "\\jdk6\\jre\\lib\\security\\java.policy";
    auto served = [&] { Add("jre6"), Add("jdk6", true), WriteFile(jdkExt + "\\ocfpcsc1.dll", "a vendor's bridge"); };
    const std::string both = "0 - 0|jre6:P jre6:O |jre6=JOPoD jdk6=JOPo? |DD";
    const Case cases[] = {
        // Keys without a usable JavaHome do not count; a JDK is no last JRE; only the last system copy counts.
        {"a JRE registered with a trailing backslash, a JDK", [&] {
             bare("Java Runtime Environment\\jre3");
             AddRuntime("jre4", root_ + "\\jre4", false, "C:\\" + std::string(259, 'j'));  // no room for the end
             Add("jre", false, scratch_ / "jre", "\\"), Add("jdk", true), MakeDirs(bridge_);
         }, "0 - 0|jre:P jre:O |jre=JOPoD jdk=JOPo. |.D"},
        // The tool runs until a policy operation worked (210: no room for its second command); the bridge goes into
        // the last JRE only; an earlier backup stays, here past OpenFile's old 128 characters.
        {"two JREs", [&] {
             Add("jre5", false, longHome(210)), Add("jre6", false, longHome(140));
             WriteFile(runtimes_.back().lib + "\\security\\java.policy.ocf-bak", "first");
         }, "0 - 0|jre5:P |jre5=JOPo. jre6=JOP?D |DD"},
        {"only a plug-in key", [&] { bare("Java Plug-in\\1.6"); }, "3 not-found 0|||DD"},
        {"a runtime key without JavaHome", [&] { bare("Java Runtime Environment\\1.4.2"); }, "1 none 0|||DD"},
        // The tool gate stays open while nothing worked (failed runs do not count) and closes after one policy copy.
        {"the tool gate", [&] {
             RemoveTree(Add("jre5") + "\\lib\\security"), WriteFile(jre5 + "\\bin\\exit-code.txt", "3");
             WriteFile(Add("jre6") + "\\bin\\exit-code.txt", "1"), Add("jre7");
         }, "3 partial VM3OL3OP3JP2 0|jre5:P jre5:O jre6:P jre6:O |jre5=JO... jre6=JOPo. jre7=JOPoD |DD"},
        {"an identical bridge in use is no conflict; the last system copy fails", [&] {
             CopyFileA((sun_ + "\\ocfpcsc1.dll").c_str(), bridge_.c_str(), FALSE), held_.emplace_back(bridge_);
             Add("jre6"), MakeDirs(bridge64_);
         }, "1 bridge-failed 0|jre6:P jre6:O |jre6=JOPoD |D."},
        {"no package folder", [&] { Add("jre6"), RemoveTree(sun_); }, "1 incomplete 0||jre6=..o.. |.."},
        {"abort at the jar", abortAt(jre5 + "\\lib\\ext\\ocf1.2.jar"), "2 abort 1||jre5=?.o.. jre6=..o.. |.."},
        {"abort at properties", abortAt(jre5 + "\\lib\\opencard.properties"), "2 abort 1||jre5=J?o.. jre6=..o.. |.."},
        {"abort at the policy", abortAt(policy5), "2 abort 1|jre5:P jre5:O |jre5=JO??. jre6=..o.. |.."},
        {"abort at ocfpcsc1.dll", abortAt(bridge_), "2 abort 1|jre5:P jre5:O |jre5=JOPo. jre6=JOPoD |?."},
        {"abort at ocfpcsc164.dll", abortAt(bridge64_), "2 abort 1|jre5:P jre5:O |jre5=JOPo. jre6=JOPoD |D?"},
        // Ours replaces their policy only once theirs is safe in a backup or they have none (the tool fails here).
        {"a folder where the backup goes, a policy that cannot be read", [&] {
             WriteFile(Add("jre5") + "\\bin\\exit-code.txt", "1"), MakeDirs(policy5 + ".ocf-bak");
             WriteFile(Add("jre6") + "\\bin\\exit-code.txt", "1");  // someone writes it, lets others write, not read
             held_.emplace_back(runtimes_.back().lib + "\\security\\java.policy", FILE_SHARE_WRITE, GENERIC_WRITE);
         }, "3 partial VM2OL2OP2JP0 0|jre5:P jre5:O jre6:P jre6:O |jre5=JOo.. jre6=JOo.D |DD"},
        // A destination, backup name or command that does not fit is never used cut: 230 and 231 have no room for
        // a backup name, 238 none for the properties.
        {"230, 231 without a policy of its own, 238", [&] {
             Add("jre", false, longHome(230)), Add("jre7", false, longHome(238));
             RemoveTree(Add("jre2", false, longHome(231)) + "\\lib\\security\\java.policy");
         }, "3 partial VM3OL3OP2JP1 0||jre=JOo.. jre7=J.o.D jre2=JOP.. |DD"},
        // A runtime that others could change is counted and logged but left alone: jre5's java.exe never runs
        // although it comes first, and jre6 between two left-out ones is served in full.
        {"others may write", [&] {
             Add("jre5"), Add("jre6"), Add("jre7");
             LetEveryoneChange(jre5 + "\\lib\\ext"), LetEveryoneChange(jre7 + "\\lib\\ext");
         }, "3 partial VM3OL1OP1JP3 0|jre6:P jre6:O |jre5=..o.. jre6=JOPoD jre7=..o.. |DD",
         Line(kLogRuntimeLeftOutFormat, jre5, kTrustReasonOthersMayWrite, jre5 + "\\lib\\ext") +
             Line(kLogRuntimeLeftOutFormat, jre7, kTrustReasonOthersMayWrite, jre7 + "\\lib\\ext")},
        // Served, then taken back: a JRE, and a JDK with another vendor's bridge where the installer puts none.
        {"nothing changed but a read-only copy of ours", served, both, Line(kLogUninstallRestoredFormat, policy) +
             Line(kLogUninstallChangedFormat, jdkExt + "\\ocfpcsc1.dll") + Line(kLogUninstallRemovedFormat, jar),
         [&] { SetFileAttributesA(jar.c_str(), FILE_ATTRIBUTE_READONLY); }, "9 0 1 0 0||jre6=..o.. jdk6=..o.? |.."},
        {"an edited policy and a newer jar", served, both,
         Line(kLogUninstallChangedFormat, policy) + Line(kLogUninstallBackupStaysFormat, backup),
         [&] { WriteFile(policy, "edited"), WriteFile(jar, "newer"); }, "7 0 3 0 0||jre6=?.?o. jdk6=..o.? |.."},
        {"the policy in use", served, both, Line(kLogUninstallRestoreAtRestartFormat, policy),
         [&] { held_.emplace_back(policy); },
         "8 1 1 0 0|\\??\\" + policy + ".ocf-bak>!\\??\\" + policy + "\n|jre6=..Po. jdk6=..o.? |.."},
        {"no backups: ours stays, theirs unlogged", served, both, Line(kLogUninstallNoBackupFormat, jdkPolicy),
         [&] { RemoveTree(backup), RemoveTree(jdkPolicy + ".ocf-bak"), WriteFile(policy, "edited"); },
         "7 0 2 0 0||jre6=..?.. jdk6=..P.? |.."},
        // Unattended, files in use are replaced at the restart (theirs once it is saved) and the uninstall takes
        // that back: the new files that wait go, and so do their pairs.
        {"unattended, the policy and an older bridge in use", [&] {
             SetUnattended(1), Add("jre6"), WriteFile(bridge_, "older"), held_.emplace_back(bridge_);
             held_.emplace_back(policy);
         }, "0 - 0|jre6:P jre6:O |jre6=JOooD |?D", Line(kLogReplaceAtRestartFormat, policy) +
             Line(kLogReplaceAtRestartFormat, WindowsDirectory() + (UnderWow64() ? "\\syswow64" : "\\system32") +
                  "\\ocfpcsc1.dll"), [] {}, "6 0 2 0 0||jre6=..oo. |?."},
        {"a JDK owned by another (Wine: ANONYMOUS LOGON), a vendor's bridge in the system directory", served, both,
         Line(kLogRuntimeLeftOutFormat, root_ + "\\jdk6", kTrustReasonForeignOwner, jdkExt),
         [&] { GiveToAnotherOwner(jdkExt), WriteFile(bridge64_, "theirs"); }, "5 0 1 0 1||jre6=..o.. jdk6=JOPo? |.?"},
    };
    for (const Case& c : cases)
        Run(c);
    ScopedCurrentDirectory nowhere(scratch_.path());
    EXPECT_EQ(1, InstallJavaPluginComponents(nullptr, 592)) << "no package, and no buffer for the message";
}

}  // namespace
