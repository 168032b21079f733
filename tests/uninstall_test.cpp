// Taking the Java Plug-in component back on the prefix's real registry and file system: a JRE and a JDK
// installed from a copy of the staged sun folder, whose hashes the program carries, then taken back.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "base/log.h"
#include "components/components.h"
#include "components/java_plugin_uninstall.h"
#include "copy/copy_tree.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"
#include "texts.h"

namespace {

std::string g_log;
void Collect(const char* line) { g_log += std::string(line) + "\n"; }

std::string Line(const char* format, const std::string& a, const std::string& b = "", const std::string& c = "")
{
    char line[1024];
    snprintf(line, sizeof line, format, a.c_str(), b.c_str(), c.c_str());
    return line + std::string("\n");
}

// Every file below folder with its content, or, not recursive, every name with its size.
void List(const std::string& folder, bool deep, std::map<std::string, std::string>* files, const std::string& at = "")
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
        std::string name = entry.cFileName, path = folder + "\\" + name;
        if (name == "." || name == "..")
            continue;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            (*files)[at + name] = deep ? ReadFile(path) : std::to_string(entry.nFileSizeLow);
        else if (deep)
            List(path, deep, files, at + name + "\\");
    }
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
}
std::map<std::string, std::string> Files(const std::string& folder, bool deep = true)
{
    std::map<std::string, std::string> files;
    List(folder, deep, &files);
    return files;
}

std::string Summary(const UninstallTally& t)
{
    return "removed " + std::to_string(t.removed) + ", at restart " + std::to_string(t.pending) + ", kept " +
           std::to_string(t.kept) + ", failed " + std::to_string(t.failed) + ", left out " + std::to_string(t.leftOut);
}

class UninstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        renames_ = PendingRenames(true);
        MakeDirs(sun_);
        ASSERT_EQ(0, CopyTree((FromUnixPath(STAGED_PACKAGE_DIR) + "\\sun\\*").c_str(), sun_.c_str(), 1, nullptr));
        Reset();
        SetLogSink(Collect);
    }
    void TearDown() override
    {
        SetLogSink(nullptr);
        Reset();
    }

    void Reset()
    {
        held_.clear();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
        SetPendingRenames(renames_);
        for (const std::string& path : {root_, bridge_, bridge64_})
            RemoveTree(path);
    }

    // A JRE and a JDK with policy files of their own, a file of their own in the extension folder, and
    // for the JDK another vendor's bridge library where the installer puts none.
    void AddRuntimes()
    {
        for (const auto& [home, lib, kind] : {std::tuple(jre_, jre_ + "\\lib", "Java Runtime Environment"),
                                              std::tuple(jdk_, jdk_ + "\\jre\\lib", "Java Development Kit")}) {
            MakeDirs(lib + "\\ext");
            MakeDirs(lib + "\\security");
            WriteFile(lib + "\\security\\java.policy", "own policy of " + home);
            WriteFile(lib + "\\ext\\vendor.jar", "a jar of the runtime's own");
            std::string key = std::string("SOFTWARE\\JavaSoft\\") + kind + "\\1.6.0";
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), "JavaHome", REG_SZ, home.c_str(), (DWORD)home.size() + 1);
        }
        WriteFile(jdk_ + "\\jre\\lib\\ext\\ocfpcsc1.dll", "another vendor's bridge");
    }

    int Install()
    {
        ScopedCurrentDirectory inPackage(package_);
        PromptResponder abort(IDABORT);
        return InstallJavaPluginComponents(nullptr, 0);
    }

    UninstallTally Uninstall()
    {
        g_log.clear();
        int handles = CountOpenHandles();
        UninstallTally tally;
        UninstallJavaPluginComponents(kPackageHashes, &tally);
        EXPECT_EQ(handles, CountOpenHandles()) << "handles leaked";
        return tally;
    }

    ScratchDir scratch_{"uninstall"};
    std::string package_ = scratch_ / "package", sun_ = package_ + "\\sun";
    std::string root_ = "C:\\Program Files (x86)\\OCF uninstall test", jre_ = root_ + "\\jre6", jdk_ = root_ + "\\jdk6";
    std::string jar_ = jre_ + "\\lib\\ext\\ocf1.2.jar", policy_ = jre_ + "\\lib\\security\\java.policy";
    std::string backup_ = policy_ + ".ocf-bak", jdkJar_ = jdk_ + "\\jre\\lib\\ext\\ocf1.2.jar";
    std::string bridge_ = SystemDirectory() + "\\ocfpcsc1.dll", bridge64_ = SystemDirectory() + "\\ocfpcsc164.dll";
    std::vector<std::unique_ptr<HeldOpen>> held_;
    std::string renames_;  // what the restart was to do before the test
};

TEST_F(UninstallTest, InstallThenUninstallLeavesEverythingAsItWas)
{
    AddRuntimes();
    const auto runtimes = Files(root_), system = Files(SystemDirectory(), false);
    EXPECT_EQ("removed 0, at restart 0, kept 1, failed 0, left out 0", Summary(Uninstall())) << "nothing installed";
    EXPECT_EQ(Line(kLogUninstallChangedFormat, jdk_ + "\\jre\\lib\\ext\\ocfpcsc1.dll"), g_log);
    EXPECT_EQ(runtimes, Files(root_));

    ASSERT_EQ(0, Install());
    ASSERT_EQ(ReadFile(sun_ + "\\java.policy"), ReadFile(policy_));
    EXPECT_EQ("removed 9, at restart 0, kept 1, failed 0, left out 0", Summary(Uninstall()));
    EXPECT_NE(std::string::npos, g_log.find(Line(kLogUninstallRestoredFormat, policy_))) << g_log;
    EXPECT_NE(std::string::npos, g_log.find(Line(kLogUninstallRemovedFormat, bridge64_))) << g_log;
    // File for file: the own policies back and no backup left, the runtimes' own files untouched.
    EXPECT_EQ(runtimes, Files(root_));
    EXPECT_EQ(system, Files(SystemDirectory(), false));
    EXPECT_EQ(PendingRenames(true), renames_);
}

TEST_F(UninstallTest, WhatIsNoLongerOursStaysAndWhatIsInUseGoesAtTheRestart)
{
    const std::string sys = "\\??\\" + SystemDirectory(), ours = ReadFile(sun_ + "\\java.policy");
    const struct {
        const char* what;
        std::function<void()> change;  // after the installation
        const char* tally;
        std::string logged;   // lines the log holds
        std::string pending;  // the restart's operations
        std::vector<std::pair<std::string, std::string>> after;  // file, content ("<missing>": gone)
    } cases[] = {
        {"an edited policy and a newer jar", [&] { WriteFile(policy_, "edited"), WriteFile(jar_, "newer"); },
         "removed 7, at restart 0, kept 3, failed 0, left out 0",
         Line(kLogUninstallChangedFormat, jar_) + Line(kLogUninstallChangedFormat, policy_) +
             Line(kLogUninstallBackupStaysFormat, backup_), "",
         {{jar_, "newer"}, {policy_, "edited"}, {backup_, "own policy of " + jre_}}},
        {"another vendor's library in the system directory", [&] { WriteFile(bridge64_, "theirs"); },
         "removed 8, at restart 0, kept 2, failed 0, left out 0", Line(kLogUninstallChangedFormat, bridge64_), "",
         {{bridge64_, "theirs"}, {bridge_, "<missing>"}}},
        {"the bridge library in use", [&] { held_.emplace_back(new HeldOpen(bridge_)); },
         "removed 8, at restart 1, kept 1, failed 0, left out 0", Line(kLogUninstallAtRestartFormat, bridge_),
         sys + "\\ocfpcsc1.dll>\n", {{bridge64_, "<missing>"}}},
        {"the policy in use", [&] { held_.emplace_back(new HeldOpen(policy_)); },
         "removed 8, at restart 1, kept 1, failed 0, left out 0", Line(kLogUninstallRestoreAtRestartFormat, policy_),
         "\\??\\" + backup_ + ">!\\??\\" + policy_ + "\n", {{policy_, ours}, {backup_, "own policy of " + jre_}}},
        {"no backup: our policy stays", [&] { DeleteFileA(backup_.c_str()); },
         "removed 8, at restart 0, kept 2, failed 0, left out 0", Line(kLogUninstallNoBackupFormat, policy_), "",
         {{policy_, ours}}},
        {"a read-only copy of ours", [&] { SetFileAttributesA(jar_.c_str(), FILE_ATTRIBUTE_READONLY); },
         "removed 9, at restart 0, kept 1, failed 0, left out 0", Line(kLogUninstallRemovedFormat, jar_), "",
         {{jar_, "<missing>"}}},
        {"a jar that cannot be read", [&] { held_.emplace_back(new HeldOpen(jar_, 0)); },
         "removed 8, at restart 0, kept 1, failed 1, left out 0", Line(kLogUninstallUnreadableFormat, jar_), "", {}},
        {"a JDK that others may change", [&] { LetEveryoneChange(jdk_ + "\\jre\\lib\\ext"); },
         "removed 6, at restart 0, kept 0, failed 0, left out 1",
         Line(kLogRuntimeLeftOutFormat, jdk_, kTrustReasonOthersMayWrite, jdk_ + "\\jre\\lib\\ext"), "",
         {{jdkJar_, ReadFile(sun_ + "\\ocf1.2.jar")}, {jdk_ + "\\jre\\lib\\security\\java.policy", ours}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        AddRuntimes();
        ASSERT_EQ(0, Install());
        c.change();
        const std::string before = PendingRenames();
        EXPECT_EQ(c.tally, Summary(Uninstall()));
        for (size_t at = 0, end; (end = c.logged.find('\n', at)) != std::string::npos; at = end + 1)
            EXPECT_NE(std::string::npos, g_log.find(c.logged.substr(at, end - at))) << g_log;
        EXPECT_EQ(before + c.pending, PendingRenames());
        held_.clear();
        for (const auto& [file, content] : c.after)
            EXPECT_EQ(content, ReadFile(file)) << file;
    }
}

}  // namespace
