// The Netscape 4.x installer with an installation, its Users folder and the browser's registry key
// made by the test (the key is removed afterwards).
#include <gtest/gtest.h>

#include <functional>

#include "../resources/texts.h"
#include "components/components.h"
#include "components/netscape.h"
#include "copy/path.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"

namespace {

const char kKey[] = "Software\\Netscape\\Netscape Navigator\\Main";

void SetInstallDir(const std::string& dir)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Install Directory", REG_SZ, dir.c_str(), (DWORD)dir.size() + 1);
}

// Each case starts from a package, an installation with its Java folders, two plain profiles and the
// registry value, and changes one thing; with a file in use, a first run installs everything and the
// prompt is answered Abort. Paths that would pass 260 characters fail named as far as they fit.
TEST(NetscapeTest, InstallsIntoJavaFoldersAndPlainProfilesAndReportsEveryOutcome)
{
    ScratchDir scratch("ns");
    const std::string root = scratch / "pkg", users = scratch / "Netscape\\Users";
    const std::string install = scratch / "Netscape\\Communicator";
    const std::string classes = install + "\\Program\\java\\classes", bin = install + "\\Program\\java\\bin";
    auto profile = [&](const std::string& name) { return users + "\\" + name + "\\.opencard.properties"; };
    auto wide = [&](size_t n, char c) { return scratch / std::string(n - scratch.path().size() - 1, c); };
    const std::string cutClasses = wide(245, 'x'), cutBridge = wide(232, 'y');  // long installations
    auto installAt = [&](const std::string& dir) {  // the registry value and the Java folders
        MakeDirs(dir + "\\Program\\java\\classes"), MakeDirs(dir + "\\Program\\java\\bin"), SetInstallDir(dir);
    };
    char message[592];
    // Every outcome closes its handles and keys and restores the working directory.
    auto run = [&](char* buffer) {
        ScopedCurrentDirectory cd(root);
        strcpy(message, "untouched");
        int handles = CountOpenHandles();
        int result = InstallNetscapeComponents(buffer, sizeof message);
        EXPECT_EQ(handles, CountOpenHandles()) << "a handle or key was left open";
        EXPECT_EQ(root, CurrentDirectory());
        return result;
    };
    auto copyError = [](int code, const std::string& file) {  // a path named as far as it fits
        return "Błąd kopiowania pliku: kod #" + std::to_string(code) + ", plik: `" + file.substr(0, kMaxPathChars) + "'";
    };
    const std::string partial = "Niepełna kopia pliku opencard.properties dla profilów użytkowników przeglądarki "
                                "Netscape; kod operacji: OP2PF3";
    struct Case {
        std::function<void()> change;
        int result;
        std::string message, alternative = "", inUse = "";  // the enumeration may meet the folder before the file
    };
    const Case cases[] = {
        {[] {}, 0, "untouched"},
        {[] { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Netscape"); }, 3, kMsgNetscapeNotFound},
        {[] { RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "Install Directory"); }, 3, kMsgNetscapeNotFound},
        {[] { SetInstallDir("C:\\" + std::string(260, 'n')); }, 3, kMsgNetscapeNotFound},
        {[] { SetInstallDir(""); }, 3, kMsgNetscapeNotFound},
        {[&] { RemoveTree(root + "\\ns"); }, 1, kMsgIncomplete},
        {[&] { RemoveTree(classes); }, 1, copyError(1, "jars\\a"), copyError(3, classes + "\\sub")},
        {[&] { RemoveTree(root + "\\ns\\jars"); }, 1, copyError(2, "")},
        {[&] { RemoveTree(users); }, 1, kMsgNetscapeNoProfile},
        {[&] { RemoveTree(users + "\\alice"), RemoveTree(users + "\\bob"); }, 1, kMsgNetscapeNoProfile},
        {[&] { MakeDirs(profile("carol")); }, 3, partial},  // a folder in its place: fails without a prompt
        {[&] { MakeDirs(users + "\\" + std::string(210, 'p')); }, 3, partial},
        {[&] { SetInstallDir(cutClasses); }, 1, copyError(3, cutClasses + "\\Program\\java\\classes")},
        // The class folder and its tree still fit, the bridge library's path does not.
        {[&] { installAt(cutBridge); }, 1, copyError(1, cutBridge + "\\Program\\java\\bin\\ocfpcsc1.dll")},
        {[] {}, 2, kMsgUserAbort, "", classes + "\\sub\\b"},
        {[] {}, 2, kMsgUserAbort, "", bin + "\\ocfpcsc1.dll"},
        {[] {}, 2, kMsgUserAbort, "", profile("alice")},
    };
    for (const Case& c : cases) {
        RemoveTree(scratch.path());
        MakeDirs(root + "\\ns\\jars\\sub");
        for (const char* file : {"jars\\a", "jars\\sub\\b", "ocfpcsc1.dll", "opencard.properties"})
            WriteFile(root + "\\ns\\" + file, file);
        for (const std::string& dir : {users + "\\alice", users + "\\bob", users + "\\2", users + "\\4"})
            MakeDirs(dir);
        // Only plain folders are profiles: any further attribute, or a file, is skipped.
        SetFileAttributesA((users + "\\2").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesA((users + "\\4").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM);
        WriteFile(users + "\\notes.txt", "a file, not a profile");
        installAt(install);
        PromptResponder responder(IDABORT);
        if (!c.inUse.empty()) {  // an abort ends the installer: bob's profile stays without a copy
            ASSERT_EQ(0, run(message));
            RemoveTree(profile("bob"));
        }
        HeldOpen inUse(c.inUse);
        c.change();
        EXPECT_EQ(c.result, run(message)) << c.message;
        EXPECT_TRUE(message == c.message || message == c.alternative) << c.message << " | " << message;
        EXPECT_EQ(c.inUse.empty() ? 0u : 1u, responder.prompts().size()) << c.message;
        EXPECT_TRUE(c.inUse.empty() || c.inUse == profile("alice") || !Exists(profile("bob"))) << c.inUse;
    }
    EXPECT_EQ("jars\\sub\\b", ReadFile(classes + "\\sub\\b"));
    EXPECT_EQ("ocfpcsc1.dll", ReadFile(bin + "\\ocfpcsc1.dll"));
    EXPECT_EQ("opencard.properties", ReadFile(profile("alice")));
    EXPECT_FALSE(Exists(profile("2")) || Exists(profile("4")));
    RemoveTree(root + "\\ns");
    EXPECT_EQ(1, run(nullptr));  // no buffer: nothing written, nothing breaks
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Netscape");
}

TEST(NetscapeProfilePattern, UsersFolderBesideTheInstallation)
{
    const std::string tooLongParent = "C:\\" + std::string(251, 'x') + "\\";  // 255 + "Users\*" passes 260
    const std::string cases[][2] = {
        {"C:\\Program Files\\Netscape\\Communicator", "C:\\Program Files\\Netscape\\Users\\*"},
        {"C:\\Netscape", "C:\\Users\\*"},
        {"C:\\Netscape\\", "C:\\Users\\*"},
        {"Netscape", ""},  // no parent
        {"C:\\", ""},
        {tooLongParent + "C", ""},
    };
    for (const auto& c : cases) {
        char pattern[kPathBuffer];
        EXPECT_EQ(c[1].empty() ? 0 : 1, BuildProfilePattern(c[0].c_str(), pattern)) << c[0];
        EXPECT_EQ(c[1], std::string(pattern)) << c[0];
    }
}

}  // namespace
