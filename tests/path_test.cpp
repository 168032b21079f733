// Path joining and the paths built with it: the buffer rules every copy and component relies on.
#include <gtest/gtest.h>

#include "components/netscape.h"
#include "copy/path.h"

// How the path is made (J: JoinPath onto a, B: BuildPath from a, P: the Netscape profile pattern beside
// installation a), the element, and the outcome as "fitted|path".
TEST(JoinPath, JoinsWithOneBackslashAndNeverPasses260)
{
    const std::string a257(257, 'a'), a259(259, 'a'), a260(260, 'a');
    const std::string cases[][4] = {
        {"J", "C:\\a\\", "\\b", "1|C:\\a\\\\b"},  // no second separator; a leading backslash in the element stays
        {"J", "C:\\dir", "", "1|C:\\dir\\"},
        {"J", a259, "x", "0|" + a259 + "\\"},  // 259 characters: the separator and nothing of the element
        {"J", a260, "x", "0|" + a260},
        {"J", a257 + "\\", "xy", "1|" + a257 + "\\xy"},  // exactly 260 characters fits
        {"J", a257 + "\\", "xyz", "0|" + a257 + "\\xy"},
        {"B", "C:\\Netscape", "Program\\java\\classes", "1|C:\\Netscape\\Program\\java\\classes"},
        {"B", "", "lib\\ext\\ocf1.2.jar", "0|"},  // an empty home is no folder
        {"P", "C:\\Program Files\\Netscape\\Communicator", "", "1|C:\\Program Files\\Netscape\\Users\\*"},
        {"P", "C:\\Netscape\\", "", "1|C:\\Users\\*"},
        {"P", "C:\\", "", "0|"},  // no parent
        {"P", "C:\\" + std::string(251, 'x') + "\\C", "", "0|"},  // "Users\*" beside it passes 260
    };
    for (const auto& c : cases) {
        std::string buffer = c[1] + '\0' + std::string(kPathBuffer + 7 - c[1].size(), '#');
        int fitted = c[0] == "J"   ? JoinPath(&buffer[0], c[2].c_str())
                     : c[0] == "B" ? BuildPath(&buffer[0], c[1].c_str(), c[2].c_str())
                                   : BuildProfilePattern(c[1].c_str(), &buffer[0]);
        EXPECT_EQ(c[3], std::to_string(fitted) + "|" + buffer.c_str()) << c[0] << " " << c[1].size() << " + " << c[2];
        EXPECT_EQ('#', buffer[kPathBuffer]) << "wrote past the path buffer";
    }
}
