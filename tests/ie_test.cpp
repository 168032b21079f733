// The Internet Explorer installer against the prefix's Windows and system directories. The Windows
// directory's "java" folder and the system directory's bridge library are shared with other tests:
// whatever stood there is put aside for each test and put back afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "../resources/texts.h"
#include "components/components.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"

namespace {

const char kUntouched[] = "untouched";

std::string CopyError(int code, const std::string& file)
{
    return "Błąd kopiowania pliku: kod #" + std::to_string(code) + ", plik: `" + file + "'";
}

class IeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        PromptResponder responder(IDOK);  // the first message box opens handles that stay
        MessageBoxA(nullptr, "warm-up", "warm-up", MB_OK);
    }

    void SetUp() override
    {
        PutAside(javaDir_);
        PutAside(bridge_);
        Arrange();
    }

    void TearDown() override
    {
        Clean();
        MoveFileA((javaDir_ + kSaved).c_str(), javaDir_.c_str());
        MoveFileA((bridge_ + kSaved).c_str(), bridge_.c_str());
    }

    // A machine with a "java" folder and nothing installed, and a complete package.
    void Arrange()
    {
        MakeDirs(javaDir_);
        MakeDirs(root_ + "\\msie\\ocf\\sub");
        WriteFile(root_ + "\\msie\\ocf\\a.txt", "a");
        WriteFile(root_ + "\\msie\\ocf\\sub\\b.txt", "b");
        WriteFile(root_ + "\\msie\\ocfpcsc1.dll", "bridge");
        WriteFile(root_ + "\\msie\\ocfpcsc164.dll", "bridge64");
    }

    void Clean()
    {
        RemoveTree(javaDir_);
        RemoveTree(bridge_);
        RemoveTree(root_ + "\\msie");
    }

    static void PutAside(const std::string& path)
    {
        RemoveTree(path + kSaved);
        MoveFileA(path.c_str(), (path + kSaved).c_str());
    }

    // Runs the installer from `root` and checks what every outcome must leave behind.
    int Run(const std::string& root, char* message)
    {
        ScopedCurrentDirectory cd(root);
        released_ = 0;
        int handles = CountOpenHandles();
        int result = InstallIeComponents(message, 592);
        EXPECT_EQ(handles - released_, CountOpenHandles()) << "a handle was left open";
        EXPECT_EQ(root, CurrentDirectory());
        return result;
    }
    int Run() { return Run(root_, message_); }

    static constexpr const char* kSaved = ".saved-by-ie-test";
    ScratchDir scratch_{"ie"};
    std::string root_ = scratch_ / "pkg";
    std::string javaDir_ = WindowsDirectory() + "\\java";
    std::string lib_ = javaDir_ + "\\lib";
    std::string bridge_ = SystemDirectory() + "\\ocfpcsc1.dll";
    char message_[592] = "untouched";
    int released_ = 0;  // handles that the test itself closed during the run
};

TEST_F(IeTest, FreshMachineGetsTreeAndBridgeWithoutMessage)
{
    PromptResponder responder(IDABORT);
    EXPECT_EQ(0, Run());
    EXPECT_STREQ(kUntouched, message_);
    EXPECT_EQ("a", ReadFile(lib_ + "\\a.txt"));
    EXPECT_EQ("b", ReadFile(lib_ + "\\sub\\b.txt"));
    EXPECT_EQ("bridge", ReadFile(bridge_));
    EXPECT_TRUE(responder.prompts().empty());
}

TEST_F(IeTest, StagedPackageInstalls)
{
    const std::string staged = FromUnixPath(STAGED_PACKAGE_DIR);
    PromptResponder responder(IDABORT);
    EXPECT_EQ(0, Run(staged, message_));
    EXPECT_TRUE(Exists(lib_ + "\\README.txt"));
    EXPECT_EQ(ReadFile(staged + "\\msie\\ocfpcsc1.dll"), ReadFile(bridge_));
}

TEST_F(IeTest, IncompletePackageOrMachineIsAnError)
{
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string message;
        std::string alternative;  // the enumeration may meet the folder before the file
    };
    const Case cases[] = {
        {"no msie", [&] { RemoveTree(root_ + "\\msie"); }, kMsgIncomplete, ""},
        {"no ocf", [&] { RemoveTree(root_ + "\\msie\\ocf"); }, CopyError(2, ""), ""},
        {"no java folder", [&] { RemoveTree(javaDir_); }, CopyError(1, "ocf\\a.txt"), CopyError(3, lib_ + "\\sub")},
    };
    PromptResponder responder(IDABORT);
    for (const Case& c : cases) {
        Clean();
        Arrange();
        c.arrange();
        EXPECT_EQ(1, Run()) << c.what;
        std::string message = message_;
        EXPECT_TRUE(message == c.message || message == c.alternative) << c.what << ": " << message;
        EXPECT_FALSE(Exists(bridge_)) << c.what;
    }
    RemoveTree(root_ + "\\msie");
    EXPECT_EQ(1, Run(root_, nullptr));  // no buffer: nothing written, nothing breaks
    EXPECT_TRUE(responder.prompts().empty());
}

TEST_F(IeTest, BridgeInUse)
{
    struct Case {
        const char* what;
        bool differs;
        std::vector<int> answers;
        int result;
        const char* content;
        int prompts;
    };
    const Case cases[] = {
        {"identical", false, {}, 0, "bridge", 0},
        {"different, Ignore", true, {IDIGNORE}, 0, "old", 1},
        {"different, Retry", true, {IDRETRY}, 0, "bridge", 1},
        {"Abort brings in the second build", true, {IDABORT}, 0, "bridge64", 1},
        {"Abort twice", true, {IDABORT, IDABORT}, 2, "old", 2},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(0, Run());
        if (c.differs) {
            WriteFile(bridge_, "old");
            SetWriteTime(bridge_, 2001, 2, 3, 4, 5, 6);
        }
        // The browser lets go of the library once the user has answered, as long as answers remain.
        auto inUse = std::make_unique<HeldOpen>(bridge_);
        size_t answered = 0;
        PromptResponder responder(IDABORT);
        responder.SetHandler([&](const Prompt&) {
            int answer = answered < c.answers.size() ? c.answers[answered] : IDABORT;
            ++answered;
            if (answered == c.answers.size() && c.result == 0) {
                inUse->Release();
                ++released_;
            }
            return answer;
        });
        EXPECT_EQ(c.result, Run()) << c.what;
        inUse->Release();
        EXPECT_EQ(c.content, ReadFile(bridge_)) << c.what;
        EXPECT_EQ((size_t)c.prompts, responder.prompts().size()) << c.what;
        if (c.result == 2)
            EXPECT_EQ(kMsgUserAbort, std::string(message_)) << c.what;
    }
}

TEST_F(IeTest, AbortInTheTreeLeavesTheBridgeAlone)
{
    ASSERT_EQ(0, Run());
    RemoveTree(bridge_);
    HeldOpen inUse(lib_ + "\\sub\\b.txt");
    PromptResponder responder(IDABORT);
    EXPECT_EQ(2, Run());
    EXPECT_EQ(kMsgUserAbort, std::string(message_));
    EXPECT_FALSE(Exists(bridge_));
    ASSERT_EQ(1u, responder.prompts().size());
    EXPECT_NE(std::wstring::npos, responder.prompts()[0].text.find(L"ocf\\sub\\b.txt"));
}

}  // namespace
