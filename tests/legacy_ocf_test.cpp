// Removal of the legacy OCF jar from the prefix's real system directory.
#include <gtest/gtest.h>

#include "components/components.h"
#include "support.h"
#include "texts.h"

// Absent or deleted is silent; a read-only jar stays and is reported, the message bounded by the capacity.
TEST(LegacyJar, AbsentOrDeletedIsSilentAReadOnlyOneStaysAndIsReported)
{
    const std::string jar = SystemDirectory() + "\\ocf1.2.jar";
    for (DWORD there : {0, FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_READONLY}) {
        RemoveTree(jar);
        if (there)
            WriteFile(jar, "old OCF"), SetFileAttributesA(jar.c_str(), there);
        char message[20] = "untouched";
        const int result = RemoveLegacyOcfJar(message, sizeof message);
        EXPECT_EQ(there == FILE_ATTRIBUTE_READONLY ? "0 1 " + std::string(kMsgLegacyDeleteFailed, 19) : "1 0 untouched",
                  std::to_string(result) + " " + std::to_string(Exists(jar)) + " " + message);
    }
    EXPECT_EQ(0, RemoveLegacyOcfJar(nullptr, 592)) << "a null buffer is tolerated";
    RemoveTree(jar);
}
