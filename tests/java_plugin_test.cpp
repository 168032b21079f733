// The Java Plug-in component, served and taken back, on the prefix's real registry and file system: runtimes
// registered by the test, each with a stand-in java.exe that records how it was started (world.h).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <tuple>

#include "base/bounded_text.h"
#include "base/log.h"
#include "components/components.h"
#include "components/java_plugin_uninstall.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"
#include "texts.h"
#include "world.h"

namespace {

const char* const kPackageFiles[] = {"ocf1.2.jar", "opencard.properties", "java.policy", "ocfpcsc1.dll"};
const std::string kPartial = "Niepełna instalacja sterowników OCF dla środowiska JRE/JDK; kod operacji: ";
const std::pair<const char*, const char*> kSaid[] = {
    {"untouched", "-"}, {kMsgJavaNotFound, "not-found"}, {kMsgJavaNone, "none"}, {kMsgUserAbort, "abort"},
    {kMsgBridgeCopyFailed, "bridge-failed"}, {kMsgIncomplete, "incomplete"}};

std::string Line(const char* format, const std::string& a, const char* b = "", const std::string& c = "")
{
    char line[kLogLineChars];
    FormatText(line, sizeof line, format, a.c_str(), b, c.c_str());
    return line + std::string("\n");
}

class JavaPluginTest : public ::testing::Test {
protected:
    void TearDown() override { Reset(); }

    // No Java, no bridge in the system directory, a package whose files hold their own names; a prompt aborts.
    void Reset()
    {
        held_.clear();
        prompts_.reset();
        runtimes_.clear();
        RemoveRuntimes();
        SetPendingRenames(renames_);
        for (const std::string& path : {root_, scratch_ / "jre", sun_, bridge_, bridge64_})
            RemoveTree(path);
        MakeDirs(sun_);
        for (const char* name : kPackageFiles)
            WriteFile(sun_ + "\\" + name, name);
        prompts_.reset(new PromptResponder(IDABORT));
    }

    // A runtime with a policy file of its own, registered under name; its home is in root_ unless given.
    std::string Add(const std::string& name, bool jdk = false, std::string home = "", const char* ending = "")
    {
        home = home.empty() ? root_ + "\\" + name : home;
        runtimes_.push_back({name, home, AddRuntime(name, home, jdk, home + ending)});
        WriteFile(runtimes_.back().lib + "\\security\\java.policy", "own policy");
        return home;
    }
    void Hold(const std::string& path, DWORD share = FILE_SHARE_READ, DWORD access = GENERIC_READ)
    {
        held_.emplace_back(new HeldOpen(path, share, access));
    }

    // One installation, from the package root as the run sequence does it, seen whole: "result message
    // prompts|tool runs|holdings". All it opened must be closed and the directory restored.
    std::string Install()
    {
        ScopedCurrentDirectory inPackage(package_);
        lstrcpynA(message_, "untouched", sizeof message_);
        int handles = CountOpenHandles();
        std::string state = std::to_string(InstallJavaPluginComponents(message_, sizeof message_)), said = message_;
        EXPECT_EQ(handles, CountOpenHandles()) << "handles leaked";
        EXPECT_EQ(package_, CurrentDirectory());
        held_.clear();
        for (const auto& [text, name] : kSaid)
            said = said == text ? name : said;
        said = said.rfind(kPartial, 0) == 0 ? "partial " + said.substr(kPartial.size()) : said;
        return state + " " + said + " " + std::to_string(prompts_->prompts().size()) + "|" + Calls() + "|" + Holdings();
    }
    // One taking back, seen whole: "removed at-restart kept failed left-out|the restart's new operations|holdings".
    std::string Uninstall()
    {
        const std::string pending = PendingRenames();
        int handles = CountOpenHandles();
        UninstallTally t;
        UninstallJavaPluginComponents(kPackageHashes, &t);
        EXPECT_EQ(handles, CountOpenHandles()) << "handles leaked";
        held_.clear();
        std::string state;
        for (int count : {t.removed, t.pending, t.kept, t.failed, t.leftOut})
            state += std::to_string(count) + " ";
        return state + "|" + PendingRenames().substr(pending.size()) + "|" + Holdings();
    }

    // Each runtime's jar, properties, policy, policy backup and bridge, then the system's two bridges: the
    // letter for a package file, 'o' for the runtime's own policy, '.' for none, '?' for anything else; a '!'
    // follows when the path cut to 260 characters exists.
    std::string Holdings() const
    {
        auto mark = [&](const std::string& path, char letter) {
            const std::string content = ReadFile(path);
            std::string shown = content == "own policy" ? "o" : content == "<missing>" ? "." : "?";
            for (const char* name : kPackageFiles)
                shown = shown == "?" && content == ReadFile(sun_ + "\\" + name) ? std::string(1, letter) : shown;
            return shown + (path.size() > 260 && Exists(path.substr(0, 260)) ? "!" : "");
        };
        const char* const files[] = {"ext\\ocf1.2.jar", "opencard.properties", "security\\java.policy",
                                     "security\\java.policy.ocf-bak", "ext\\ocfpcsc1.dll"};
        std::string state;
        for (const Runtime& runtime : runtimes_) {
            state += runtime.name + "=";
            for (int i = 0; i < 5; i++)
                state += mark(runtime.lib + "\\" + files[i], "JOPBD"[i]);
            state += " ";
        }
        return state + "|" + mark(bridge_, 'S') + mark(bridge64_, 'S');
    }
    // "<runtime>:P" for .java.policy, ":O" for .opencard.properties when the tool ran as it must: the runtime's
    // java.exe by its full path, in the package's sun folder. Anything else shows as it was recorded.
    std::string Calls() const
    {
        const std::string calls = ReadFile(sun_ + "\\calls.log");
        std::string shown;
        for (size_t at = 0, end; (end = calls.find('\n', at)) != std::string::npos; at = end + 1) {
            std::string seen = calls.substr(at, end - at);
            for (const Runtime& runtime : runtimes_) {
                const std::string tool = "\"" + runtime.home + "\\bin\\java.exe\" CopyPolicyFile .";
                if (seen == tool + "java.policy|" + sun_ || seen == tool + "opencard.properties|" + sun_)
                    seen = runtime.name + (seen[tool.size()] == 'j' ? ":P" : ":O");
            }
            shown += (shown.empty() ? "" : " ") + seen;
        }
        return shown;
    }

    struct Runtime { std::string name, home, lib; };
    ScratchDir scratch_{"java"};
    std::string package_ = scratch_ / "package", sun_ = package_ + "\\sun";
    std::string root_ = "C:\\Program Files (x86)\\OCF test Java";  // where a 32-bit JRE usually lives
    std::string bridge_ = SystemDirectory() + "\\ocfpcsc1.dll", bridge64_ = SystemDirectory() + "\\ocfpcsc164.dll";
    std::string renames_ = PendingRenames(true);  // what the restart was to do before the test
    std::vector<Runtime> runtimes_;
    std::vector<std::unique_ptr<HeldOpen>> held_;
    std::unique_ptr<PromptResponder> prompts_;
    char message_[592];
};

TEST_F(JavaPluginTest, Installation)
{
    const std::string jre5 = root_ + "\\jre5", jre7 = root_ + "\\jre7", policy5 = jre5 + "\\lib\\security\\java.policy";
    auto abortAt = [&](const std::string& inUse) {  // the prompt for inUse is answered Abort
        return [&, inUse] { Add("jre5"), Add("jre6"), WriteFile(inUse, "in use"), Hold(inUse); };
    };
    auto longHome = [&](size_t n) { return scratch_ / "jre\\" + std::string(n - scratch_.path().size() - 5, 'h'); };
    auto bare = [](const std::string& key) {  // a key below JavaSoft without a JavaHome
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\JavaSoft\\" + key).c_str(), "x", REG_SZ, "x", 2);
    };
    const std::string leftOut = "3 partial VM3OL1OP1JP3 0|jre6:P jre6:O|jre5=..o.. jre6=JOPoD jre7=..o.. |SS";
    const struct {
        const char* what;
        std::function<void()> setUp;
        std::string outcome, log = "";  // the log is compared only when one is expected
    } cases[] = {
        // Keys without a usable JavaHome do not count; a JDK is no last JRE; only the last system copy counts.
        {"a JRE registered with a trailing backslash, a JDK", [&] {
             bare("Java Runtime Environment\\jre3");
             AddRuntime("jre4", root_ + "\\jre4", false, "C:\\" + std::string(259, 'j'));  // no room for the end
             Add("jre", false, scratch_ / "jre", "\\"), Add("jdk", true), MakeDirs(bridge_);
         }, "0 - 0|jre:P jre:O|jre=JOPoD jdk=JOPo. |.S"},
        // The tool runs until a policy operation worked (a home of 210: its second command does not fit); the
        // bridge goes into the last JRE only; an earlier backup stays, here past OpenFile's old 128 characters.
        {"two JREs", [&] {
             Add("jre5", false, longHome(210)), Add("jre6", false, longHome(140));
             WriteFile(runtimes_.back().lib + "\\security\\java.policy.ocf-bak", "first");
         }, "0 - 0|jre5:P|jre5=JOPo. jre6=JOP?D |SS"},
        {"only a plug-in key", [&] { bare("Java Plug-in\\1.6"); }, "3 not-found 0|||SS"},
        {"a runtime key without JavaHome", [&] { bare("Java Runtime Environment\\1.4.2"); }, "1 none 0|||SS"},
        // The tool gate stays open while nothing worked (failed runs do not count) and closes after one policy copy.
        {"the tool gate", [&] {
             RemoveTree(Add("jre5") + "\\lib\\security"), WriteFile(jre5 + "\\bin\\exit-code.txt", "3");
             WriteFile(Add("jre6") + "\\bin\\exit-code.txt", "1"), Add("jre7");
         }, "3 partial VM3OL3OP3JP2 0|jre5:P jre5:O jre6:P jre6:O|jre5=JO... jre6=JOPo. jre7=JOPoD |SS"},
        {"an identical bridge in use is no conflict; the last system copy fails", [&] {
             CopyFileA((sun_ + "\\ocfpcsc1.dll").c_str(), bridge_.c_str(), FALSE), Hold(bridge_);
             Add("jre6"), MakeDirs(bridge64_);
         }, "1 bridge-failed 0|jre6:P jre6:O|jre6=JOPoD |S."},
        {"no package folder", [&] { Add("jre6"), RemoveTree(sun_); }, "1 incomplete 0||jre6=..o.. |.."},
        {"abort at the jar", abortAt(jre5 + "\\lib\\ext\\ocf1.2.jar"), "2 abort 1||jre5=?.o.. jre6=..o.. |.."},
        {"abort at properties", abortAt(jre5 + "\\lib\\opencard.properties"), "2 abort 1||jre5=J?o.. jre6=..o.. |.."},
        {"abort at the policy", abortAt(policy5), "2 abort 1|jre5:P jre5:O|jre5=JO??. jre6=..o.. |.."},
        {"abort at ocfpcsc1.dll", abortAt(bridge_), "2 abort 1|jre5:P jre5:O|jre5=JOPo. jre6=JOPoD |?."},
        {"abort at ocfpcsc164.dll", abortAt(bridge64_), "2 abort 1|jre5:P jre5:O|jre5=JOPo. jre6=JOPoD |S?"},
        // Ours replaces their policy only once theirs is safe in a backup, or when they have none. The tool
        // fails here, so that only the policy copy can count.
        {"a folder where the backup goes, a policy that cannot be read", [&] {
             WriteFile(Add("jre5") + "\\bin\\exit-code.txt", "1"), MakeDirs(policy5 + ".ocf-bak");
             WriteFile(Add("jre6") + "\\bin\\exit-code.txt", "1");  // someone writes it, lets others write, not read
             Hold(runtimes_.back().lib + "\\security\\java.policy", FILE_SHARE_WRITE, GENERIC_WRITE);
         }, "3 partial VM2OL2OP2JP0 0|jre5:P jre5:O jre6:P jre6:O|jre5=JOo.. jre6=JOo.D |SS"},
        // A destination, backup name or command that does not fit its buffer is never used cut.
        {"230: no backup name", [&] { Add("jre", false, longHome(230)); }, "3 partial VM1OL1OP1JP0 0||jre=JOo.D |SS"},
        {"230 without a policy of its own, and 245", [&] {
             RemoveTree(Add("jre", false, longHome(230)) + "\\lib\\security\\java.policy");
             Add("jre7", false, longHome(245));
         }, "3 partial VM2OL1OP1JP1 0||jre=JOP.. jre7=..o.. |SS"},
        // A runtime that others could change is counted and logged but left alone: jre5's java.exe never runs
        // although it comes first, and jre6 between two left-out ones is served in full. Through a link
        // the holdings are the target's: it got nothing either.
        {"others may write", [&] {
             Add("jre5"), Add("jre6"), Add("jre7");
             LetEveryoneChange(jre5 + "\\lib\\ext"), LetEveryoneChange(jre7 + "\\lib\\ext");
         }, leftOut, Line(kLogRuntimeLeftOutFormat, jre5, kTrustReasonOthersMayWrite, jre5 + "\\lib\\ext") +
                         Line(kLogRuntimeLeftOutFormat, jre7, kTrustReasonOthersMayWrite, jre7 + "\\lib\\ext")},
        {"linked homes", [&] {
             for (const std::string& home : {Add("jre5"), Add("jre6"), Add("jre7")}) {
                 if (home != root_ + "\\jre6")  // its content moved away, a link in its place
                     MoveFileA(home.c_str(), (home + "-target").c_str()), MakeHostLink(home, home + "-target");
             }
         }, leftOut, Line(kLogRuntimeLeftOutFormat, jre5, kTrustReasonReparsePoint, jre5) +
                         Line(kLogRuntimeLeftOutFormat, jre7, kTrustReasonReparsePoint, jre7)},
    };
    // The user's environment steers neither the tool nor an interpreter (through the missing evil.exe it would not
    // run), the rest of it passes: a clean env.log line per tool run. Not restored: the process ends with the test.
    const std::pair<const char*, std::string> hostile[] = {{"COMSPEC", scratch_ / "evil.exe"},
        {"CLASSPATH", scratch_.path()}, {"jdk_java_options", "-Devil=1"}, {"OCF_TEST_HARMLESS", "kept"}};
    for (const auto& [name, value] : hostile)
        SetEnvironmentVariableA(name, value.c_str());
    const std::string clean = "CLASSPATH=.|COMSPEC=" + SystemDirectory() +
                              "\\cmd.exe|JAVA_TOOL_OPTIONS=|_JAVA_OPTIONS=|JDK_JAVA_OPTIONS=|OCF_TEST_HARMLESS=kept|\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        LogCapture log;
        c.setUp();
        EXPECT_EQ(c.outcome, Install());
        EXPECT_EQ(c.log, c.log.empty() ? c.log : log.text());
        std::string env;
        for (char end : ReadFile(sun_ + "\\calls.log"))
            env += end == '\n' ? clean : "";
        EXPECT_EQ(env.empty() ? "<missing>" : env, ReadFile(sun_ + "\\env.log"));
    }
    ScopedCurrentDirectory nowhere(scratch_.path());
    EXPECT_EQ(1, InstallJavaPluginComponents(nullptr, 592)) << "no package, and no buffer for the message";
}

// A JRE and a JDK served from a copy of the staged package, whose hashes the program carries, then taken back.
// The JDK holds another vendor's bridge library where the installer puts none.
TEST_F(JavaPluginTest, UninstallTakesBackWhatIsStillOurs)
{
    const std::string jar = root_ + "\\jre6\\lib\\ext\\ocf1.2.jar";
    const std::string policy = root_ + "\\jre6\\lib\\security\\java.policy";
    const std::string jdkExt = root_ + "\\jdk6\\jre\\lib\\ext", vendors = jdkExt + "\\ocfpcsc1.dll";
    const std::string jdkPolicy = root_ + "\\jdk6\\jre\\lib\\security\\java.policy";
    // what, a change after the installation, the outcome, lines the log holds
    const std::tuple<const char*, std::function<void()>, std::string, std::string> cases[] = {
        {"nothing changed but a read-only copy of ours",
         [&] { SetFileAttributesA(jar.c_str(), FILE_ATTRIBUTE_READONLY); },
         "9 0 1 0 0 ||jre6=..o.. jdk6=..o.? |..", Line(kLogUninstallRestoredFormat, policy) +
             Line(kLogUninstallChangedFormat, vendors) + Line(kLogUninstallRemovedFormat, jar)},
        {"an edited policy and a newer jar", [&] { WriteFile(policy, "edited"), WriteFile(jar, "newer"); },
         "7 0 3 0 0 ||jre6=?.?o. jdk6=..o.? |..",
         Line(kLogUninstallChangedFormat, policy) + Line(kLogUninstallBackupStaysFormat, policy + ".ocf-bak")},
        {"the policy in use", [&] { Hold(policy); },
         "8 1 1 0 0 |\\??\\" + policy + ".ocf-bak>!\\??\\" + policy + "\n|jre6=..Po. jdk6=..o.? |..",
         Line(kLogUninstallRestoreAtRestartFormat, policy)},
        {"no backups: ours stays, theirs is not worth a line; another vendor's library in the system directory", [&] {
             DeleteFileA((policy + ".ocf-bak").c_str()), WriteFile(policy, "edited"), WriteFile(bridge64_, "theirs");
             DeleteFileA((jdkPolicy + ".ocf-bak").c_str());
         }, "6 0 3 0 0 ||jre6=..?.. jdk6=..P.? |.?",
         Line(kLogUninstallNoBackupFormat, jdkPolicy) + Line(kLogUninstallChangedFormat, bridge64_)},
        {"a JDK owned by someone else", [&] { GiveToAnotherOwner(jdkExt); },  // Wine: ANONYMOUS LOGON
         "6 0 0 0 1 ||jre6=..o.. jdk6=JOPo? |..",
         Line(kLogRuntimeLeftOutFormat, root_ + "\\jdk6", kTrustReasonForeignOwner, jdkExt)},
    };
    for (const auto& [what, change, outcome, logged] : cases) {
        SCOPED_TRACE(what);
        Reset();
        CopyStagedPackage(sun_, "sun");
        Add("jre6"), Add("jdk6", true);
        WriteFile(vendors, "another vendor's bridge");
        const std::string system = List(SystemDirectory());
        ASSERT_EQ("0 - 0|jre6:P jre6:O|jre6=JOPoD jdk6=JOPo? |SS", Install());
        change();
        LogCapture log;
        EXPECT_EQ(outcome, Uninstall());
        for (size_t at = 0, end; (end = logged.find('\n', at)) != std::string::npos; at = end + 1)
            EXPECT_NE(std::string::npos, log.text().find(logged.substr(at, end - at))) << log.text();
        const bool noBridgeLeft = outcome.substr(outcome.size() - 2) == "..";  // then nothing else is left there
        EXPECT_EQ(system, noBridgeLeft ? List(SystemDirectory()) : system);
    }
}

}  // namespace
