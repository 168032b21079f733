// Tree copy on the prefix's file system: what lands where, where the walk stops, and that a path that
// does not fit is never used under a cut name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "copy/copy_file.h"
#include "copy/copy_tree.h"
#include "copy/path.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"

namespace {

// A path of exactly `length` characters below `base`, made of folders of at most 50 characters.
std::string LongDir(const std::string& base, size_t length)
{
    std::string path = base;
    while (path.size() < length) {
        size_t room = length - path.size() - 1;
        path += "\\" + std::string(room < 50 ? room : 50, 'x');
    }
    MakeDirs(path);
    return path;
}

class CopyTreeTest : public ::testing::Test {
protected:
    // The first message box of a process opens handles that stay; let that happen before any count.
    static void SetUpTestSuite()
    {
        PromptResponder responder(IDOK);
        MessageBoxA(nullptr, "warm-up", "warm-up", MB_OK);
    }

    void SetUp() override
    {
        MakeDirs(root_ + "\\ocf\\sub\\deeper");
        MakeDirs(dest_);
        WriteFile(root_ + "\\ocf\\a.txt", "a");
        WriteFile(root_ + "\\ocf\\sub\\b.txt", "b");
        WriteFile(root_ + "\\ocf\\sub\\deeper\\c.txt", "c");
        MakeDirs(root_ + "\\ocf\\empty");
    }

    // Runs CopyTree from the package root and checks what every outcome must leave behind.
    int Run(const char* pattern, const std::string& destDir, int recurse = 1)
    {
        ScopedCurrentDirectory cd(root_);
        memset(failed_, '#', sizeof failed_);
        int handles = CountOpenHandles();
        int status = CopyTree(pattern, destDir.c_str(), recurse, failed_);
        EXPECT_EQ(handles, CountOpenHandles()) << "a find handle or file was left open";
        EXPECT_EQ(root_, CurrentDirectory());
        EXPECT_LT(strnlen(failed_, sizeof failed_), (size_t)kPathBuffer);
        return status;
    }

    ScratchDir scratch_{"copy-tree"};
    std::string root_ = scratch_ / "pkg";
    std::string dest_ = scratch_ / "dest";
    char failed_[kPathBuffer + 1];
};

TEST_F(CopyTreeTest, CopiesNestedAndEmptyFoldersAndRunsAgainOverTheSameDestination)
{
    WriteFile(root_ + "\\ocf\\hidden.txt", "h");
    SetFileAttributesA((root_ + "\\ocf\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    WriteFile(root_ + "\\ocf\\sub\\system.txt", "s");
    SetFileAttributesA((root_ + "\\ocf\\sub\\system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    PromptResponder responder(IDABORT);

    for (int run = 1; run <= 2; ++run) {
        EXPECT_EQ(kCopyDone, Run("ocf\\*", dest_)) << "run " << run;
        EXPECT_STREQ("", failed_);
        EXPECT_EQ("a", ReadFile(dest_ + "\\a.txt"));
        EXPECT_EQ("b", ReadFile(dest_ + "\\sub\\b.txt"));
        EXPECT_EQ("c", ReadFile(dest_ + "\\sub\\deeper\\c.txt"));
        EXPECT_EQ("h", ReadFile(dest_ + "\\hidden.txt"));
        EXPECT_EQ("s", ReadFile(dest_ + "\\sub\\system.txt"));
        EXPECT_TRUE(GetFileAttributesA((dest_ + "\\empty").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    }
    EXPECT_TRUE(responder.prompts().empty());
}

TEST_F(CopyTreeTest, WithoutRecursionCopiesOnlyTheTopFiles)
{
    EXPECT_EQ(kCopyDone, Run("ocf\\*", dest_, 0));
    EXPECT_EQ("a", ReadFile(dest_ + "\\a.txt"));
    EXPECT_FALSE(Exists(dest_ + "\\sub"));
    EXPECT_FALSE(Exists(dest_ + "\\empty"));
}

TEST_F(CopyTreeTest, NothingMatchedGivesTwoAndNoPath)
{
    MakeDirs(root_ + "\\jars\\x.jar");  // a folder that a narrow wildcard matches, holding no jar
    WriteFile(root_ + "\\jars\\x.jar\\readme.txt", "r");
    EXPECT_EQ(kCopyNothingMatched, Run("missing\\*", dest_));
    EXPECT_STREQ("", failed_);
    EXPECT_EQ(kCopyNothingMatched, Run("jars\\*.jar", dest_));
    EXPECT_STREQ("", failed_);
}

TEST_F(CopyTreeTest, DestinationInUsePromptsEvenWhenIdentical)
{
    ASSERT_EQ(kCopyDone, Run("ocf\\*", dest_));
    HeldOpen inUse(dest_ + "\\sub\\b.txt");

    PromptResponder ignoring(IDIGNORE);
    EXPECT_EQ(kCopyDone, Run("ocf\\*", dest_));
    EXPECT_EQ(1u, ignoring.prompts().size());

    PromptResponder aborting(IDABORT);
    EXPECT_EQ(kCopyAborted, Run("ocf\\*", dest_));
    EXPECT_STREQ("ocf\\sub\\b.txt", failed_);
    EXPECT_EQ(1u, aborting.prompts().size());

    ScopedCurrentDirectory cd(root_);
    EXPECT_EQ(kCopyAborted, CopyTree("ocf\\*", dest_.c_str(), 1, nullptr));  // no path buffer: nothing written
}

TEST_F(CopyTreeTest, SubfolderThatCannotBeCreatedGivesThreeAndItsPath)
{
    MakeDirs(root_ + "\\only\\sub");
    WriteFile(root_ + "\\only\\sub\\x.txt", "x");
    std::string notAFolder = scratch_ / "file";
    WriteFile(notAFolder, "not a folder");
    EXPECT_EQ(kCopyNoSubfolder, Run("only\\*", notAFolder));
    EXPECT_EQ(notAFolder + "\\sub", std::string(failed_));
}

// Destinations long enough that some entry's path passes 260 characters: that entry fails under its
// own status and no file or folder appears under a cut name.
TEST_F(CopyTreeTest, PathThatDoesNotFitFailsInsteadOfBeingCut)
{
    const std::string name40(40, 'n');
    const std::string level = "dddddddddd";  // with its backslash, 11 characters per level
    MakeDirs(root_ + "\\file");
    WriteFile(root_ + "\\file\\" + name40, "f");
    MakeDirs(root_ + "\\folder\\" + name40);
    WriteFile(root_ + "\\folder\\" + name40 + "\\x", "x");
    std::string deep = root_ + "\\deep";
    for (int i = 0; i < 6; ++i) {
        deep += "\\" + level;
        MakeDirs(deep);
    }
    WriteFile(deep + "\\x", "x");

    struct Case {
        const char* pattern;
        size_t destLength;
        int status;
        std::string failed;      // the source path, or the destination folder's name after destDir
        std::string cutEntry;    // relative to destDir: what the cut path would have created
    };
    const Case cases[] = {
        {"file\\*", 230, kCopyFailed, "file\\" + name40, std::string(29, 'n')},
        {"folder\\*", 230, kCopyNoSubfolder, "\\" + name40, std::string(29, 'n')},
        // Five levels reach 255 characters; the sixth would be cut to four of its ten.
        {"deep\\*", 200, kCopyNoSubfolder, "\\" + level + "\\" + level + "\\" + level + "\\" + level + "\\" + level + "\\" + level,
         level + "\\" + level + "\\" + level + "\\" + level + "\\" + level + "\\dddd"},
    };
    for (const Case& c : cases) {
        std::string dest = LongDir(scratch_ / "long", c.destLength);
        std::string failed = c.status == kCopyFailed ? c.failed : (dest + c.failed).substr(0, kMaxPathChars);
        EXPECT_EQ(c.status, Run(c.pattern, dest)) << c.pattern;
        EXPECT_EQ(failed, std::string(failed_)) << c.pattern;
        EXPECT_FALSE(Exists(dest + "\\" + c.cutEntry)) << c.pattern;
        RemoveTree(scratch_ / "long");
    }
}

}  // namespace
