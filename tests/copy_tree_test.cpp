// Tree copy on the prefix's file system: what lands where, where the walk stops, and that a path that
// does not fit is never used under a cut name.
#include <gtest/gtest.h>

#include <string>

#include "copy/copy_file.h"
#include "copy/copy_tree.h"
#include "copy/path.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"

namespace {

// A folder of exactly `length` characters below `base`, made of names of at most 50 characters.
std::string LongDir(std::string path, size_t length)
{
    while (path.size() < length)
        path += "\\" + std::string(std::min<size_t>(length - path.size() - 1, 50), 'x');
    MakeDirs(path);
    return path;
}

// Writes a file, making its folders first.
void Plant(const std::string& path, const std::string& content = "x")
{
    MakeDirs(path.substr(0, path.rfind('\\')));
    WriteFile(path, content);
}

class CopyTreeTest : public ::testing::Test {
protected:
    // The first message box of a process opens handles that stay; let that happen before any count.
    static void SetUpTestSuite() { PromptResponder r(IDOK); MessageBoxA(nullptr, "", "", MB_OK); }

    void SetUp() override
    {
        MakeDirs(root_ + "\\ocf\\empty");
        MakeDirs(dest_);
        for (const char* file : {"a", "sub\\b", "sub\\deeper\\c", "hidden", "sub\\system"})
            Plant(root_ + "\\ocf\\" + file, file);
        SetFileAttributesA((root_ + "\\ocf\\hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesA((root_ + "\\ocf\\sub\\system").c_str(), FILE_ATTRIBUTE_SYSTEM);
    }

    // Runs from the package root; every outcome closes its handles, restores the directory and
    // leaves failedPath terminated within its buffer.
    int Run(const char* pattern, const std::string& destDir, int recurse = 1)
    {
        ScopedCurrentDirectory cd(root_);
        memset(failed_, '#', sizeof failed_);
        int handles = CountOpenHandles();
        int status = CopyTree(pattern, destDir.c_str(), recurse, failed_);
        EXPECT_EQ(handles, CountOpenHandles()) << pattern;
        EXPECT_EQ(root_, CurrentDirectory());
        EXPECT_LT(strnlen(failed_, sizeof failed_), (size_t)kPathBuffer);
        return status;
    }

    ScratchDir scratch_{"copy-tree"};
    std::string root_ = scratch_ / "pkg", dest_ = scratch_ / "dest";
    char failed_[kPathBuffer + 1];
};

TEST_F(CopyTreeTest, CopiesEveryEntryAgainWithoutPromptAndOnlyTopFilesWithoutRecursion)
{
    PromptResponder responder(IDABORT);
    for (int run = 1; run <= 2; ++run) {
        EXPECT_EQ(kCopyDone, Run("ocf\\*", dest_)) << run;
        EXPECT_STREQ("", failed_);
        for (const char* file : {"a", "sub\\b", "sub\\deeper\\c", "hidden", "sub\\system"})
            EXPECT_EQ(file, ReadFile(dest_ + "\\" + file)) << run;
        EXPECT_TRUE(Exists(dest_ + "\\empty"));
    }
    EXPECT_TRUE(responder.prompts().empty());
    std::string top = LongDir(scratch_ / "top", 0);
    EXPECT_EQ(kCopyDone, Run("ocf\\*", top, 0));
    EXPECT_EQ("a", ReadFile(top + "\\a"));
    EXPECT_FALSE(Exists(top + "\\sub") || Exists(top + "\\empty"));
}

// A destination file in use prompts even when identical; sources and destinations long enough to
// pass 260 characters fail under their own status, and nothing appears under the cut name.
TEST_F(CopyTreeTest, FirstFailureEndsTheWalkWithItsStatusAndPath)
{
    ASSERT_EQ(kCopyDone, Run("ocf\\*", dest_));
    HeldOpen inUse(dest_ + "\\sub\\b");
    const std::string n40(40, 'n'), level = "\\dddddddddd", notAFolder = scratch_ / "file";
    WriteFile(notAFolder, "not a folder");
    MakeDirs(root_ + "\\jars\\x.jar");  // a folder that the narrow wildcard matches, holding no jar
    for (std::string file : {std::string("only\\x\\x"), "file\\" + n40, "folder\\" + n40 + "\\x", "deep" + level + level + level + level + level + level + "\\x"})
        Plant(root_ + "\\" + file);
    std::string d230 = LongDir(scratch_ / "a", 230), d200 = LongDir(scratch_ / "b", 200);
    std::string cut = d230 + "\\" + n40.substr(0, 29), cutDeep = d200 + level + level + level + level + level + "\\dddd";
    struct Case {
        const char* pattern;
        std::string dest;
        int answer, status;  // IDOK: no prompt expected
        std::string failed;
    };
    const Case cases[] = {
        {"ocf\\*", dest_, IDIGNORE, kCopyDone, ""},
        {"ocf\\*", dest_, IDABORT, kCopyAborted, "ocf\\sub\\b"},
        {"missing\\*", dest_, IDOK, kCopyNothingMatched, ""},
        {"jars\\*.jar", dest_, IDOK, kCopyNothingMatched, ""},
        {"only\\*", notAFolder, IDOK, kCopyNoSubfolder, notAFolder + "\\x"},
        {"file\\*", d230, IDOK, kCopyFailed, "file\\" + n40},
        {"folder\\*", d230, IDOK, kCopyNoSubfolder, cut},
        {"deep\\*", d200, IDOK, kCopyNoSubfolder, cutDeep},  // the sixth level cut to four of its ten
    };
    for (const Case& c : cases) {
        PromptResponder responder(c.answer);
        EXPECT_EQ(c.status, Run(c.pattern, c.dest)) << c.pattern;
        EXPECT_EQ(c.failed, std::string(failed_)) << c.pattern;
        EXPECT_EQ(c.answer == IDOK ? 0u : 1u, responder.prompts().size()) << c.pattern;
    }
    EXPECT_FALSE(Exists(cut) || Exists(cutDeep));
    PromptResponder responder(IDABORT);
    ScopedCurrentDirectory cd(root_);
    EXPECT_EQ(kCopyAborted, CopyTree("ocf\\*", dest_.c_str(), 1, nullptr));  // no path buffer: nothing written
}

}  // namespace
