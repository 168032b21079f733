// The Netscape 4.x installer with an installation, its Users folder and the browser's registry key
// made by the test. The key is removed afterwards (or its value put back, had it been there).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "../resources/texts.h"
#include "components/components.h"
#include "components/netscape.h"
#include "copy/path.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"

namespace {

const char kUntouched[] = "untouched";
const char kKey[] = "Software\\Netscape\\Netscape Navigator\\Main";
const char kValue[] = "Install Directory";

std::string CopyError(int code, const std::string& file)
{
    return "Błąd kopiowania pliku: kod #" + std::to_string(code) + ", plik: `" + file + "'";
}

void SetInstallDir(const std::string& dir)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExA(key, kValue, 0, REG_SZ, (const BYTE*)dir.c_str(), (DWORD)dir.size() + 1);
    RegCloseKey(key);
}

class NetscapeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        PromptResponder responder(IDOK);  // the first message box opens handles that stay
        MessageBoxA(nullptr, "warm-up", "warm-up", MB_OK);
    }

    void SetUp() override
    {
        HKEY key;
        hadKey_ = RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Netscape", 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (hadKey_)
            RegCloseKey(key);
        char value[kPathBuffer] = "";
        DWORD size = sizeof value;
        hadValue_ = RegGetValueA(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS;
        savedValue_ = value;
        Arrange();
    }

    void TearDown() override
    {
        if (!hadKey_)
            RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Netscape");
        else if (hadValue_)
            SetInstallDir(savedValue_);
        else
            RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, kValue);
    }

    // A package, an installation with its Java folders, two plain profiles and the registry value.
    void Arrange()
    {
        RemoveTree(scratch_.path());
        MakeDirs(root_ + "\\ns\\jars\\sub");
        WriteFile(root_ + "\\ns\\jars\\a.txt", "a");
        WriteFile(root_ + "\\ns\\jars\\sub\\b.txt", "b");
        WriteFile(root_ + "\\ns\\ocfpcsc1.dll", "bridge");
        WriteFile(root_ + "\\ns\\opencard.properties", "props");
        MakeDirs(classes_);
        MakeDirs(bin_);
        MakeDirs(users_ + "\\alice");
        MakeDirs(users_ + "\\bob");
        SetInstallDir(installDir_);
    }

    // Runs the installer from the package root and checks what every outcome must leave behind.
    int Run(char* message)
    {
        ScopedCurrentDirectory cd(root_);
        released_ = 0;
        int handles = CountOpenHandles();
        int result = InstallNetscapeComponents(message, 592);
        EXPECT_EQ(handles - released_, CountOpenHandles()) << "a handle or key was left open";
        EXPECT_EQ(root_, CurrentDirectory());
        return result;
    }
    int Run()
    {
        strcpy(message_, kUntouched);
        return Run(message_);
    }
    // An installation directory of exactly `length` characters below the scratch folder (not made).
    std::string LongInstallDir(size_t length)
    {
        std::string path = scratch_ / "long";
        while (path.size() < length) {
            size_t room = length - path.size() - 1;
            path += "\\" + std::string(room < 50 ? room : 50, 'x');
        }
        return path;
    }
    std::string Profile(const std::string& name) { return users_ + "\\" + name + "\\.opencard.properties"; }

    bool hadKey_ = false;
    bool hadValue_ = false;
    std::string savedValue_;
    ScratchDir scratch_{"ns"};
    std::string root_ = scratch_ / "pkg";
    std::string installDir_ = scratch_ / "Netscape\\Communicator";
    std::string classes_ = installDir_ + "\\Program\\java\\classes";
    std::string bin_ = installDir_ + "\\Program\\java\\bin";
    std::string users_ = scratch_ / "Netscape\\Users";
    char message_[592];
    int released_ = 0;  // handles that the test itself closed during the run
};

TEST_F(NetscapeTest, InstallsIntoTheJavaFoldersAndEveryPlainProfile)
{
    MakeDirs(users_ + "\\hidden");
    SetFileAttributesA((users_ + "\\hidden").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    MakeDirs(users_ + "\\system");
    SetFileAttributesA((users_ + "\\system").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM);
    WriteFile(users_ + "\\notes.txt", "a file, not a profile");
    PromptResponder responder(IDABORT);

    EXPECT_EQ(0, Run());
    EXPECT_STREQ(kUntouched, message_);
    EXPECT_EQ("a", ReadFile(classes_ + "\\a.txt"));
    EXPECT_EQ("b", ReadFile(classes_ + "\\sub\\b.txt"));
    EXPECT_EQ("bridge", ReadFile(bin_ + "\\ocfpcsc1.dll"));
    EXPECT_EQ("props", ReadFile(Profile("alice")));
    EXPECT_EQ("props", ReadFile(Profile("bob")));
    EXPECT_FALSE(Exists(Profile("hidden")));
    EXPECT_FALSE(Exists(Profile("system")));
    EXPECT_TRUE(responder.prompts().empty());
}

TEST_F(NetscapeTest, NoInstallationFoundIsAWarning)
{
    struct Case {
        const char* what;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"no key", [] { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Netscape"); }},
        {"no value", [] { RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, kValue); }},
        {"value too long", [] { SetInstallDir("C:\\" + std::string(260, 'n')); }},
        {"empty value", [] { SetInstallDir(""); }},
    };
    for (const Case& c : cases) {
        Arrange();
        c.arrange();
        EXPECT_EQ(3, Run()) << c.what;
        EXPECT_EQ(kMsgNetscapeNotFound, std::string(message_)) << c.what;
        EXPECT_FALSE(Exists(classes_ + "\\a.txt")) << c.what;
    }
}

TEST_F(NetscapeTest, FailuresAndTheirMessages)
{
    const std::string name210(210, 'p');
    const std::string longInstallDir = LongInstallDir(245);
    struct Case {
        const char* what;
        std::function<void()> arrange;
        int result;
        std::string message;
        std::string alternative;  // the enumeration may meet the folder before the file
    };
    const Case cases[] = {
        {"no ns", [&] { RemoveTree(root_ + "\\ns"); }, 1, kMsgIncomplete, ""},
        {"no class folder", [&] { RemoveTree(classes_); }, 1, CopyError(1, "jars\\a.txt"), CopyError(3, classes_ + "\\sub")},
        {"no jars", [&] { RemoveTree(root_ + "\\ns\\jars"); }, 1, CopyError(2, ""), ""},
        {"no Users", [&] { RemoveTree(users_); }, 1, kMsgNetscapeNoProfile, ""},
        {"empty Users", [&] { RemoveTree(users_); MakeDirs(users_); }, 1, kMsgNetscapeNoProfile, ""},
        {"only a hidden profile", [&] {
             RemoveTree(users_);
             MakeDirs(users_ + "\\hidden");
             SetFileAttributesA((users_ + "\\hidden").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
         }, 1, kMsgNetscapeNoProfile, ""},
        // A folder in place of the profile file: the copy fails without a prompt.
        {"one of three profiles fails", [&] { MakeDirs(users_ + "\\carol\\.opencard.properties"); },
         3, "Niepełna kopia pliku opencard.properties dla profilów użytkowników przeglądarki Netscape; kod operacji: OP2PF3", ""},
        {"a profile file that does not fit", [&] { MakeDirs(users_ + "\\" + name210); },
         3, "Niepełna kopia pliku opencard.properties dla profilów użytkowników przeglądarki Netscape; kod operacji: OP2PF3", ""},
        {"a class folder that does not fit", [&] { SetInstallDir(longInstallDir); },
         1, CopyError(3, (longInstallDir + "\\Program\\java\\classes").substr(0, kMaxPathChars)), ""},
    };
    PromptResponder responder(IDABORT);
    for (const Case& c : cases) {
        Arrange();
        c.arrange();
        EXPECT_EQ(c.result, Run()) << c.what;
        std::string message = message_;
        EXPECT_TRUE(message == c.message || message == c.alternative) << c.what << ": " << message;
    }
    EXPECT_FALSE(Exists(users_ + "\\" + name210 + "\\.opencard.pro")) << "written under a cut name";
    EXPECT_TRUE(responder.prompts().empty());

    RemoveTree(root_ + "\\ns");
    EXPECT_EQ(1, Run(nullptr));  // no buffer: nothing written, nothing breaks
}

TEST_F(NetscapeTest, BridgeLibraryThatDoesNotFitIsNamedAsFarAsItFits)
{
    // 235 characters: the class folder still fits (256), the bridge library's path (265) does not.
    const std::string dir = LongInstallDir(235);
    MakeDirs(dir + "\\Program\\java\\classes");
    RemoveTree(root_ + "\\ns\\jars");
    MakeDirs(root_ + "\\ns\\jars");
    WriteFile(root_ + "\\ns\\jars\\j", "j");
    SetInstallDir(dir);
    EXPECT_EQ(1, Run());
    EXPECT_EQ(CopyError(1, (dir + "\\Program\\java\\bin\\ocfpcsc1.dll").substr(0, kMaxPathChars)), std::string(message_));
    EXPECT_EQ("j", ReadFile(dir + "\\Program\\java\\classes\\j"));
    EXPECT_FALSE(Exists((dir + "\\Program\\java\\bin\\ocfpcsc1.dll").substr(0, kMaxPathChars)));
}

TEST_F(NetscapeTest, AbortAnywhereEndsTheInstaller)
{
    struct Case {
        const char* what;
        std::string inUse;
    };
    const Case cases[] = {
        {"in the tree", classes_ + "\\sub\\b.txt"},
        {"in the bridge library", bin_ + "\\ocfpcsc1.dll"},
        {"in a profile", Profile("alice")},
    };
    for (const Case& c : cases) {
        Arrange();
        ASSERT_EQ(0, Run()) << c.what;
        RemoveTree(Profile("bob"));
        HeldOpen inUse(c.inUse);
        PromptResponder responder(IDABORT);
        EXPECT_EQ(2, Run()) << c.what;
        EXPECT_EQ(kMsgUserAbort, std::string(message_)) << c.what;
        EXPECT_EQ(1u, responder.prompts().size()) << c.what;
        if (c.inUse != Profile("alice"))
            EXPECT_FALSE(Exists(Profile("bob"))) << c.what << ": profiles copied after an abort";
    }
}

TEST(NetscapeProfilePattern, UsersFolderBesideTheInstallation)
{
    const std::string longParent = "C:\\" + std::string(243, 'x') + "\\";  // 247 characters
    const std::string tooLongParent = "C:\\" + std::string(251, 'x') + "\\";  // 255 + "Users\*" passes 260
    struct Case {
        std::string installDir;
        std::string pattern;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Netscape\\Communicator", "C:\\Program Files\\Netscape\\Users\\*"},
        {"C:\\Netscape", "C:\\Users\\*"},
        {"C:\\Netscape\\", "C:\\Users\\*"},
        {longParent + "Communicator", longParent + "Users\\*"},
        {"Netscape", ""},  // no parent
        {"C:\\", ""},
        {tooLongParent + "C", ""},  // the pattern would not fit
    };
    for (const Case& c : cases) {
        char pattern[kPathBuffer];
        EXPECT_EQ(c.pattern.empty() ? 0 : 1, BuildProfilePattern(c.installDir.c_str(), pattern)) << c.installDir;
        EXPECT_EQ(c.pattern, std::string(pattern)) << c.installDir;
    }
}

}  // namespace
