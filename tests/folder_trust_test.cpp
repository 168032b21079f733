// The check of folders the elevated installer writes into or runs code from: the DACL rule over
// security descriptors as Windows writes them, then runtimes on the prefix's file system.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <functional>

#include "integrity/folder_trust.h"
#include "scratch.h"
#include "system.h"

namespace {

const char kAccount[] = "S-1-5-21-1-2-3-1000";  // the installing account in the table below
const char kTrustedInstaller[] = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

TEST(FolderTrust, DaclRuleOverSecurityDescriptors)
{
    const std::string ti = kTrustedInstaller, account = kAccount;
    const std::string programFiles =  // a default installation's Program Files
        "O:" + ti + "G:" + ti + "D:PAI(A;;FA;;;" + ti + ")(A;CIIO;GA;;;" + ti + ")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)"
        "(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)"
        "(A;;0x1200a9;;;AC)(A;OICIIO;GXGR;;;AC)";
    const std::string underRoot =  // a folder made under C:\ inherits Modify for Authenticated Users
        "O:" + account + "D:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)"
        "(A;OICIIOID;SDGXGWGR;;;AU)";
    const std::string admins = "(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
    const struct { const char* what; std::string sddl; int reason; } cases[] = {
        {"Program Files", programFiles, kTrustOk},
        {"a folder under C:\\", underRoot, kTrustOthersMayWrite},
        {"inherit-only CREATOR OWNER", "O:SYD:" + admins + "(A;OICIIO;GA;;;CO)", kTrustOk},
        {"CREATOR OWNER on the folder itself", "O:SYD:" + admins + "(A;;GA;;;CO)", kTrustOthersMayWrite},
        {"no DACL at all", "O:BA", kTrustNullDacl},
        {"an empty DACL", "O:BAD:", kTrustOk},
        {"a deny entry", "O:BAD:(D;OICI;FA;;;WD)" + admins + "(A;OICI;0x1200a9;;;WD)", kTrustOk},
        {"a deny entry is not counted on", "O:BAD:(D;;FW;;;BU)" + admins + "(A;;0x1301bf;;;BU)",
         kTrustOthersMayWrite},
        {"generic write maps to file rights", "O:BAD:" + admins + "(A;;GW;;;WD)", kTrustOthersMayWrite},
        {"delete a child", "O:BAD:" + admins + "(A;;0x40;;;AU)", kTrustOthersMayWrite},
        {"change the DACL", "O:BAD:" + admins + "(A;;WD;;;BU)", kTrustOthersMayWrite},
        {"take ownership", "O:BAD:" + admins + "(A;;WO;;;BU)", kTrustOthersMayWrite},
        {"the installing account", "O:" + account + "D:" + admins + "(A;OICI;FA;;;" + account + ")", kTrustOk},
        {"another user owns it", "O:S-1-5-21-1-2-3-1001D:" + admins, kTrustForeignOwner},
        {"another user may write", "O:BAD:" + admins + "(A;;FW;;;S-1-5-21-1-2-3-1001)", kTrustOthersMayWrite},
    };
    PSID installing = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidA(kAccount, &installing));
    for (const auto& c : cases) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(c.sddl.c_str(), SDDL_REVISION_1,
                                                                         &descriptor, nullptr))
            << c.what;
        EXPECT_EQ(c.reason, JudgeFolderSecurity(descriptor, installing)) << c.what;
        LocalFree(descriptor);
    }
    // Windows reads "D:NO_ACCESS_CONTROL" as a NULL DACL, Wine 8 as an empty one: made by hand here.
    SECURITY_DESCRIPTOR open;
    InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorOwner(&open, installing, FALSE);
    SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
    EXPECT_EQ(kTrustNullDacl, JudgeFolderSecurity(&open, installing));
    LocalFree(installing);
}

// Under Wine the owner and DACL come from the host's owner and mode bits, and a host link is a
// reparse point (see system.h). Only an absent folder below the home passes: only an administrator
// could make it.
TEST(FolderTrust, EveryFolderOfARuntime)
{
    ScratchDir scratch("folder-trust");
    const std::string home = scratch / "Java\\jdk", parent = scratch / "Java";
    const auto sound = [] { return std::string(); };
    struct Case {
        const char* what;
        int isJdk;
        std::function<std::string()> spoil;  // returns the folder that fails
        int reason;
        const char* ending = "";
    };
    const Case cases[] = {
        {"a sound JDK", 1, sound, kTrustOk},
        {"a JDK read as a JRE: its lib is absent", 0, sound, kTrustOk},
        {"a home ending in a backslash", 1, sound, kTrustOk, "\\"},
        {"the parent", 1, [&] { return LetEveryoneChange(parent), parent; }, kTrustOthersMayWrite},
        {"deep below jre\\bin", 1, [&] { return LetEveryoneChange(home + "\\jre\\bin\\client\\deep"),
                                         home + "\\jre\\bin\\client\\deep"; }, kTrustOthersMayWrite},
        {"a link below bin", 1, [&] { return MakeHostLink(home + "\\bin\\link", parent), home + "\\bin\\link"; },
         kTrustReparsePoint},
        {"jre\\lib\\ext linked", 1, [&] {
             RemoveTree(home + "\\jre\\lib\\ext"), MakeHostLink(home + "\\jre\\lib\\ext", scratch.path());
             return home + "\\jre\\lib\\ext"; }, kTrustReparsePoint},
        {"jre owned by someone else", 1, [&] { return GiveToAnotherOwner(home + "\\jre"), home + "\\jre"; },
         kTrustForeignOwner},
        {"no home", 1, [&] { return RemoveTree(home), home; }, kTrustMissing},
        {"a file for a home", 1, [&] { return RemoveTree(home), WriteFile(home, "x"), home; }, kTrustMissing},
    };
    for (const auto& c : cases) {
        RemoveTree(parent);
        for (const char* folder : {"bin\\server", "jre\\bin\\client\\deep", "jre\\lib\\ext", "jre\\lib\\security"})
            MakeDirs(home + "\\" + folder);
        std::string failed = c.spoil();
        char failedPath[MAX_PATH + 1] = "#";
        EXPECT_EQ(c.reason, CheckRuntimeTrust((home + c.ending).c_str(), c.isJdk, failedPath)) << c.what;
        EXPECT_EQ(failed, failedPath) << c.what;
    }
    RemoveTree(parent);
    EXPECT_EQ(kTrustMissing, CheckRuntimeTrust("C:\\", 0, nullptr));
}

}  // namespace
