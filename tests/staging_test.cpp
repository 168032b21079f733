// The sealed package and its staged copy on the prefix's real file system, security and registry:
// hashes, what is staged and what is left out, the DACL, a network share, clean-up, the restart mark.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "integrity/staging.h"
#include "support.h"
#include "texts.h"

namespace {

std::string HashOf(const std::string& path)
{
    unsigned char digest[kSha256Bytes];
    char text[2 * kSha256Bytes + 1] = "<failed>";
    for (int i = 0, hashed = HashFile(path.c_str(), digest); hashed && i < kSha256Bytes; ++i)
        snprintf(text + 2 * i, 3, "%02x", digest[i]);
    return text;
}

// Whether the build sealed the package as it is shows where a run stages it (Staging.ARun...).
TEST(PackageHashes, KnownDigestsAndLookupByTheWholePackagePath)
{
    ScratchDir dir("hashes");
    WriteFile(dir / "f", std::string(1000000, 'a'));  // more than one read of the file
    EXPECT_EQ("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0", HashOf(dir / "f"));
    EXPECT_EQ("<failed>", HashOf(dir / "missing"));
    const std::pair<const char*, std::string> lookups[] = {{"DRIVERS\\Twin.BAT", "Drivers\\twin.bat"},
        {"sun\\ocf1.2.ja", ""}, {"sun/ocf1.2.jar", ""}, {"ocf1.2.jar", ""}, {"", ""}};
    for (const auto& [path, found] : lookups)
        EXPECT_EQ(found, FindPackageFile(kPackageHashes, path) ? FindPackageFile(kPackageHashes, path)->path : "");
}

// Per allowing entry " <SID> writes|reads", " below" when all created below inherits it; "protected:" first.
std::string Describe(PSECURITY_DESCRIPTOR sd)
{
    const ACCESS_MASK anyWrite = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                 FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    const auto* relative = (const SECURITY_DESCRIPTOR_RELATIVE*)sd;  // as both callers get it from Windows
    PACL dacl = relative->Dacl ? (PACL)((const BYTE*)sd + relative->Dacl) : nullptr;
    std::string text = relative->Control & SE_DACL_PROTECTED ? "protected:" : "";
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        char* sid = nullptr;
        if (GetAce(dacl, i, (void**)&ace) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            ConvertSidToStringSidA(&ace->SidStart, &sid))
            text += std::string(" ") + sid + (ace->Mask & anyWrite ? " writes" : " reads") +
                    (ace->Header.AceFlags == (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) ? " below," : ",");
        LocalFree(sid);
    }
    return text;
}

// A start from \\srvtest\pkg (Wine serves it from the prefix's dosdevices\unc\srvtest\pkg) runs a local copy:
// Windows' command interpreter refuses a UNC working directory, where the driver's batch file would run.
TEST(Staging, OnlyFoldersWhoseEveryFileMatchesAreStagedFromAShareIntoAFolderOnlyAdministratorsMayWrite)
{
    // What the program asks Windows for: nothing inherited from Temp, write for SYSTEM and Administrators,
    // read and execute for Users, all inherited by what is created below.
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(kStagingFolderSddl, SDDL_REVISION_1, &sd, 0));
    EXPECT_EQ("protected: S-1-5-18 writes below, S-1-5-32-544 writes below, S-1-5-32-545 reads below,", Describe(sd));
    LocalFree(sd);

    const std::map<std::string, std::string> kFiles = {  // package-relative path, content
        {"msie\\ocf\\lib\\core\\Card.class", "card"}, {"msie\\ocfpcsc1.dll", "bridge"},
        {"ns\\opencard.properties", "properties"},     {"sun\\ocf1.2.jar", std::string(40000, 'j')},
        {"sun\\java.policy", "policy"},                {"Drivers\\twin.bat", "@echo twin\r\n"}};
    enum Change { kNone, kWrite, kDelete, kHoldForWriting };
    const std::tuple<Change, const char*, std::string, const char*, const char*> cases[] = {
        // what changes in which file (and its new content), the folders then staged, a line of the log
        {kNone, "", "", "Drivers\\ msie\\ ns\\ sun\\", "Folder pakietu sun sprawdzony (plików: 2)"},
        {kWrite, "sun\\ocf1.2.jar", std::string(39999, 'j') + "J", "Drivers\\ msie\\ ns\\",
         "różni się od zapisanego przy budowie: sun\\ocf1.2.jar"},
        {kDelete, "msie\\ocf\\lib\\core\\Card.class", "", "Drivers\\ ns\\ sun\\",
         "nie można go odczytać: msie\\ocf\\lib\\core\\Card.class"},
        {kHoldForWriting, "ns\\opencard.properties", "", "Drivers\\ msie\\ sun\\", "Folder pakietu ns pominięty"},
    };
    LogCapture log;
    ScratchDir parent("staging");  // every case writes the whole package anew
    const std::string share = FromUnixPath(getenv("WINEPREFIX")) + "\\dosdevices\\unc\\srvtest\\pkg";
    for (const auto& [change, file, content, staged, logged] : cases) {
        SCOPED_TRACE(file);
        RemoveTree(parent.path());
        MakeDirs(parent.path());
        std::vector<PackageFile> seals;  // the package as it is now
        for (const auto& [path, sealed] : kFiles) {
            MakeDirs(share + "\\" + path.substr(0, path.rfind('\\')));
            WriteFile(share + "\\" + path, sealed);
            seals.push_back({path.c_str(), {}});
            EXPECT_TRUE(HashFile((share + "\\" + path).c_str(), seals.back().sha256));
        }
        WriteFile(share + "\\sun\\extra.jar", "not sealed");
        SetWriteTime(share + "\\msie\\ocfpcsc1.dll", 2004, 5, 6, 7, 8, 9);
        const std::string changed = share + "\\" + file;
        if (change == kWrite)
            WriteFile(changed, content);
        if (change == kDelete)
            DeleteFileA(changed.c_str());
        HeldOpen writer(change == kHoldForWriting ? changed : "", FILE_SHARE_READ | FILE_SHARE_WRITE, GENERIC_WRITE);
        const int handles = CountOpenHandles();
        StagedPackage copy;
        EXPECT_EQ(1, StagePackage({seals.data(), (int)seals.size()}, "\\\\srvtest\\pkg", parent.path().c_str(),
                                  kAllFolders, &copy));
        ReleaseStagedPackage(&copy);
        EXPECT_EQ(handles, CountOpenHandles()) << "handles leaked";
        const std::string root = copy.root;

        EXPECT_EQ(parent / List(parent.path()), root + "\\") << "one fresh folder";
        EXPECT_EQ(staged, List(root)) << "no half-staged folder beside them";
        EXPECT_NE(std::string::npos, log.text().find(logged)) << log.text();
        std::map<std::string, std::string> expected;  // the staged folders' files as sealed, and nothing unsealed
        for (const auto& sealed : kFiles) {
            if (std::string(staged).find(sealed.first.substr(0, sealed.first.find('\\') + 1)) != std::string::npos)
                expected.insert(sealed);
        }
        EXPECT_TRUE(expected == Files(root)) << "the staged files are not the sealed ones of the staged folders";
        // The checked copy's identical-file test compares write times with an earlier installation's.
        WIN32_FILE_ATTRIBUTE_DATA from, to;
        if (GetFileAttributesExA((root + "\\msie\\ocfpcsc1.dll").c_str(), GetFileExInfoStandard, &to)) {
            GetFileAttributesExA((share + "\\msie\\ocfpcsc1.dll").c_str(), GetFileExInfoStandard, &from);
            EXPECT_EQ(0, CompareFileTime(&from.ftLastWriteTime, &to.ftLastWriteTime));
        }
        // Wine keeps a DACL as mode bits: a folder made with default security shows an entry for Everyone.
        ASSERT_EQ(ERROR_SUCCESS, GetNamedSecurityInfoA(root.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                                       nullptr, nullptr, nullptr, nullptr, &sd));
        EXPECT_EQ(std::string::npos, Describe(sd).find(" S-1-1-0 ")) << Describe(sd);
        LocalFree(sd);
    }
    RemoveTree(share);
}

// A run stages the built package below Windows' Temp. It removes what earlier runs left there unless a
// running instance still holds it, and marks its own copy for deletion at the restart. Anyone may make a
// folder of a staged folder's name there: only one the program made goes, and never through a link.
TEST(Staging, ARunRemovesEarlierFoldersUnlessInUseAndMarksItsOwnForTheRestart)
{
    LogCapture log;
    const std::string temp = WindowsDirectory() + "\\Temp", prefix = temp + "\\" + kStagingPrefix;
    const std::string earlier = prefix + std::string(32, 'a'), held = prefix + std::string(31, '0') + "F",
                      linked = prefix + std::string(32, 'e'), victim = temp + "\\staging-test-victim",
                      notOurs[] = {prefix + std::string(32, 'g'), prefix + std::string(33, 'b'),
                                   prefix + std::string(32, 'c'),  // a file
                                   prefix + std::string(32, 'd'), prefix + std::string(32, 'f')},  // planted
                      notOursWhy[] = {"", "", "", kTrustReasonNotMadeHere, kTrustReasonNotMadeHere};
    auto makeAsTheProgramDoes = [](const std::string& folder) {
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
        ConvertStringSecurityDescriptorToSecurityDescriptorA(kStagingFolderSddl, SDDL_REVISION_1,
                                                             &attributes.lpSecurityDescriptor, nullptr);
        EXPECT_TRUE(CreateDirectoryA(folder.c_str(), &attributes)) << folder;
        LocalFree(attributes.lpSecurityDescriptor);
    };
    for (const std::string& folder : {earlier, held, linked})
        makeAsTheProgramDoes(folder);
    for (const std::string& file : {earlier + "\\msie\\ocf\\lib\\a.class", held + "\\x", notOurs[0] + "\\y",
                                    notOurs[1] + "\\y", notOurs[2], notOurs[3] + "\\y", notOurs[4] + "\\y",
                                    victim + "\\z", linked + "\\y"}) {
        MakeDirs(file.substr(0, file.rfind('\\')));
        WriteFile(file, "earlier");
    }
    // Links to a folder that is nobody's to delete: in a planted folder and in one of the program's own.
    MakeHostLink(notOurs[4] + "\\link", victim);
    MakeHostLink(linked + "\\link", victim);
    const std::string savedMarks = PendingRenames(true);
    HeldOpen inUse(held + "\\x");
    StagedPackage live, mine;  // live: a running instance's
    ScopedCurrentDirectory inPackage(FromUnixPath(STAGED_PACKAGE_DIR));
    ASSERT_EQ(1, StagePackageForRun(kAllFolders, &live));
    ASSERT_EQ(1, StagePackageForRun(kFolderNs | kFolderDrivers, &mine));
    EXPECT_EQ("Drivers\\ ns\\ temp\\", List(mine.root)) << "only the folders asked for, and the started programs' TEMP";
    // The build sealed every file of the package folders as it is now; a running instance's copy stays whole.
    std::map<std::string, std::string> package = Files(FromUnixPath(STAGED_PACKAGE_DIR));
    package.erase("instalator.exe");
    EXPECT_TRUE(package == Files(live.root)) << "not the package's folders as they are";
    EXPECT_FALSE(Exists(earlier));
    EXPECT_NE(std::string::npos, log.text().find("Usunięto kopię pakietu z poprzedniego uruchomienia: " + earlier));
    EXPECT_NE(std::string::npos, log.text().find("zostaje do restartu: " + held)) << log.text();
    EXPECT_EQ("earlier", ReadFile(victim + "\\z")) << "deleted through a link";
    EXPECT_FALSE(Exists(linked + "\\y"));
    for (size_t i = 0; i < std::size(notOurs); ++i) {
        const std::string line =
            "Folder o nazwie kopii pakietu nie pochodzi od tego programu i zostaje: " + notOurs[i] + " (" + notOursWhy[i] + ")";
        EXPECT_EQ(!notOursWhy[i].empty(), log.text().find(line) != std::string::npos) << log.text();
    }
    // A deletion's second name is empty. Windows removes a folder at restart only once it is empty: files first.
    const std::string marks = PendingRenames(), root = "\\??\\" + std::string(mine.root);
    EXPECT_NE(std::string::npos, marks.find(root + ">\n", marks.find(root + "\\Drivers\\twin.bat>\n"))) << marks;
    SetPendingRenames(savedMarks);

    ReleaseStagedPackage(&live);
    ReleaseStagedPackage(&mine);
    inUse.Release();
    RemoveEarlierStagings(temp.c_str());
    EXPECT_FALSE(Exists(live.root) || Exists(mine.root) || Exists(held));
    RemoveHostLink(notOurs[4] + "\\link");
    RemoveHostLink(linked + "\\link");
    for (const std::string& kept : notOurs) {
        EXPECT_TRUE(Exists(kept)) << kept;
        RemoveTree(kept);
    }
    EXPECT_EQ("earlier", ReadFile(victim + "\\z"));
    RemoveTree(victim);
    RemoveTree(linked);
}

}  // namespace
