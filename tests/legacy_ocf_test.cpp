// Removal of the legacy OCF jar from the prefix's real system directory.
#include <gtest/gtest.h>

#include <windows.h>

#include "components/components.h"
#include "scratch.h"
#include "system.h"
#include "texts.h"

namespace {

TEST(LegacyJar, AbsentOrDeletedIsSilentAReadOnlyOneStaysAndIsReported)
{
    const std::string jar = SystemDirectory() + "\\ocf1.2.jar";
    RemoveTree(jar);
    char message[64] = "untouched";
    int handles = CountOpenHandles();
    EXPECT_EQ(1, RemoveLegacyOcfJar(message, sizeof message));
    WriteFile(jar, "old OCF");
    EXPECT_EQ(1, RemoveLegacyOcfJar(message, sizeof message));
    EXPECT_FALSE(Exists(jar));
    EXPECT_STREQ("untouched", message);
    EXPECT_EQ(handles, CountOpenHandles());

    WriteFile(jar, "old OCF");
    SetFileAttributesA(jar.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0, RemoveLegacyOcfJar(nullptr, 592)) << "a null buffer is tolerated";
    char tight[20];
    EXPECT_EQ(0, RemoveLegacyOcfJar(tight, sizeof tight));
    EXPECT_TRUE(Exists(jar));
    EXPECT_EQ(std::string(kMsgLegacyDeleteFailed, 19), tight) << "the message, bounded by the capacity";
    RemoveTree(jar);
}

}  // namespace
