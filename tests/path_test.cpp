// Path joining: the buffer rules every copy and component relies on.
#include <gtest/gtest.h>

#include <string>

#include "copy/path.h"

namespace {

struct JoinCase {
    std::string path;
    std::string element;
    std::string expected;
    int fitted;
};

TEST(JoinPath, JoinsWithOneBackslashAndCutsAt260)
{
    const std::string p259(259, 'a');
    const std::string p258 = std::string(257, 'a') + "\\";
    const JoinCase cases[] = {
        {"C:\\WINDOWS\\system32", "ocfpcsc1.dll", "C:\\WINDOWS\\system32\\ocfpcsc1.dll", 1},
        {"C:\\WINDOWS", "java\\lib", "C:\\WINDOWS\\java\\lib", 1},
        {"C:\\", "java\\lib", "C:\\java\\lib", 1},
        {"C:\\a\\", "\\b", "C:\\a\\\\b", 1},  // a leading backslash in the element stays
        {p259, "x", p259 + "\\", 0},         // 259 characters: the separator and nothing of the element
        {std::string(260, 'a'), "x", std::string(260, 'a'), 0},
        {p258, "xy", p258 + "xy", 1},        // exactly 260 characters fits
        {p258, "xyz", p258 + "xy", 0},
        {"C:\\dir", "", "C:\\dir\\", 1},
    };
    for (const JoinCase& c : cases) {
        char buffer[kPathBuffer + 8];
        memset(buffer, '#', sizeof buffer);
        memcpy(buffer, c.path.c_str(), c.path.size() + 1);
        EXPECT_EQ(c.fitted, JoinPath(buffer, c.element.c_str())) << c.path.size() << " + " << c.element;
        EXPECT_EQ(c.expected, std::string(buffer));
        EXPECT_EQ('#', buffer[kPathBuffer]) << "wrote past the path buffer";
    }
}

TEST(JoinPath, BuildPathRefusesAnEmptyBaseAndACutResult)
{
    char path[kPathBuffer];
    EXPECT_EQ(1, BuildPath(path, "C:\\Netscape", "Program\\java\\classes"));
    EXPECT_STREQ("C:\\Netscape\\Program\\java\\classes", path);
    EXPECT_EQ(0, BuildPath(path, "", "lib\\ext\\ocf1.2.jar")) << "an empty home is no folder";
    EXPECT_EQ(0, BuildPath(path, std::string(255, 'a').c_str(), "ocf1.2.jar"));
}

}  // namespace
