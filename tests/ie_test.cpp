// The Internet Explorer installer against the prefix's Windows and system directories.
#include <gtest/gtest.h>

#include <vector>
#include <string>

#include "../resources/texts.h"
#include "components/components.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"

namespace {

class IeTest : public ::testing::Test {
protected:
    // The first message box of a process opens handles that stay; let that happen before any count.
    static void SetUpTestSuite() { PromptResponder r(IDOK); MessageBoxA(nullptr, "", "", MB_OK); }

    void SetUp() override { Arrange(""); }
    void TearDown() override { RemoveTree(javaDir_), RemoveTree(bridge_); }

    // A machine with a "java" folder and nothing installed, and a complete package less `missing`.
    void Arrange(const std::string& missing)
    {
        for (const std::string& path : {javaDir_, bridge_, root_ + "\\msie"})
            RemoveTree(path);
        MakeDirs(javaDir_);
        MakeDirs(root_ + "\\msie\\ocf\\sub");
        for (const char* file : {"ocf\\a", "ocf\\sub\\b", "ocfpcsc1.dll", "ocfpcsc164.dll"})
            WriteFile(root_ + "\\msie\\" + file, file);
        RemoveTree(missing);
    }

    // Runs from `root`; every outcome closes its handles (less those the test let go of meanwhile)
    // and restores the working directory.
    int Run(const std::string& root, bool withMessage = true)
    {
        ScopedCurrentDirectory cd(root);
        strcpy(message_, "untouched");
        released_ = 0;
        int handles = CountOpenHandles();
        int result = InstallIeComponents(withMessage ? message_ : nullptr, sizeof message_);
        EXPECT_EQ(handles - released_, CountOpenHandles()) << "a handle was left open";
        EXPECT_EQ(root, CurrentDirectory());
        return result;
    }

    ScratchDir scratch_{"ie"};
    std::string root_ = scratch_ / "pkg", javaDir_ = WindowsDirectory() + "\\java", lib_ = javaDir_ + "\\lib";
    std::string bridge_ = SystemDirectory() + "\\ocfpcsc1.dll";
    char message_[592];
    int released_ = 0;
};

TEST_F(IeTest, MissingPackageOrFolderIsAnError)
{
    struct Case {
        std::string missing, message, alternative;  // the enumeration may meet the folder before the file
    };
    const Case cases[] = {
        {root_ + "\\msie", kMsgIncomplete, ""},
        {root_ + "\\msie\\ocf", "Błąd kopiowania pliku: kod #2, plik: `'", ""},
        {javaDir_, "Błąd kopiowania pliku: kod #1, plik: `ocf\\a'", "Błąd kopiowania pliku: kod #3, plik: `" + lib_ + "\\sub'"},
    };
    PromptResponder responder(IDABORT);
    for (const Case& c : cases) {
        Arrange(c.missing);
        EXPECT_EQ(1, Run(root_)) << c.missing;
        EXPECT_TRUE(message_ == c.message || message_ == c.alternative) << message_;
        EXPECT_FALSE(Exists(bridge_)) << c.missing;
    }
    EXPECT_EQ(1, Run(root_, false));  // no buffer: nothing written, nothing breaks
    EXPECT_TRUE(responder.prompts().empty());
    Arrange("");  // the staged package's own content installs as well
    const std::string staged = FromUnixPath(STAGED_PACKAGE_DIR);
    EXPECT_EQ(0, Run(staged));
    EXPECT_TRUE(Exists(lib_ + "\\README.txt"));
    EXPECT_EQ(ReadFile(staged + "\\msie\\ocfpcsc1.dll"), ReadFile(bridge_));
}

// The bridge library (or a tree file) in use by a browser, which lets go of it once the user has
// answered, as long as answers remain; each case starts from a fresh machine's completed run.
TEST_F(IeTest, FreshMachineThenFilesInUse)
{
    struct Case {
        bool inTree;
        std::vector<int> answers;
        int result;
        const char* bridge;
    };
    const Case cases[] = {
        {false, {}, 0, "ocfpcsc1.dll"},  // identical: accepted silently
        {false, {IDIGNORE}, 0, "old"},
        {false, {IDRETRY}, 0, "ocfpcsc1.dll"},
        {false, {IDABORT}, 0, "ocfpcsc164.dll"},  // the other build comes in instead
        {false, {IDABORT, IDABORT}, 2, "old"},
        {true, {IDABORT}, 2, "old"},  // an abort in the tree leaves the bridge alone
    };
    for (const Case& c : cases) {
        Arrange("");
        PromptResponder responder(IDABORT);
        ASSERT_EQ(0, Run(root_));
        EXPECT_STREQ("untouched", message_);
        EXPECT_EQ("ocf\\sub\\b", ReadFile(lib_ + "\\sub\\b"));
        EXPECT_EQ("ocfpcsc1.dll", ReadFile(bridge_));
        ASSERT_TRUE(responder.prompts().empty());
        if (!c.answers.empty()) {
            WriteFile(bridge_, "old");
            SetWriteTime(bridge_, 2001, 2, 3, 4, 5, 6);
        }
        HeldOpen inUse(c.inTree ? lib_ + "\\sub\\b" : bridge_);
        size_t answered = 0;
        responder.SetHandler([&](const Prompt&) {
            if (++answered == c.answers.size() && c.result == 0)
                inUse.Release(), ++released_;
            return answered <= c.answers.size() ? c.answers[answered - 1] : IDABORT;
        });
        EXPECT_EQ(c.result, Run(root_)) << c.bridge;
        inUse.Release();
        EXPECT_EQ(c.bridge, ReadFile(bridge_));
        EXPECT_EQ(c.answers.size(), responder.prompts().size()) << c.bridge;
        EXPECT_STREQ(c.result ? kMsgUserAbort : "untouched", message_);
    }
}

}  // namespace
