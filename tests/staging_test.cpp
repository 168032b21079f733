// The sealed package and its staged copy, on the prefix's real file system, security and registry:
// hashes, what is staged and what is left out, the staged folder's DACL, clean-up, the restart mark,
// and a start from a network share.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/log.h"
#include "components/components.h"
#include "integrity/package_hashes.h"
#include "integrity/staging.h"
#include "shell/run_sequence.h"
#include "scratch.h"
#include "system.h"
#include "texts.h"

namespace {

std::string g_log;
void CaptureLog(const char* line)
{
    g_log += std::string(line) + "\n";
}

std::string Hex(const unsigned char* digest)
{
    std::string text;
    char byte[3];
    for (int i = 0; i < kSha256Bytes; ++i) {
        snprintf(byte, sizeof byte, "%02x", digest[i]);
        text += byte;
    }
    return text;
}

std::string HashOf(const std::string& path)
{
    unsigned char digest[kSha256Bytes];
    return HashFile(path.c_str(), digest) ? Hex(digest) : "<failed>";
}

// Names below `folder` matching `pattern`, sorted, folders marked with a trailing backslash.
std::string List(const std::string& folder, const char* pattern = "*")
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\" + pattern).c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name != "." && name != "..")
                names.push_back(name + (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "\\" : ""));
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : " ") + name;
    return text;
}

// A package root holding `files` and a hash table sealing them as they are now.
struct SealedPackage {
    SealedPackage(const std::string& root, const std::vector<std::pair<std::string, std::string>>& files)
        : root(root)
    {
        for (const auto& file : files) {
            MakeDirs(root + "\\" + file.first.substr(0, file.first.rfind('\\')));
            WriteFile(root + "\\" + file.first, file.second);
            paths.push_back(file.first);
        }
        entries.resize(paths.size());
        for (size_t i = 0; i < paths.size(); ++i) {
            entries[i].path = paths[i].c_str();
            EXPECT_TRUE(HashFile((root + "\\" + paths[i]).c_str(), entries[i].sha256)) << paths[i];
        }
        table = {entries.data(), (int)entries.size()};
    }
    std::string root;
    std::vector<std::string> paths;
    std::vector<PackageFile> entries;
    PackageHashTable table;
};

const std::vector<std::pair<std::string, std::string>> kFiles = {
    {"msie\\ocf\\lib\\core\\Card.class", "card"}, {"msie\\ocfpcsc1.dll", "bridge"},
    {"ns\\opencard.properties", "properties"},     {"sun\\ocf1.2.jar", std::string(40000, 'j')},
    {"sun\\java.policy", "policy"},                {"Drivers\\twin.bat", "@echo twin\r\n"},
};

TEST(PackageHashes, KnownDigestsAndLookupByPackagePath)
{
    ScratchDir dir("hashes");
    const struct {
        std::string content;
        const char* sha256;
    } vectors[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& v : vectors) {
        WriteFile(dir / "f", v.content);
        EXPECT_EQ(v.sha256, HashOf(dir / "f")) << v.content.size();
    }
    EXPECT_EQ("<failed>", HashOf(dir / "missing"));

    const PackageFile files[] = {{"sun\\ocf1.2.jar", {1}}, {"Drivers\\twin.bat", {2}}};
    const PackageHashTable table = {files, 2};
    const struct {
        const char* path;
        const PackageFile* found;
    } lookups[] = {{"sun\\ocf1.2.jar", &files[0]}, {"DRIVERS\\Twin.BAT", &files[1]}, {"sun\\ocf1.2.ja", nullptr},
                   {"sun/ocf1.2.jar", nullptr},     {"ocf1.2.jar", nullptr},          {"", nullptr}};
    for (const auto& lookup : lookups)
        EXPECT_EQ(lookup.found, FindPackageFile(table, lookup.path)) << lookup.path;
}

// Package-relative paths of the files below root\relative.
void CollectFiles(const std::string& root, const std::string& relative, std::vector<std::string>* files)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((root + "\\" + relative + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = entry.cFileName, path = relative + "\\" + name;
        if (name == "." || name == "..")
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(root, path, files);
        else
            files->push_back(path);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

TEST(PackageHashes, TheBuildSealedEveryFileOfThePackageFolders)
{
    const std::string root = FromUnixPath(STAGED_PACKAGE_DIR);
    std::vector<std::string> files;
    for (const char* folder : {"msie", "ns", "sun", "Drivers"})
        CollectFiles(root, folder, &files);
    EXPECT_EQ((int)files.size(), kPackageHashes.count);
    for (const std::string& file : files) {
        const PackageFile* sealed = FindPackageFile(kPackageHashes, file.c_str());
        ASSERT_TRUE(sealed) << file;
        EXPECT_EQ(Hex(sealed->sha256), HashOf(root + "\\" + file)) << file;
    }
    for (const char* shipped : {"Drivers\\twin.bat", "Drivers\\410.exe", "sun\\ocf1.2.jar", "sun\\CopyPolicyFile.class"})
        EXPECT_TRUE(FindPackageFile(kPackageHashes, shipped)) << shipped;
}

class Staging : public testing::Test {
protected:
    void SetUp() override
    {
        g_log.clear();
        SetLogSink(CaptureLog);
    }
    void TearDown() override { SetLogSink(nullptr); }

    ScratchDir scratch_{"staging"};
    const std::string parent_ = scratch_ / "parent";
};

TEST_F(Staging, OnlyFoldersWhoseEveryFileMatchesAreStaged)
{
    struct Case {
        const char* name;
        void (*tamper)(const std::string& root, HANDLE* held);
        const char* staged;
        const char* logged;  // a line the log must hold
    };
    const Case cases[] = {
        {"intact", [](const std::string&, HANDLE*) {}, "Drivers\\ msie\\ ns\\ sun\\", "Folder pakietu sun sprawdzony (plików: 2)"},
        {"one byte of twin.bat", [](const std::string& root, HANDLE*) { WriteFile(root + "\\Drivers\\twin.bat", "@echo twim\r\n"); },
         "msie\\ ns\\ sun\\", "różni się od zapisanego przy budowie: Drivers\\twin.bat"},
        {"one byte of the jar", [](const std::string& root, HANDLE*) { WriteFile(root + "\\sun\\ocf1.2.jar", std::string(39999, 'j') + "J"); },
         "Drivers\\ msie\\ ns\\", "Folder pakietu sun pominięty"},
        {"a file missing deep in a tree", [](const std::string& root, HANDLE*) { DeleteFileA((root + "\\msie\\ocf\\lib\\core\\Card.class").c_str()); },
         "Drivers\\ ns\\ sun\\", "nie można go odczytać: msie\\ocf\\lib\\core\\Card.class"},
        {"a file open for writing", [](const std::string& root, HANDLE* held) {
             *held = CreateFileA((root + "\\ns\\opencard.properties").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr); },
         "Drivers\\ msie\\ sun\\", "Folder pakietu ns pominięty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveTree(scratch_ / "source");
        RemoveTree(parent_);
        MakeDirs(parent_);
        SealedPackage package(scratch_ / "source", kFiles);
        WriteFile(package.root + "\\sun\\extra.jar", "not sealed");  // planted: must never be staged
        HANDLE held = INVALID_HANDLE_VALUE;
        c.tamper(package.root, &held);
        g_log.clear();

        int handles = CountOpenHandles();
        StagedPackage staged;
        ASSERT_EQ(1, StagePackage(package.table, package.root.c_str(), parent_.c_str(), &staged));
        ReleaseStagedPackage(&staged);
        EXPECT_EQ(handles, CountOpenHandles()) << "handles leaked";
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);

        EXPECT_EQ(parent_, std::string(staged.root).substr(0, parent_.size()));
        std::string name = List(parent_);
        EXPECT_EQ(std::string(kStagingPrefix).size() + 33, name.size()) << name;
        EXPECT_EQ(c.staged, List(staged.root)) << "nothing else, no half-staged folder";
        EXPECT_NE(std::string::npos, g_log.find(c.logged)) << g_log;
        EXPECT_EQ(std::string::npos, List(std::string(staged.root) + "\\sun").find("extra")) << "not sealed, not staged";
        for (const std::string& path : package.paths) {
            std::string copy = std::string(staged.root) + "\\" + path;
            if (Exists(copy))
                EXPECT_EQ(ReadFile(package.root + "\\" + path), ReadFile(copy)) << path;
        }
    }
}

TEST_F(Staging, CopiesKeepTheirWriteTimeAndTheSourceCanChangeAfterwards)
{
    MakeDirs(parent_);
    SealedPackage package(scratch_ / "source", kFiles);
    SetWriteTime(package.root + "\\msie\\ocfpcsc1.dll", 2004, 5, 6, 7, 8, 9);
    for (PackageFile& entry : package.entries) {  // sealed with the time changed: same bytes
        if (std::string(entry.path) == "msie\\ocfpcsc1.dll")
            HashFile((package.root + "\\msie\\ocfpcsc1.dll").c_str(), entry.sha256);
    }
    StagedPackage staged;
    ASSERT_EQ(1, StagePackage(package.table, package.root.c_str(), parent_.c_str(), &staged));
    ReleaseStagedPackage(&staged);
    WriteFile(package.root + "\\Drivers\\twin.bat", "@echo swapped after staging\r\n");

    WIN32_FILE_ATTRIBUTE_DATA source, copy;
    GetFileAttributesExA((package.root + "\\msie\\ocfpcsc1.dll").c_str(), GetFileExInfoStandard, &source);
    GetFileAttributesExA((std::string(staged.root) + "\\msie\\ocfpcsc1.dll").c_str(), GetFileExInfoStandard, &copy);
    EXPECT_EQ(0, CompareFileTime(&source.ftLastWriteTime, &copy.ftLastWriteTime));
    EXPECT_EQ("@echo twin\r\n", ReadFile(std::string(staged.root) + "\\Drivers\\twin.bat"));
}

bool UnderWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

const ACCESS_MASK kAnyWrite = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                              FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// "SID:mask" of every allowing ACE of the DACL that grants any kind of write.
std::vector<std::string> Writers(PACL dacl)
{
    std::vector<std::string> writers;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(dacl, i, (void**)&ace) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || !(ace->Mask & kAnyWrite))
            continue;
        char* sid = nullptr;
        ConvertSidToStringSidA(&ace->SidStart, &sid);
        writers.push_back(sid ? sid : "?");
        LocalFree(sid);
    }
    return writers;
}

TEST_F(Staging, OnlySystemAndAdministratorsMayWriteTheStagedFolder)
{
    // What the program asks for, as Windows applies it: a protected DACL, write for SYSTEM and
    // Administrators only, read and execute for Users, inherited by every file and folder below.
    PSECURITY_DESCRIPTOR asked = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(kStagingFolderSddl, SDDL_REVISION_1, &asked, nullptr));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorControl(asked, &control, &revision);
    GetSecurityDescriptorDacl(asked, &present, &dacl, &defaulted);
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "nothing inherited from the Temp folder";
    EXPECT_EQ((std::vector<std::string>{"S-1-5-18", "S-1-5-32-544"}), Writers(dacl));
    ASSERT_TRUE(dacl && dacl->AceCount == 3);
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        GetAce(dacl, i, (void**)&ace);
        EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, ace->Header.AceFlags) << i;
    }
    LocalFree(asked);

    // What the file system reports for the staged folder and a staged file. Wine keeps only what Unix
    // mode bits can hold: SYSTEM, and the owner in place of Administrators (Wine's user is the owner of
    // every file and a member of Administrators). Nobody else may write.
    MakeDirs(parent_);
    SealedPackage package(scratch_ / "source", kFiles);
    StagedPackage staged;
    ASSERT_EQ(1, StagePackage(package.table, package.root.c_str(), parent_.c_str(), &staged));
    ReleaseStagedPackage(&staged);
    for (std::string path : {std::string(staged.root), std::string(staged.root) + "\\Drivers\\twin.bat"}) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        PSID owner = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                                                       OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                                       nullptr, &dacl, nullptr, &sd));
        char* ownerText = nullptr;
        ConvertSidToStringSidA(owner, &ownerText);
        std::vector<std::string> allowed = {"S-1-5-18", "S-1-5-32-544"};
        if (UnderWine())
            allowed.push_back(ownerText);
        for (const std::string& writer : Writers(dacl))
            EXPECT_NE(allowed.end(), std::find(allowed.begin(), allowed.end(), writer)) << path << " " << writer;
        EXPECT_FALSE(Writers(dacl).empty()) << path;
        LocalFree(ownerText);
        LocalFree(sd);
    }
}

TEST_F(Staging, EarlierFoldersAreRemovedUnlessInUse)
{
    MakeDirs(parent_);
    const std::string earlier = parent_ + "\\" + kStagingPrefix + std::string(32, 'a');
    const std::string held = parent_ + "\\" + kStagingPrefix + std::string(31, '0') + "F";
    for (const std::string& file : {earlier + "\\sun\\ocf1.2.jar", earlier + "\\msie\\ocf\\lib\\a.class", held + "\\x"}) {
        MakeDirs(file.substr(0, file.rfind('\\')));
        WriteFile(file, "earlier");
    }
    const std::string notOurs[] = {parent_ + "\\" + kStagingPrefix + "notours",
                                   parent_ + "\\" + kStagingPrefix + std::string(33, 'b')};
    for (const std::string& folder : notOurs)
        MakeDirs(folder + "\\keep");
    const std::string aFile = parent_ + "\\" + kStagingPrefix + std::string(32, 'c');
    WriteFile(aFile, "a file, not a staged folder");
    HeldOpen inUse(held + "\\x");

    SealedPackage package(scratch_ / "source", kFiles);
    StagedPackage live;
    ASSERT_EQ(1, StagePackage(package.table, package.root.c_str(), parent_.c_str(), &live));

    RemoveEarlierStagings(parent_.c_str());
    EXPECT_FALSE(Exists(earlier));
    for (const std::string& kept : {held, notOurs[0], notOurs[1], aFile})
        EXPECT_TRUE(Exists(kept)) << kept;
    EXPECT_EQ("java.policy ocf1.2.jar", List(std::string(live.root) + "\\sun")) << "a running instance's copy stays whole";
    EXPECT_NE(std::string::npos, g_log.find("Usunięto kopię pakietu z poprzedniego uruchomienia: " + earlier)) << g_log;
    EXPECT_NE(std::string::npos, g_log.find("zostaje do restartu: " + held)) << g_log;

    // Once the run that made it lets go, the next clean-up takes it too.
    ReleaseStagedPackage(&live);
    inUse.Release();
    RemoveEarlierStagings(parent_.c_str());
    for (const std::string& gone : {std::string(live.root), held})
        EXPECT_FALSE(Exists(gone)) << gone;
    for (const std::string& kept : {notOurs[0] + "\\keep", notOurs[1] + "\\keep", aFile})
        EXPECT_TRUE(Exists(kept)) << kept;
}

// PendingFileRenameOperations: pairs of names; a deletion has an empty second name.
std::vector<std::string> PendingDeletions()
{
    std::vector<std::string> names;
    std::vector<char> value(1 << 20);
    DWORD size = (DWORD)value.size();
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                     "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, value.data(), &size) != ERROR_SUCCESS)
        return names;
    for (const char* p = value.data(); *p;) {
        std::string from = p;
        p += from.size() + 1;
        std::string to = p;
        p += to.size() + 1;
        if (to.empty())
            names.push_back(from);
    }
    return names;
}

TEST_F(Staging, RunStagesTheBuiltPackageBelowWindowsTempAndMarksItForTheRestart)
{
    const std::string temp = WindowsDirectory() + "\\Temp\\" + kStagingPrefix;
    StagedPackage first, second;
    {
        ScopedCurrentDirectory inPackage(FromUnixPath(STAGED_PACKAGE_DIR));
        ASSERT_EQ(1, StagePackageForRun(&first));
        ReleaseStagedPackage(&first);
        EXPECT_EQ(temp, std::string(first.root).substr(0, temp.size()));
        EXPECT_EQ("Drivers\\ msie\\ ns\\ sun\\", List(first.root));

        std::vector<std::string> pending = PendingDeletions();
        auto at = [&](const std::string& path) {
            return std::find(pending.begin(), pending.end(), "\\??\\" + path) - pending.begin();
        };
        size_t root = at(first.root), file = at(std::string(first.root) + "\\Drivers\\twin.bat");
        EXPECT_LT(file, pending.size()) << "the files are marked";
        EXPECT_LT(root, pending.size()) << "and the folder";
        EXPECT_LT(file, root) << "the folder after its content, or Windows cannot remove it";

        ASSERT_EQ(1, StagePackageForRun(&second));
        ReleaseStagedPackage(&second);
    }
    EXPECT_FALSE(Exists(first.root)) << "the second run removed the first run's folder";
    EXPECT_TRUE(Exists(second.root));
    EXPECT_EQ(1, RemoveTreeWithoutFollowing(second.root));
}

// \\srvtest\pkg, served by Wine from the prefix's dosdevices\unc\srvtest\pkg.
const char kShare[] = "\\\\srvtest\\pkg";
std::string ShareFolder()
{
    char prefix[MAX_PATH] = "";
    GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
    return FromUnixPath(prefix) + "\\dosdevices\\unc\\srvtest\\pkg";
}

const PackageHashTable* g_testTable = nullptr;
std::string g_parent;
int StageTestPackage(StagedPackage* staged)
{
    return StagePackage(*g_testTable, kShare, g_parent.c_str(), staged);
}

TEST_F(Staging, StartFromANetworkShareRunsThePolicyToolAndTheDriverFromTheStagedCopy)
{
    // A driver installer and a policy tool (the stand-in java.exe) that leave marks of where they ran.
    const std::string record = scratch_ / "driver-ran", home = scratch_ / "jre";
    RemoveTree(ShareFolder());
    std::vector<std::pair<std::string, std::string>> files = {
        {"Drivers\\twin.bat", "@echo %~nx0 %CD%>>\"" + record + "\"\r\n"}, {"sun\\ocf1.2.jar", "jar"},
        {"sun\\opencard.properties", "p"}, {"sun\\java.policy", "policy"}, {"sun\\ocfpcsc1.dll", "bridge"}};
    SealedPackage package(ShareFolder(), files);
    ASSERT_EQ("bridge", ReadFile(std::string(kShare) + "\\sun\\ocfpcsc1.dll")) << "the share is served";
    for (const char* folder : {"\\bin", "\\lib\\ext", "\\lib\\security"})
        MakeDirs(home + folder);
    CopyFileA(FromUnixPath(TEST_BINARY_DIR "/java_stand_in.exe").c_str(), (home + "\\bin\\java.exe").c_str(), FALSE);
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.4.2", "JavaHome", REG_SZ,
                    home.c_str(), (DWORD)home.size() + 1);
    ScopedCurrentDirectory onShare(kShare);
    ASSERT_EQ(kShare, CurrentDirectory());
    auto driverRan = [&](int waitMs) {
        for (; !Exists(record) && waitMs > 0; waitMs -= 100)
            Sleep(100);
        Sleep(200);
        std::string text = ReadFile(record);
        DeleteFileA(record.c_str());
        return text;
    };

    // Unstaged, the batch file gets the share as its working directory. Wine's command interpreter runs
    // it there; Windows' refuses a UNC working directory and falls back to the Windows directory, where
    // whatever the batch file names beside itself is not found, while the start already counted as done.
    EXPECT_EQ(kResultOk, InstallReaderDriver(0, nullptr, 0));
    EXPECT_EQ("twin.bat " + std::string(kShare) + "\\Drivers\r\n", driverRan(30000));

    g_testTable = &package.table;
    g_parent = scratch_ / "parent";
    MakeDirs(g_parent);
    const InstallerTable table = {nullptr, nullptr, nullptr, InstallJavaPluginComponents, InstallReaderDriver,
                                  StageTestPackage};
    RunOutcome outcome;
    RunInstallers(table, {0, 0, 1, 1, 0}, &outcome);
    EXPECT_EQ(kShare, CurrentDirectory()) << "the working directory is restored";
    EXPECT_EQ(kResultOk, outcome.result[kDriver]);
    std::string staged = g_parent + "\\" + List(g_parent);
    staged.pop_back();
    EXPECT_EQ("twin.bat " + staged + "\\Drivers\r\n", driverRan(30000));
    std::string calls = ReadFile(staged + "\\sun\\calls.log");
    EXPECT_NE(std::string::npos, calls.find("CopyPolicyFile .java.policy|" + staged + "\\sun\n")) << calls;
    EXPECT_TRUE(Exists(home + "\\lib\\ext\\ocf1.2.jar"));

    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
    for (const char* bridge : {"\\ocfpcsc1.dll", "\\ocfpcsc164.dll"})
        RemoveTree(SystemDirectory() + bridge);
    RemoveTree(ShareFolder());
}

}  // namespace
