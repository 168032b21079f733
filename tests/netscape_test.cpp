// The Netscape 4.x installer with an installation, its Users folder and the browser's registry key
// made by the test (the key is removed afterwards).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "../resources/texts.h"
#include "components/components.h"
#include "components/netscape.h"
#include "copy/path.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"

namespace {

const char kKey[] = "Software\\Netscape\\Netscape Navigator\\Main";

std::string CopyError(int code, const std::string& file)
{
    return "Błąd kopiowania pliku: kod #" + std::to_string(code) + ", plik: `" + file + "'";
}

void SetInstallDir(const std::string& dir)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "Install Directory", REG_SZ, dir.c_str(), (DWORD)dir.size() + 1);
}

class NetscapeTest : public ::testing::Test {
protected:
    // The first message box of a process opens handles that stay; let that happen before any count.
    static void SetUpTestSuite() { PromptResponder r(IDOK); MessageBoxA(nullptr, "", "", MB_OK); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Netscape"); }

    // A package, an installation with its Java folders, two plain profiles and the registry value.
    void SetUp() override
    {
        RemoveTree(scratch_.path());
        MakeDirs(root_ + "\\ns\\jars\\sub");
        for (const char* file : {"jars\\a", "jars\\sub\\b", "ocfpcsc1.dll", "opencard.properties"})
            WriteFile(root_ + "\\ns\\" + file, file);
        for (const std::string& dir : {classes_, bin_, users_ + "\\alice", users_ + "\\bob"})
            MakeDirs(dir);
        SetInstallDir(installDir_);
    }

    // Runs from the package root; every outcome closes its handles and keys and restores the
    // working directory.
    int Run(bool withMessage = true)
    {
        ScopedCurrentDirectory cd(root_);
        strcpy(message_, "untouched");
        int handles = CountOpenHandles();
        int result = InstallNetscapeComponents(withMessage ? message_ : nullptr, sizeof message_);
        EXPECT_EQ(handles, CountOpenHandles()) << "a handle or key was left open";
        EXPECT_EQ(root_, CurrentDirectory());
        return result;
    }
    // An installation directory of exactly `length` characters below the scratch folder (not made).
    std::string LongInstallDir(size_t length)
    {
        std::string path = scratch_ / "long";
        while (path.size() < length)
            path += "\\" + std::string(std::min<size_t>(length - path.size() - 1, 50), 'x');
        return path;
    }
    std::string Profile(const std::string& name) { return users_ + "\\" + name + "\\.opencard.properties"; }

    ScratchDir scratch_{"ns"};
    std::string root_ = scratch_ / "pkg", installDir_ = scratch_ / "Netscape\\Communicator";
    std::string classes_ = installDir_ + "\\Program\\java\\classes", bin_ = installDir_ + "\\Program\\java\\bin";
    std::string users_ = scratch_ / "Netscape\\Users";
    char message_[592];
};

// Only plain folders are profiles: any further attribute, or a file, is skipped.
TEST_F(NetscapeTest, InstallsIntoTheJavaFoldersAndEveryPlainProfile)
{
    for (DWORD extra : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        std::string dir = users_ + "\\" + std::to_string(extra);
        MakeDirs(dir);
        SetFileAttributesA(dir.c_str(), FILE_ATTRIBUTE_DIRECTORY | extra);
    }
    WriteFile(users_ + "\\notes.txt", "a file, not a profile");
    PromptResponder responder(IDABORT);
    EXPECT_EQ(0, Run());
    EXPECT_STREQ("untouched", message_);
    EXPECT_EQ("jars\\sub\\b", ReadFile(classes_ + "\\sub\\b"));
    EXPECT_EQ("ocfpcsc1.dll", ReadFile(bin_ + "\\ocfpcsc1.dll"));
    EXPECT_EQ("opencard.properties", ReadFile(Profile("alice")));
    EXPECT_EQ("opencard.properties", ReadFile(Profile("bob")));
    EXPECT_FALSE(Exists(Profile("2")) || Exists(Profile("4")));  // hidden, system
    EXPECT_TRUE(responder.prompts().empty());
}

// Every outcome but success, with the file in use (if any) answered Abort. Paths that would pass 260
// characters fail with the path as far as it fits.
TEST_F(NetscapeTest, FailuresAndTheirMessages)
{
    const std::string longDir = LongInstallDir(245), bridgeDir = LongInstallDir(232);
    const std::string partial = "Niepełna kopia pliku opencard.properties dla profilów użytkowników przeglądarki Netscape; kod operacji: OP2PF3";
    struct Case {
        std::function<void()> arrange;
        int result;
        std::string message, alternative;  // the enumeration may meet the folder before the file
        std::string inUse = "";
    };
    const Case cases[] = {
        {[] { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Netscape"); }, 3, kMsgNetscapeNotFound, ""},
        {[] { RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "Install Directory"); }, 3, kMsgNetscapeNotFound, ""},
        {[] { SetInstallDir("C:\\" + std::string(260, 'n')); }, 3, kMsgNetscapeNotFound, ""},
        {[] { SetInstallDir(""); }, 3, kMsgNetscapeNotFound, ""},
        {[&] { RemoveTree(root_ + "\\ns"); }, 1, kMsgIncomplete, ""},
        {[&] { RemoveTree(classes_); }, 1, CopyError(1, "jars\\a"), CopyError(3, classes_ + "\\sub")},
        {[&] { RemoveTree(root_ + "\\ns\\jars"); }, 1, CopyError(2, ""), ""},
        {[&] { RemoveTree(users_); }, 1, kMsgNetscapeNoProfile, ""},
        {[&] { RemoveTree(users_ + "\\alice"), RemoveTree(users_ + "\\bob"); }, 1, kMsgNetscapeNoProfile, ""},
        // A folder in place of the third profile's file fails without a prompt; so does a cut path.
        {[&] { MakeDirs(Profile("carol")); }, 3, partial, ""},
        {[&] { MakeDirs(users_ + "\\" + std::string(210, 'p')); }, 3, partial, ""},
        {[&] { SetInstallDir(longDir); }, 1, CopyError(3, (longDir + "\\Program\\java\\classes").substr(0, kMaxPathChars)), ""},
        // The class folder and its tree still fit, the bridge library's path does not.
        {[&] { MakeDirs(bridgeDir + "\\Program\\java\\classes"), SetInstallDir(bridgeDir); }, 1,
         CopyError(1, (bridgeDir + "\\Program\\java\\bin\\ocfpcsc1.dll").substr(0, kMaxPathChars)), ""},
        {[] {}, 2, kMsgUserAbort, "", classes_ + "\\sub\\b"},
        {[] {}, 2, kMsgUserAbort, "", bin_ + "\\ocfpcsc1.dll"},
        {[] {}, 2, kMsgUserAbort, "", Profile("alice")},
    };
    for (const Case& c : cases) {
        SetUp();
        std::unique_ptr<HeldOpen> inUse;
        if (!c.inUse.empty()) {  // an abort ends the installer: bob's profile stays without a copy
            ASSERT_EQ(0, Run());
            RemoveTree(Profile("bob"));
            inUse = std::make_unique<HeldOpen>(c.inUse);
        }
        c.arrange();
        PromptResponder responder(IDABORT);
        EXPECT_EQ(c.result, Run()) << c.message;
        EXPECT_TRUE(message_ == c.message || message_ == c.alternative) << c.message << " | " << message_;
        EXPECT_EQ(c.inUse.empty() ? 0u : 1u, responder.prompts().size()) << c.message;
        EXPECT_TRUE(c.inUse.empty() || c.inUse == Profile("alice") || !Exists(Profile("bob"))) << c.inUse;
    }
    RemoveTree(root_ + "\\ns");
    EXPECT_EQ(1, Run(false));  // no buffer: nothing written, nothing breaks
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
