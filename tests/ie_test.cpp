// The Internet Explorer installer against the prefix's Windows and system directories.
#include <gtest/gtest.h>

#include "components/components.h"
#include "support.h"
#include "texts.h"

// Each case starts from a machine with a "java\lib" folder and a package, less `missing`. A file in use
// holds older content, or with '=' the package's own (same time and size). Prompts are answered Abort;
// with 'a' once the browser let go of the file. Outcome: "result|message|prompts|bridge library".
TEST(IeTest, InstallsTreeAndBridgeAndReportsEveryOutcome)
{
    ScratchDir scratch("ie");
    const std::string root = scratch / "pkg", java = WindowsDirectory() + "\\java", lib = java + "\\lib";
    const std::string bridge = SystemDirectory() + "\\ocfpcsc1.dll", staged = FromUnixPath(STAGED_PACKAGE_DIR);
    const std::string copyError = "1|Błąd kopiowania pliku: kod #", ok = "0|untouched|";
    struct Case { std::string missing, inUse; char answer; std::string expected, from; };
    const Case cases[] = {
        {root + "\\msie", "", 'A', "1|" + std::string(kMsgIncomplete) + "|0|<missing>", root},
        {root + "\\msie\\ocf", "", 'A', copyError + "2, plik: `'|0|<missing>", root},
        {java, "", 'A', copyError + "3, plik: `" + lib + "\\sub'|0|<missing>", root},
        {"", bridge, '=', ok + "0|ocfpcsc1.dll", root},  // accepted silently
        {"", bridge, 'a', ok + "1|ocfpcsc164.dll", root},  // the other build comes in instead
        {"", bridge, 'A', "2|" + std::string(kMsgUserAbort) + "|2|old", root},
        {"", lib + "\\sub\\b", 'A', "2|" + std::string(kMsgUserAbort) + "|1|<missing>", root},  // bridge not tried
        {lib, "", 'A', ok + "0|" + ReadFile(staged + "\\msie\\ocfpcsc1.dll"), staged},  // lib is made
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
        if (c.answer == '=')
            CopyFileA((root + "\\msie\\ocfpcsc1.dll").c_str(), c.inUse.c_str(), FALSE);
        PromptResponder responder(IDABORT);
        int handles = CountOpenHandles();
        HeldOpen inUse(c.inUse);
        if (c.answer == 'a')
            responder.SetHandler([&](const Prompt&) { return inUse.Release(), IDABORT; });
        char message[592] = "untouched";
        ScopedCurrentDirectory cd(c.from);
        int result = InstallIeComponents(message, sizeof message);
        EXPECT_EQ(c.from, CurrentDirectory()) << c.expected;  // restored by every outcome
        inUse.Release();
        EXPECT_EQ(handles, CountOpenHandles()) << "a handle was left open: " << c.expected;
        const std::string prompts = std::to_string(responder.prompts().size());
        EXPECT_EQ(c.expected, std::to_string(result) + "|" + message + "|" + prompts + "|" + ReadFile(bridge));
    }
    EXPECT_TRUE(Exists(lib + "\\README.txt"));
    for (const std::string& path : {java, bridge})
        RemoveTree(path);
}
