// Tree copy on the prefix's file system: what lands where, where the walk stops, and that a path that
// does not fit is never used under a cut name.
#include <gtest/gtest.h>

#include "copy/copy_file.h"
#include "copy/copy_tree.h"
#include "copy/path.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"
#include "world.h"

// Each case runs over what the cases before it left; outcome: "status|failed path|prompts". A file in
// use prompts even when identical; entries whose paths pass 260 characters fail under their own status.
TEST(CopyTreeTest, CopiesEveryEntryAndEndsAtTheFirstFailureWithItsStatusAndPath)
{
    ScratchDir scratch("copy-tree");
    const std::string root = scratch / "pkg", dest = scratch / "dest", top = scratch / "top";
    const std::string n40(40, 'n'), level = "\\dddddddddd", notAFolder = scratch / "file";
    const std::string five = level + level + level + level + level;
    const std::string files[] = {"ocf\\a", "ocf\\sub\\b", "ocf\\sub\\deeper\\c", "ocf\\hidden", "ocf\\sub\\system",
                                 "only\\x\\x", "file\\" + n40, "folder\\" + n40 + "\\x", "deep" + five + level + "\\x"};
    for (const std::string& file : files) {
        MakeDirs(root + "\\" + file.substr(0, file.rfind('\\')));
        WriteFile(root + "\\" + file, file);  // each holding its own name
    }
    MakeDirs(root + "\\ocf\\empty");
    MakeHostLink(root + "\\ocf\\linked", root + "\\only");  // a reparse point: never followed
    MakeDirs(root + "\\jars\\x.jar");  // a folder that the narrow wildcard matches (and makes), holding no jar
    SetFileAttributesA((root + "\\ocf\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((root + "\\ocf\\sub\\system").c_str(), FILE_ATTRIBUTE_SYSTEM);
    WriteFile(notAFolder, "not a folder");
    auto wide = [&](size_t n, char c) { return scratch / std::string(n - scratch.path().size() - 1, c); };
    const std::string d230 = wide(230, 'x'), d200 = wide(200, 'y');
    struct Case { const char* pattern; std::string dest; int answer, recurse; std::string expected; };
    const Case cases[] = {  // answer IDOK: nothing in use
        {"ocf\\*", dest, IDOK, 1, "0||0"},
        {"ocf\\*", dest, IDOK, 1, "0||0"},
        {"ocf\\*", top, IDOK, 0, "0||0"},
        {"ocf\\*", dest, IDIGNORE, 1, "0||1"},
        {"ocf\\*", dest, IDABORT, 1, "4|ocf\\sub\\b|1"},
        {"missing\\*", dest, IDOK, 1, "2||0"},
        {"jars\\*.jar", dest, IDOK, 1, "2||0"},
        {"only\\*", notAFolder, IDOK, 1, "3|" + notAFolder + "\\x|0"},
        {"file\\*", d230, IDOK, 1, "1|file\\" + n40 + "|0"},
        {"folder\\*", d230, IDOK, 1, "3|" + d230 + "\\" + n40.substr(0, 29) + "|0"},
        {"deep\\*", d200, IDOK, 1, "3|" + d200 + five + "\\dddd|0"},  // the sixth level cut to 4 of 10
    };
    ScopedCurrentDirectory cd(root);
    for (const Case& c : cases) {
        MakeDirs(c.dest);
        HeldOpen inUse(c.answer == IDOK ? "" : dest + "\\sub\\b");
        PromptResponder responder(c.answer);
        char failed[kPathBuffer + 1];
        memset(failed, '#', sizeof failed);  // the failed path is terminated within its buffer
        int handles = CountOpenHandles();
        int status = CopyTree(c.pattern, c.dest.c_str(), c.recurse, failed);
        EXPECT_EQ(handles, CountOpenHandles()) << c.pattern;
        EXPECT_EQ(c.expected, std::to_string(status) + "|" + failed + "|" + std::to_string(responder.prompts().size()));
    }
    for (std::string file : {"a", "sub\\b", "sub\\deeper\\c", "hidden", "sub\\system"})
        EXPECT_EQ("ocf\\" + file, ReadFile(dest + "\\" + file));
    // Nothing under a cut name, nothing through the link, only the top level without recursion.
    EXPECT_EQ("a empty\\ hidden sub\\ x.jar\\|a hidden||",
              List(dest) + "|" + List(top) + "|" + List(d230) + "|" + List(d200 + five));
    RemoveHostLink(root + "\\ocf\\linked");
    EXPECT_EQ(kCopyNoSubfolder, CopyTree("only\\*", notAFolder.c_str(), 1, nullptr));  // no buffer: nothing written
}
