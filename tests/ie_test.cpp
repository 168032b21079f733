// The Internet Explorer installer against the prefix's Windows and system directories.
#include <gtest/gtest.h>

#include <vector>

#include "../resources/texts.h"
#include "components/components.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"

namespace {

// Each case starts from a machine with a "java" folder and a complete package, less `missing`. With
// nothing missing, a first run installs everything; then the bridge library (or a tree file) is in use
// by a browser that lets go of it once the user has answered, as long as answers remain.
TEST(IeTest, InstallsTreeAndBridgeAndReportsEveryOutcome)
{
    ScratchDir scratch("ie");
    const std::string root = scratch / "pkg", java = WindowsDirectory() + "\\java", lib = java + "\\lib";
    const std::string bridge = SystemDirectory() + "\\ocfpcsc1.dll", staged = FromUnixPath(STAGED_PACKAGE_DIR);
    char message[592];
    int released = 0;  // handles the test itself let go of during a run
    auto arrange = [&](const std::string& missing) {
        for (const std::string& path : {java, bridge, root + "\\msie"})
            RemoveTree(path);
        MakeDirs(java);
        MakeDirs(root + "\\msie\\ocf\\sub");
        for (const char* file : {"ocf\\a", "ocf\\sub\\b", "ocfpcsc1.dll", "ocfpcsc164.dll"})
            WriteFile(root + "\\msie\\" + file, file);
        RemoveTree(missing);
    };
    // Every outcome closes its handles and restores the working directory.
    auto run = [&](const std::string& from, char* buffer) {
        ScopedCurrentDirectory cd(from);
        strcpy(message, "untouched");
        int handles = CountOpenHandles();
        int result = InstallIeComponents(buffer, sizeof message);
        EXPECT_EQ(handles, CountOpenHandles() + released) << "a handle was left open";
        EXPECT_EQ(from, CurrentDirectory());
        released = 0;
        return result;
    };
    const std::string copyError = "Błąd kopiowania pliku: kod #";
    struct Case {  // alternative: the enumeration may meet the folder before the file
        std::string missing; bool inTree; std::vector<int> answers; int result;
        std::string bridge, message, alternative = "";
    };
    const Case cases[] = {
        {root + "\\msie", false, {}, 1, "<missing>", kMsgIncomplete},
        {root + "\\msie\\ocf", false, {}, 1, "<missing>", copyError + "2, plik: `'"},
        {java, false, {}, 1, "<missing>", copyError + "1, plik: `ocf\\a'", copyError + "3, plik: `" + lib + "\\sub'"},
        {"", false, {}, 0, "ocfpcsc1.dll", "untouched"},  // identical: accepted silently
        {"", false, {IDIGNORE}, 0, "old", "untouched"},
        {"", false, {IDRETRY}, 0, "ocfpcsc1.dll", "untouched"},
        {"", false, {IDABORT}, 0, "ocfpcsc164.dll", "untouched"},  // the other build comes in instead
        {"", false, {IDABORT, IDABORT}, 2, "old", kMsgUserAbort},
        {"", true, {IDABORT}, 2, "old", kMsgUserAbort},  // an abort in the tree leaves the bridge alone
    };
    for (const Case& c : cases) {
        arrange(c.missing);
        PromptResponder responder(IDABORT);
        if (c.missing.empty()) {
            ASSERT_EQ(0, run(root, message));
            EXPECT_EQ("ocf\\sub\\b", ReadFile(lib + "\\sub\\b"));
            if (!c.answers.empty())
                WriteFile(bridge, "old"), SetWriteTime(bridge, 2001, 2, 3, 4, 5, 6);
        }
        HeldOpen inUse(c.missing.empty() ? (c.inTree ? lib + "\\sub\\b" : bridge) : "");
        size_t answered = 0;
        responder.SetHandler([&](const Prompt&) {
            if (++answered == c.answers.size() && c.result == 0)
                inUse.Release(), ++released;
            return answered <= c.answers.size() ? c.answers[answered - 1] : IDABORT;
        });
        EXPECT_EQ(c.result, run(root, message)) << c.message;
        inUse.Release();
        EXPECT_EQ(c.bridge, ReadFile(bridge)) << c.message;
        EXPECT_EQ(c.answers.size(), responder.prompts().size()) << c.message;
        EXPECT_TRUE(message == c.message || message == c.alternative) << c.message << " | " << message;
    }
    arrange(root + "\\msie");
    EXPECT_EQ(1, run(root, nullptr));  // no buffer: nothing written, nothing breaks
    arrange("");  // the staged package's own content installs as well
    EXPECT_EQ(0, run(staged, message));
    EXPECT_TRUE(Exists(lib + "\\README.txt"));
    EXPECT_EQ(ReadFile(staged + "\\msie\\ocfpcsc1.dll"), ReadFile(bridge));
    RemoveTree(java), RemoveTree(bridge);
}

}  // namespace
