// The Internet Explorer installer against the prefix's Windows and system directories.
#include <gtest/gtest.h>

#include <ctype.h>

#include "../resources/texts.h"
#include "components/components.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"

// Each case starts from a machine with a "java\lib" folder and a package, less `missing`. A file in use
// holds older content, or with no answers the package's own (same time and size). Answers: I, R, A;
// lower case: the browser lets go of the file first. Outcome: "result|message|prompts|bridge library".
// The last run is of the staged package's own content.
TEST(IeTest, InstallsTreeAndBridgeAndReportsEveryOutcome)
{
    ScratchDir scratch("ie");
    const std::string root = scratch / "pkg", java = WindowsDirectory() + "\\java", lib = java + "\\lib";
    const std::string bridge = SystemDirectory() + "\\ocfpcsc1.dll", staged = FromUnixPath(STAGED_PACKAGE_DIR);
    auto out = [](int result, const std::string& text, size_t prompts, const std::string& bridge) {
        return std::to_string(result) + "|" + text + "|" + std::to_string(prompts) + "|" + bridge;
    };
    const std::string copyError = "Błąd kopiowania pliku: kod #";
    struct Case { std::string missing, inUse, answers, expected, from = ""; };
    const Case cases[] = {
        {root + "\\msie", "", "", out(1, kMsgIncomplete, 0, "<missing>")},
        {root + "\\msie\\ocf", "", "", out(1, copyError + "2, plik: `'", 0, "<missing>")},
        {java, "", "", out(1, copyError + "3, plik: `" + lib + "\\sub'", 0, "<missing>")},
        {"", bridge, "", out(0, "untouched", 0, "ocfpcsc1.dll")},  // identical: accepted silently
        {"", bridge, "I", out(0, "untouched", 1, "old")},
        {"", bridge, "a", out(0, "untouched", 1, "ocfpcsc164.dll")},  // the other build comes in instead
        {"", bridge, "AA", out(2, kMsgUserAbort, 2, "old")},
        {"", lib + "\\sub\\b", "A", out(2, kMsgUserAbort, 1, "<missing>")},  // the bridge is left alone
        {"", bridge, "r", out(0, "untouched", 1, "ocfpcsc1.dll")},
        {lib, "", "", out(0, "untouched", 0, ReadFile(staged + "\\msie\\ocfpcsc1.dll")), staged},  // lib is made
    };
    for (const Case& c : cases) {
        for (const std::string& path : {java, bridge, root + "\\msie"})
            RemoveTree(path);
        MakeDirs(lib + "\\sub");
        MakeDirs(root + "\\msie\\ocf\\sub");
        for (const char* file : {"ocf\\sub\\b", "ocfpcsc1.dll", "ocfpcsc164.dll"})
            WriteFile(root + "\\msie\\" + file, file);
        RemoveTree(c.missing);
        WriteFile(c.inUse, "old");
        if (c.answers.empty() && !c.inUse.empty())
            CopyFileA((root + "\\msie\\ocfpcsc1.dll").c_str(), c.inUse.c_str(), FALSE);
        PromptResponder responder(IDABORT);
        int handles = CountOpenHandles();
        HeldOpen inUse(c.inUse);
        size_t answered = 0;
        responder.SetHandler([&](const Prompt&) {
            char answer = answered < c.answers.size() ? c.answers[answered++] : 'A';
            if (islower(answer))
                inUse.Release();
            return answer == 'I' ? IDIGNORE : toupper(answer) == 'R' ? IDRETRY : IDABORT;
        });
        char message[592] = "untouched";
        const std::string& from = c.from.empty() ? root : c.from;
        ScopedCurrentDirectory cd(from);
        int result = InstallIeComponents(message, sizeof message);
        EXPECT_EQ(from, CurrentDirectory()) << c.expected;  // restored by every outcome
        inUse.Release();
        EXPECT_EQ(handles, CountOpenHandles()) << "a handle was left open: " << c.expected;
        EXPECT_EQ(c.expected, out(result, message, responder.prompts().size(), ReadFile(bridge)));
    }
    EXPECT_TRUE(Exists(lib + "\\README.txt"));
    RemoveTree(java);
    RemoveTree(bridge);
}
