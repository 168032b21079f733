// The check of folders the elevated installer writes into or runs code from: the DACL rule over
// security descriptors as Windows writes them, then runtimes on the prefix's file system.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <functional>
#include <tuple>

#include "integrity/folder_trust.h"
#include "support.h"

namespace {

TEST(FolderTrust, DaclRuleOverSecurityDescriptors)
{
    const std::string ti = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                      account = "S-1-5-21-1-2-3-1000";  // the installing account
    const std::string programFiles =  // a default installation's Program Files
        "O:" + ti + "G:" + ti + "D:PAI(A;;FA;;;" + ti + ")(A;CIIO;GA;;;" + ti + ")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)"
        "(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)"
        "(A;;0x1200a9;;;AC)(A;OICIIO;GXGR;;;AC)";
    const std::string underRoot =  // a folder made under C:\ inherits Modify for Authenticated Users
        "O:" + account + "D:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)"
        "(A;OICIIOID;SDGXGWGR;;;AU)";
    const std::string admins = "(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
    // The volume root of Windows 10 and 11: Authenticated Users may add folders to it, and modify what they add.
    const std::string root = "O:" + ti + "D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
                             "(A;OICIIO;SDGXGWGR;;;AU)(A;;0x4;;;AU)";
    const int content = kTrustOk, path = kTrustOk, both = kTrustOthersMayWrite;  // fails neither, or both rules
    // what; the descriptor; as a folder the installer uses (content), and as one on the way to it (path)
    const struct { const char* what; std::string sddl; int content, path; } cases[] = {
        {"Program Files", programFiles, kTrustOk, kTrustOk},
        {"the volume root", root, kTrustOthersMayWrite, kTrustOk},
        {"a folder under C:\\, which its users may rename", underRoot, both, both},
        {"an empty DACL", "O:BAD:", content, path},
        {"a deny entry", "O:BAD:(D;OICI;FA;;;WD)" + admins + "(A;OICI;0x1200a9;;;WD)", content, path},
        {"a deny entry is not counted on", "O:BAD:(D;;FW;;;BU)" + admins + "(A;;0x1301bf;;;BU)", both, both},
        {"generic write maps to file rights", "O:BAD:" + admins + "(A;;GW;;;WD)", kTrustOthersMayWrite, path},
        {"generic all", "O:BAD:" + admins + "(A;;GA;;;WD)", both, both},
        {"write attributes: an empty folder becomes a junction", "O:BAD:" + admins + "(A;;0x100;;;BU)",
         kTrustOthersMayWrite, path},
        {"write extended attributes", "O:BAD:" + admins + "(A;;0x10;;;BU)", kTrustOthersMayWrite, path},
        {"delete it", "O:BAD:" + admins + "(A;;SD;;;BU)", both, both},
        {"delete a child: the next folder down", "O:BAD:" + admins + "(A;;0x40;;;AU)", both, both},
        {"change the DACL", "O:BAD:" + admins + "(A;;WD;;;BU)", both, both},
        {"take ownership", "O:BAD:" + admins + "(A;;WO;;;BU)", both, both},
        {"the installing account", "O:" + account + "D:" + admins + "(A;OICI;FA;;;" + account + ")", content, path},
        {"another user owns it", "O:S-1-5-21-1-2-3-1001D:" + admins, kTrustForeignOwner, kTrustForeignOwner},
        {"another user may write", "O:BAD:" + admins + "(A;;FW;;;S-1-5-21-1-2-3-1001)", kTrustOthersMayWrite, path},
    };
    PSID installing = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidA(account.c_str(), &installing));
    for (const auto& c : cases) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(c.sddl.c_str(), SDDL_REVISION_1, &sd,
                                                                         nullptr)) << c.what;
        EXPECT_EQ(c.content, JudgeFolderSecurity(sd, installing)) << c.what;
        EXPECT_EQ(c.path, JudgeFolderSecurity(sd, installing, kPathChangeRights)) << c.what;
        LocalFree(sd);
    }
    // Only a folder the installer made below Temp is its own to delete: as Windows shows them, then as Wine does.
    const std::string staging = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
    const std::string planted = "(A;OICIIOID;FA;;;CO)(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;CIID;0x100026;;;BU)";
    const std::pair<std::string, int> made[] = {
        {"O:BA" + staging, kTrustOk}, {"O:SY" + staging, kTrustOk},
        {"O:S-1-5-21-1-2-3-1001" + staging, kTrustForeignOwner},   // a user's own, given the same DACL
        {"O:S-1-5-21-1-2-3-1001D:AI" + planted, kTrustForeignOwner},  // as made below C:\Windows\Temp
        {"O:BAD:AI" + planted, kTrustNotMadeHere},                     // an administrator's, inheriting
        {"O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)", kTrustNotMadeHere},  // ours, but inherited
        {"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;BU)", kTrustNotMadeHere},
        {"O:" + account + "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + account + ")", kTrustOk},  // Wine: ours
        {"O:" + account + "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + account + ")(A;OICI;0x1200a9;;;WD)", kTrustNotMadeHere},
    };
    for (const auto& [sddl, reason] : made) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr));
        EXPECT_EQ(reason, JudgeMadeByInstaller(sd, installing)) << sddl;
        LocalFree(sd);
    }
    // Windows reads "D:NO_ACCESS_CONTROL" as a NULL DACL, Wine 8 as an empty one: made by hand here.
    SECURITY_DESCRIPTOR open;
    InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorOwner(&open, installing, FALSE);
    SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
    EXPECT_EQ(kTrustNullDacl, JudgeFolderSecurity(&open, installing));
    LocalFree(installing);
}

// Under Wine the owner and DACL come from the host's owner and mode bits, a host link is a reparse point
// (see support.h). Only an absent folder below the home passes: only an administrator could make it.
TEST(FolderTrust, EveryFolderOfARuntime)
{
    ScratchDir scratch("folder-trust");
    const std::string home = scratch / "G\\Java\\jdk", parent = scratch / "G";
    const std::tuple<const char*, const char*, int, const char*, std::function<void(const std::string&)>, int>
        cases[] = {
            // what, the home as given and whether a JDK, the folder that fails and what spoils it, the reason
            {"a sound JDK", "G\\Java\\jdk", 1, "", nullptr, kTrustOk},
            {"a JDK read as a JRE (its lib is absent), ending in a backslash", "G\\Java\\jdk\\", 0, "", nullptr, kTrustOk},
            {"the parent", "G\\Java\\jdk", 1, "G\\Java", LetEveryoneChange, kTrustOthersMayWrite},
            {"a grandparent others may rename", "G\\Java\\jdk", 1, "G", LetEveryoneChange, kTrustOthersMayWrite},
            {"a link two levels above the home", "L\\Java\\jdk", 1, "L",
             [&](const std::string& at) { MakeHostLink(at, parent); }, kTrustReparsePoint},
            {"deep below jre\\bin", "G\\Java\\jdk", 1, "G\\Java\\jdk\\jre\\bin\\client\\deep", LetEveryoneChange,
             kTrustOthersMayWrite},
            {"a link below bin", "G\\Java\\jdk", 1, "G\\Java\\jdk\\bin\\link",
             [&](const std::string& at) { MakeHostLink(at, parent); }, kTrustReparsePoint},
            {"jre\\lib\\ext linked", "G\\Java\\jdk", 1, "G\\Java\\jdk\\jre\\lib\\ext",
             [&](const std::string& at) { RemoveTree(at), MakeHostLink(at, scratch.path()); }, kTrustReparsePoint},
            {"jre owned by someone else", "G\\Java\\jdk", 1, "G\\Java\\jdk\\jre", GiveToAnotherOwner, kTrustForeignOwner},
            {"no home", "G\\Java\\jdk", 1, "G\\Java\\jdk", RemoveTree, kTrustMissing},
            {"a file for a home", "G\\Java\\jdk", 1, "G\\Java\\jdk",
             [](const std::string& at) { RemoveTree(at), WriteFile(at, "x"); }, kTrustMissing},
        };
    for (const auto& [what, given, isJdk, failing, spoil, reason] : cases) {
        RemoveHostLink(scratch / "L");
        RemoveTree(parent);
        for (const char* folder : {"bin\\server", "jre\\bin\\client\\deep", "jre\\lib\\ext", "jre\\lib\\security"})
            MakeDirs(home + "\\" + folder);
        if (spoil)
            spoil(scratch / failing);
        char failedPath[MAX_PATH + 1] = "#";
        EXPECT_EQ(reason, CheckRuntimeTrust((scratch / given).c_str(), isJdk, failedPath)) << what;
        EXPECT_EQ(failing[0] ? scratch / failing : "", failedPath) << what;
    }
    // One walk spares the folders above a parent that passed, and only above that one.
    RemoveTree(parent);
    MakeDirs(home + "\\bin");
    RuntimeTrustCache cache = {""};
    MakeHostLink(scratch / "L", parent);
    for (const char* given : {"G\\Java\\jdk", "G\\Java\\jdk\\", "L\\Java\\jdk", "G\\Java\\jdk"})
        EXPECT_EQ(given[0] == 'L' ? kTrustReparsePoint : kTrustOk,
                  CheckRuntimeTrust((scratch / given).c_str(), 0, nullptr, &cache)) << given;
    EXPECT_EQ(scratch / "G\\Java", cache.soundParent);
    RemoveHostLink(scratch / "L");
    EXPECT_EQ(kTrustMissing, CheckRuntimeTrust("C:\\", 0, nullptr));
}

}  // namespace
