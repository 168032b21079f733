// Tree copy on the prefix's file system: what lands where, where the walk stops, and that a path that
// does not fit is never used under a cut name.
#include <gtest/gtest.h>

#include "copy/copy_file.h"
#include "copy/copy_tree.h"
#include "copy/path.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"

namespace {

// Each case runs over what the cases before it left. A file in use prompts even when identical;
// entries whose paths pass 260 characters fail under their own status.
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
    MakeDirs(scratch / "outside");
    WriteFile(scratch / "outside\\secret", "not the package's");
    MakeHostLink(root + "\\ocf\\linked", scratch / "outside");  // a reparse point: never followed
    MakeDirs(root + "\\jars\\x.jar");  // a folder that the narrow wildcard matches, holding no jar
    SetFileAttributesA((root + "\\ocf\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((root + "\\ocf\\sub\\system").c_str(), FILE_ATTRIBUTE_SYSTEM);
    WriteFile(notAFolder, "not a folder");
    auto wide = [&](size_t n, char c) { return scratch / std::string(n - scratch.path().size() - 1, c); };
    const std::string d230 = wide(230, 'x'), d200 = wide(200, 'y'), cut = d230 + "\\" + n40.substr(0, 29);
    struct Case { const char* pattern; std::string dest; int answer, status; std::string failed; int recurse = 1; };
    const Case cases[] = {  // answer IDOK: nothing in use, no prompt; failed: terminated within its buffer
        {"ocf\\*", dest, IDOK, kCopyDone, ""},
        {"ocf\\*", dest, IDOK, kCopyDone, ""},
        {"ocf\\*", top, IDOK, kCopyDone, "", 0},
        {"ocf\\*", dest, IDIGNORE, kCopyDone, ""},
        {"ocf\\*", dest, IDABORT, kCopyAborted, "ocf\\sub\\b"},
        {"missing\\*", dest, IDOK, kCopyNothingMatched, ""},
        {"jars\\*.jar", dest, IDOK, kCopyNothingMatched, ""},
        {"only\\*", notAFolder, IDOK, kCopyNoSubfolder, notAFolder + "\\x"},
        {"file\\*", d230, IDOK, kCopyFailed, "file\\" + n40},
        {"folder\\*", d230, IDOK, kCopyNoSubfolder, cut},
        {"deep\\*", d200, IDOK, kCopyNoSubfolder, d200 + five + "\\dddd"},  // the sixth level cut to 4 of 10
    };
    ScopedCurrentDirectory cd(root);
    for (const Case& c : cases) {
        MakeDirs(c.dest);
        HeldOpen inUse(c.answer == IDOK ? "" : dest + "\\sub\\b");
        PromptResponder responder(c.answer);
        char failed[kPathBuffer + 1];
        memset(failed, '#', sizeof failed);
        int handles = CountOpenHandles();
        EXPECT_EQ(c.status, CopyTree(c.pattern, c.dest.c_str(), c.recurse, failed)) << c.pattern;
        EXPECT_EQ(handles, CountOpenHandles()) << c.pattern;
        EXPECT_EQ(c.failed, failed) << c.pattern;
        EXPECT_EQ(c.answer == IDOK ? 0u : 1u, responder.prompts().size()) << c.pattern;
    }
    for (const std::string& file : {"a", "sub\\b", "sub\\deeper\\c", "hidden", "sub\\system"})
        EXPECT_EQ("ocf\\" + file, ReadFile(dest + "\\" + file));
    EXPECT_TRUE(Exists(dest + "\\empty") && Exists(top + "\\a"));
    EXPECT_FALSE(Exists(top + "\\sub") || Exists(top + "\\empty") || Exists(cut) || Exists(d200 + five + "\\dddd"));
    EXPECT_FALSE(Exists(dest + "\\linked"));
    RemoveHostLink(root + "\\ocf\\linked");
    EXPECT_EQ(kCopyNoSubfolder, CopyTree("only\\*", notAFolder.c_str(), 1, nullptr));  // no buffer: nothing written
}

}  // namespace
