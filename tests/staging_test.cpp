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
#include "scratch.h"
#include "system.h"
#include "world.h"

namespace {

std::string Hex(const unsigned char* digest)
{
    std::string text;
    for (int i = 0; i < kSha256Bytes; ++i)
        text += "0123456789abcdef"[digest[i] >> 4] + std::string(1, "0123456789abcdef"[digest[i] & 15]);
    return text;
}

std::string HashOf(const std::string& path)
{
    unsigned char digest[kSha256Bytes];
    return HashFile(path.c_str(), digest) ? Hex(digest) : "<failed>";
}

TEST(PackageHashes, KnownDigestsLookupByPackagePathAndTheBuildsSeal)
{
    ScratchDir dir("hashes");
    const std::pair<std::string, const char*> vectors[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}};
    for (const auto& v : vectors) {
        WriteFile(dir / "f", v.first);
        EXPECT_EQ(v.second, HashOf(dir / "f")) << v.first.size();
    }
    EXPECT_EQ("<failed>", HashOf(dir / "missing"));

    const PackageFile files[] = {{"sun\\ocf1.2.jar", {1}}, {"Drivers\\twin.bat", {2}}};
    const PackageHashTable table = {files, 2};
    const std::pair<const char*, const PackageFile*> lookups[] = {
        {"sun\\ocf1.2.jar", &files[0]}, {"DRIVERS\\Twin.BAT", &files[1]}, {"sun\\ocf1.2.ja", nullptr},
        {"sun/ocf1.2.jar", nullptr},     {"ocf1.2.jar", nullptr},          {"", nullptr}};
    for (const auto& lookup : lookups)
        EXPECT_EQ(lookup.second, FindPackageFile(table, lookup.first)) << lookup.first;

    // The build sealed every file of the package folders as they are now, and nothing else.
    const std::string root = FromUnixPath(STAGED_PACKAGE_DIR);
    int count = 0;
    for (const std::string folder : {"msie", "ns", "sun", "Drivers"}) {
        for (const auto& file : Files(root + "\\" + folder)) {
            const PackageFile* sealed = FindPackageFile(kPackageHashes, (folder + "\\" + file.first).c_str());
            EXPECT_EQ(HashOf(root + "\\" + folder + "\\" + file.first), sealed ? Hex(sealed->sha256) : "") << file.first;
            ++count;
        }
    }
    EXPECT_EQ(count, kPackageHashes.count);
    for (const char* shipped : {"Drivers\\twin.bat", "Drivers\\410.exe", "sun\\ocf1.2.jar", "sun\\CopyPolicyFile.class"})
        EXPECT_TRUE(FindPackageFile(kPackageHashes, shipped)) << shipped;
}

typedef std::map<std::string, std::string> Tree;  // package-relative path, content
const Tree kFiles = {{"msie\\ocf\\lib\\core\\Card.class", "card"}, {"msie\\ocfpcsc1.dll", "bridge"},
                     {"ns\\opencard.properties", "properties"},     {"sun\\ocf1.2.jar", std::string(40000, 'j')},
                     {"sun\\java.policy", "policy"},                {"Drivers\\twin.bat", "@echo twin\r\n"}};

// A package root holding kFiles, and a hash table sealing them as they are now.
struct SealedPackage {
    explicit SealedPackage(const std::string& root) : root(root)
    {
        for (const auto& [path, content] : kFiles) {
            MakeDirs(root + "\\" + path.substr(0, path.rfind('\\')));
            WriteFile(root + "\\" + path, content);
            entries.push_back({path.c_str(), {}});
            EXPECT_TRUE(HashFile((root + "\\" + path).c_str(), entries.back().sha256));
        }
        table = {entries.data(), (int)entries.size()};
    }
    const std::string root;
    std::vector<PackageFile> entries;
    PackageHashTable table;
};

class Staging : public testing::Test {
protected:
    // Stages package (read from source, else from its root) below parent_ and lets go of it; every handle
    // opened meanwhile must be closed.
    std::string Stage(const SealedPackage& package, std::string source = "")
    {
        source = source.empty() ? package.root : source;
        MakeDirs(parent_);
        int handles = CountOpenHandles();
        StagedPackage staged;
        EXPECT_EQ(1, StagePackage(package.table, source.c_str(), parent_.c_str(), &staged));
        ReleaseStagedPackage(&staged);
        EXPECT_EQ(handles, CountOpenHandles()) << "handles leaked";
        return staged.root;
    }

    LogCapture log_;
    ScratchDir scratch_{"staging"};
    const std::string parent_ = scratch_ / "parent";
};

TEST_F(Staging, OnlyFoldersWhoseEveryFileMatchesAreStaged)
{
    enum Change { kNone, kWrite, kDelete, kHoldForWriting };
    const std::tuple<Change, const char*, std::string, const char*, const char*> cases[] = {
        // what changes in which file (and its new content), the folders then staged, a line of the log
        {kNone, "", "", "Drivers\\ msie\\ ns\\ sun\\", "Folder pakietu sun sprawdzony (plików: 2)"},
        {kWrite, "Drivers\\twin.bat", "@echo twim\r\n", "msie\\ ns\\ sun\\",
         "różni się od zapisanego przy budowie: Drivers\\twin.bat"},
        {kWrite, "sun\\ocf1.2.jar", std::string(39999, 'j') + "J", "Drivers\\ msie\\ ns\\", "Folder pakietu sun pominięty"},
        {kDelete, "msie\\ocf\\lib\\core\\Card.class", "", "Drivers\\ ns\\ sun\\",
         "nie można go odczytać: msie\\ocf\\lib\\core\\Card.class"},
        {kHoldForWriting, "ns\\opencard.properties", "", "Drivers\\ msie\\ sun\\", "Folder pakietu ns pominięty"},
    };
    for (const auto& [change, file, content, staged, logged] : cases) {
        SCOPED_TRACE(file);
        RemoveTree(scratch_ / "source");
        RemoveTree(parent_);
        SealedPackage package(scratch_ / "source");
        WriteFile(package.root + "\\sun\\extra.jar", "not sealed");
        SetWriteTime(package.root + "\\msie\\ocfpcsc1.dll", 2004, 5, 6, 7, 8, 9);
        const std::string changed = package.root + "\\" + file;
        if (change == kWrite)
            WriteFile(changed, content);
        if (change == kDelete)
            DeleteFileA(changed.c_str());
        HeldOpen writer(change == kHoldForWriting ? changed : "", FILE_SHARE_READ | FILE_SHARE_WRITE, GENERIC_WRITE);
        log_.Clear();
        const std::string root = Stage(package);

        EXPECT_EQ(parent_ + "\\" + List(parent_), root + "\\") << "one fresh folder";
        EXPECT_EQ(staged, List(root)) << "no half-staged folder beside them";
        EXPECT_NE(std::string::npos, log_.text().find(logged)) << log_.text();
        Tree expected;  // the staged folders' files as sealed, and nothing unsealed
        for (const auto& sealed : kFiles) {
            if (std::string(staged).find(sealed.first.substr(0, sealed.first.find('\\') + 1)) != std::string::npos)
                expected.insert(sealed);
        }
        EXPECT_TRUE(expected == Files(root)) << "the staged files are not the sealed ones of the staged folders";
        // The checked copy's identical-file test compares write times with an earlier installation's.
        WIN32_FILE_ATTRIBUTE_DATA source, copy;
        if (GetFileAttributesExA((root + "\\msie\\ocfpcsc1.dll").c_str(), GetFileExInfoStandard, &copy)) {
            GetFileAttributesExA((package.root + "\\msie\\ocfpcsc1.dll").c_str(), GetFileExInfoStandard, &source);
            EXPECT_EQ(0, CompareFileTime(&source.ftLastWriteTime, &copy.ftLastWriteTime));
        }
    }
}

// Each allowing entry as " <SID> writes|reads", then " below" when all created below inherits it; first
// "protected:" when nothing is inherited from above.
std::string Describe(PSECURITY_DESCRIPTOR sd)
{
    const ACCESS_MASK anyWrite = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                 FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorControl(sd, &control, &revision);
    GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
    std::string text = control & SE_DACL_PROTECTED ? "protected:" : "";
    ACCESS_ALLOWED_ACE* ace = nullptr;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        char* sid = nullptr;
        if (GetAce(dacl, i, (void**)&ace) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            ConvertSidToStringSidA(&ace->SidStart, &sid))
            text += std::string(" ") + sid + (ace->Mask & anyWrite ? " writes" : " reads") +
                    (ace->Header.AceFlags == (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) ? " below," : ",");
        LocalFree(sid);
    }
    return text;
}

// A start from \\srvtest\pkg (Wine serves it from the prefix's dosdevices\unc\srvtest\pkg) runs the
// package from a local copy: Windows' command interpreter refuses a UNC working directory, so the
// driver's batch file would not run in its own folder.
TEST_F(Staging, OnlySystemAndAdministratorsMayWriteTheCopyStagedFromAShare)
{
    // What the program asks Windows for: nothing inherited from Temp, write for SYSTEM and Administrators,
    // read and execute for Users, all inherited by what is created below.
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(kStagingFolderSddl, SDDL_REVISION_1, &sd, nullptr));
    EXPECT_EQ("protected: S-1-5-18 writes below, S-1-5-32-544 writes below, S-1-5-32-545 reads below,", Describe(sd));
    LocalFree(sd);

    char prefix[MAX_PATH] = "";
    GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
    const std::string share = FromUnixPath(prefix) + "\\dosdevices\\unc\\srvtest\\pkg";
    RemoveTree(share);
    const std::string root = Stage(SealedPackage(share), "\\\\srvtest\\pkg");
    RemoveTree(share);
    EXPECT_TRUE(kFiles == Files(root)) << "the staged files are not the sealed ones";
    // What the file system reports. Wine keeps a DACL only as Unix mode bits, and shows those of a folder
    // made with the default security as an entry for Everyone.
    ASSERT_EQ(ERROR_SUCCESS, GetNamedSecurityInfoA(root.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                                   nullptr, nullptr, nullptr, &sd));
    EXPECT_EQ(std::string::npos, Describe(sd).find(" S-1-1-0 ")) << Describe(sd);
    LocalFree(sd);
}

// A run stages the built package below Windows' Temp. It removes what earlier runs left there unless a
// running instance still holds it, and marks its own copy for deletion at the restart.
TEST_F(Staging, ARunRemovesEarlierFoldersUnlessInUseAndMarksItsOwnForTheRestart)
{
    const std::string temp = WindowsDirectory() + "\\Temp", prefix = temp + "\\" + kStagingPrefix;
    const std::string earlier = prefix + std::string(32, 'a'), held = prefix + std::string(31, '0') + "F",
                      notOurs[] = {prefix + "notours\\keep", prefix + std::string(33, 'b') + "\\keep",
                                   prefix + std::string(32, 'c')};  // a file
    for (const std::string& file : {earlier + "\\msie\\ocf\\lib\\a.class", held + "\\x", notOurs[0] + "\\y",
                                    notOurs[1] + "\\y", notOurs[2]}) {
        MakeDirs(file.substr(0, file.rfind('\\')));
        WriteFile(file, "earlier");
    }
    const std::string savedMarks = PendingRenames(true);
    SetPendingRenames("");
    HeldOpen inUse(held + "\\x");
    StagedPackage live, mine;  // live: a running instance's
    {
        ScopedCurrentDirectory inPackage(FromUnixPath(STAGED_PACKAGE_DIR));
        ASSERT_EQ(1, StagePackageForRun(&live));
        ASSERT_EQ(1, StagePackageForRun(&mine));
    }
    EXPECT_EQ(prefix, std::string(mine.root).substr(0, prefix.size()));
    EXPECT_EQ("Drivers\\ msie\\ ns\\ sun\\", List(mine.root));
    EXPECT_EQ(kPackageHashes.count, (int)Files(live.root).size()) << "a running instance's copy stays whole";
    EXPECT_FALSE(Exists(earlier));
    EXPECT_NE(std::string::npos, log_.text().find("Usunięto kopię pakietu z poprzedniego uruchomienia: " + earlier));
    EXPECT_NE(std::string::npos, log_.text().find("zostaje do restartu: " + held)) << log_.text();
    // A deletion's second name is empty. Windows removes a folder at restart only when it is empty by
    // then: its files must come first.
    const std::string marks = PendingRenames(), root = "\\??\\" + std::string(mine.root);
    EXPECT_LT(marks.find(root + "\\Drivers\\twin.bat>\n"), marks.find(root + ">\n"));
    EXPECT_NE(std::string::npos, marks.find(root + ">\n")) << marks;
    SetPendingRenames(savedMarks);

    for (StagedPackage* staged : {&live, &mine})
        ReleaseStagedPackage(staged);
    inUse.Release();
    RemoveEarlierStagings(temp.c_str());
    EXPECT_FALSE(Exists(live.root) || Exists(mine.root) || Exists(held));
    for (const std::string& kept : notOurs) {
        EXPECT_TRUE(Exists(kept)) << kept;
        RemoveTree(kept.substr(0, kept.find('\\', prefix.size())));
    }
}

}  // namespace
