// Removal of the legacy OCF jar from the prefix's real system directory.
#include <gtest/gtest.h>

#include <windows.h>

#include "components/components.h"
#include "scratch.h"
#include "system.h"
#include "texts.h"

namespace {

class LegacyJar : public ::testing::Test {
protected:
    void SetUp() override { RemoveTree(jar_); }
    void TearDown() override { RemoveTree(jar_); }
    const std::string jar_ = SystemDirectory() + "\\ocf1.2.jar";
};

TEST_F(LegacyJar, AbsentOrDeletableIsNothingToReport)
{
    char message[64] = "untouched";
    int handles = CountOpenHandles();
    EXPECT_EQ(1, RemoveLegacyOcfJar(message, sizeof message));

    WriteFile(jar_, "old OCF");
    EXPECT_EQ(1, RemoveLegacyOcfJar(message, sizeof message));
    EXPECT_FALSE(Exists(jar_));
    EXPECT_STREQ("untouched", message);
    EXPECT_EQ(handles, CountOpenHandles());
}

TEST_F(LegacyJar, ReadOnlyJarStaysAndIsReported)
{
    WriteFile(jar_, "old OCF");
    SetFileAttributesA(jar_.c_str(), FILE_ATTRIBUTE_READONLY);
    char message[592] = "";
    EXPECT_EQ(0, RemoveLegacyOcfJar(message, sizeof message));
    EXPECT_TRUE(Exists(jar_));
    EXPECT_STREQ(kMsgLegacyDeleteFailed, message);
    EXPECT_EQ(0, RemoveLegacyOcfJar(nullptr, 592)) << "a null buffer is tolerated";

    char tight[20];
    EXPECT_EQ(0, RemoveLegacyOcfJar(tight, sizeof tight));
    EXPECT_EQ(std::string(kMsgLegacyDeleteFailed, 19), tight) << "bounded by the capacity";
}

}  // namespace
