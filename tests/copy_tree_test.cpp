// Tree copy on the prefix's file system: what lands where, where the walk stops, and never under a cut name.
#include <gtest/gtest.h>

#include "copy/copy_file.h"
#include "copy/copy_tree.h"
#include "copy/path.h"
#include "support.h"

// Each case runs over what the cases before it left; outcome: "status|failed path|prompts". A file in
// use prompts even when identical; entries whose paths pass 260 characters fail under their own status.
TEST(CopyTreeTest, CopiesEveryEntryAndEndsAtTheFirstFailureWithItsStatusAndPath)
{
    ScratchDir scratch("copy-tree");
    const std::string root = scratch / "pkg", dest = scratch / "dest", top = scratch / "top";
    const std::string n40(40, 'n'), notAFolder = root + "\\ocf\\a";
    const std::string files[] = {"ocf\\a", "ocf\\sub\\b", "ocf\\sub\\deeper\\c", "ocf\\hidden", "ocf\\empty\\",
                                 "only\\x\\x", "file\\" + n40, "folder\\" + n40 + "\\x", "jars\\x.jar\\"};
    for (const std::string& file : files) {
        MakeDirs(root + "\\" + file.substr(0, file.rfind('\\')));
        WriteFile(root + "\\" + file, file);  // each holding its own name; "...\" is a folder only
    }
    MakeHostLink(root + "\\ocf\\linked", root + "\\only");  // a reparse point: never followed
    SetFileAttributesA((root + "\\ocf\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    const std::string cut = scratch / std::string(229 - scratch.path().size(), 'x');  // 230 characters
    struct Case { const char* pattern; std::string dest; int answer, recurse; std::string expected; };
    const Case cases[] = {  // answer IDOK: nothing in use
        {"ocf\\*", dest, IDOK, 1, "0||0"},
        {"ocf\\*", top, IDOK, 0, "0||0"},
        {"ocf\\*", dest, IDABORT, 1, "4|ocf\\sub\\b|1"},  // over the folders the first run made
        {"jars\\*.jar", dest, IDOK, 1, "2||0"},  // a folder that it matches (and makes), holding no jar
        {"only\\*", notAFolder, IDOK, 1, "3|" + notAFolder + "\\x|0"},
        {"file\\*", cut, IDOK, 1, "1|file\\" + n40 + "|0"},
        {"folder\\*", cut, IDOK, 1, "3|" + cut + "\\" + n40.substr(0, 29) + "|0"},
    };
    ScopedCurrentDirectory cd(root);
    for (const Case& c : cases) {
        MakeDirs(c.dest);
        HeldOpen inUse(c.answer == IDOK ? "" : dest + "\\sub\\b");
        PromptResponder responder(c.answer);
        char failed[kPathBuffer + 1];
        memset(failed, '#', sizeof failed);  // the failed path is terminated within its buffer
        int status = CopyTree(c.pattern, c.dest.c_str(), c.recurse, failed);
        EXPECT_EQ(c.expected, std::to_string(status) + "|" + failed + "|" + std::to_string(responder.prompts().size()));
    }
    // Nothing under a cut name, nothing through the link, only the top level without recursion.
    EXPECT_EQ("a empty\\ hidden sub\\ x.jar\\|ocf\\sub\\deeper\\c|a hidden|",
              List(dest) + "|" + ReadFile(dest + "\\sub\\deeper\\c") + "|" + List(top) + "|" + List(cut));
    RemoveHostLink(root + "\\ocf\\linked");
    EXPECT_EQ(kCopyNoSubfolder, CopyTree("only\\*", notAFolder.c_str(), 1, nullptr));  // no buffer: nothing written
}
