// The sealed package and its staged copy on the prefix's real file system, security and registry:
// hashes, what is staged and what is left out, the DACL, clean-up, the restart mark, a network share.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/log.h"
#include "components/components.h"
#include "integrity/staging.h"
#include "scratch.h"
#include "shell/run_sequence.h"
#include "system.h"

namespace {

std::string g_log;
void CaptureLog(const char* line)
{
    g_log += std::string(line) + "\n";
}

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

// The names in folder, sorted, a folder's with a trailing backslash.
std::string List(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
        if (strcmp(entry.cFileName, ".") && strcmp(entry.cFileName, ".."))
            names.push_back(entry.cFileName + std::string(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "\\" : ""));
    }
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : " ") + name;
    return text;
}

typedef std::vector<std::pair<std::string, std::string>> Files;  // package-relative path, content
const Files kFiles = {{"msie\\ocf\\lib\\core\\Card.class", "card"}, {"msie\\ocfpcsc1.dll", "bridge"},
                      {"ns\\opencard.properties", "properties"},     {"sun\\ocf1.2.jar", std::string(40000, 'j')},
                      {"sun\\java.policy", "policy"},                {"Drivers\\twin.bat", "@echo twin\r\n"}};

// A package root holding `files`, and a hash table sealing them as they are now.
struct SealedPackage {
    SealedPackage(const std::string& root, const Files& files) : root(root), entries(files.size())
    {
        for (size_t i = 0; i < files.size(); ++i) {
            MakeDirs(root + "\\" + files[i].first.substr(0, files[i].first.rfind('\\')));
            WriteFile(root + "\\" + files[i].first, files[i].second);
            paths.push_back(files[i].first);
            EXPECT_TRUE(HashFile((root + "\\" + paths[i]).c_str(), entries[i].sha256));
        }
        for (size_t i = 0; i < files.size(); ++i)
            entries[i].path = paths[i].c_str();
        table = {entries.data(), (int)entries.size()};
    }
    std::string root;
    std::vector<std::string> paths;
    std::vector<PackageFile> entries;
    PackageHashTable table;
};

TEST(PackageHashes, KnownDigestsAndLookupByPackagePath)
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
}

void CollectFiles(const std::string& root, const std::string& relative, std::vector<std::string>* files)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((root + "\\" + relative + "\\*").c_str(), &entry);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
        std::string name = entry.cFileName, path = relative + "\\" + name;
        if (name != "." && name != "..")
            entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? CollectFiles(root, path, files) : files->push_back(path);
    }
    if (find != INVALID_HANDLE_VALUE)
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
        SetLogSink(CaptureLog);
        MakeDirs(parent_);
    }
    void TearDown() override { SetLogSink(nullptr); }

    // Stages package below parent_ and lets go of it; every handle opened meanwhile must be closed.
    std::string Stage(const SealedPackage& package, const char* source = nullptr)
    {
        int handles = CountOpenHandles();
        StagedPackage staged;
        EXPECT_EQ(1, StagePackage(package.table, source ? source : package.root.c_str(), parent_.c_str(), &staged));
        ReleaseStagedPackage(&staged);
        EXPECT_EQ(handles, CountOpenHandles()) << "handles leaked";
        return staged.root;
    }

    ScratchDir scratch_{"staging"};
    const std::string parent_ = scratch_ / "parent";
};

TEST_F(Staging, OnlyFoldersWhoseEveryFileMatchesAreStaged)
{
    const struct {
        const char* name;
        void (*change)(const std::string& root, HANDLE* held);
        const char* staged;
        const char* logged;
    } cases[] = {
        {"intact", [](const std::string&, HANDLE*) {}, "Drivers\\ msie\\ ns\\ sun\\", "Folder pakietu sun sprawdzony (plików: 2)"},
        {"one byte of twin.bat", [](const std::string& r, HANDLE*) { WriteFile(r + "\\Drivers\\twin.bat", "@echo twim\r\n"); },
         "msie\\ ns\\ sun\\", "różni się od zapisanego przy budowie: Drivers\\twin.bat"},
        {"one byte of the jar", [](const std::string& r, HANDLE*) { WriteFile(r + "\\sun\\ocf1.2.jar", std::string(39999, 'j') + "J"); },
         "Drivers\\ msie\\ ns\\", "Folder pakietu sun pominięty"},
        {"a file missing deep in a tree", [](const std::string& r, HANDLE*) { DeleteFileA((r + "\\msie\\ocf\\lib\\core\\Card.class").c_str()); },
         "Drivers\\ ns\\ sun\\", "nie można go odczytać: msie\\ocf\\lib\\core\\Card.class"},
        {"a file someone holds open for writing", [](const std::string& r, HANDLE* held) {
             *held = CreateFileA((r + "\\ns\\opencard.properties").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr); },
         "Drivers\\ msie\\ sun\\", "Folder pakietu ns pominięty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveTree(scratch_ / "source");
        RemoveTree(parent_);
        MakeDirs(parent_);
        SealedPackage package(scratch_ / "source", kFiles);
        WriteFile(package.root + "\\sun\\extra.jar", "not sealed");
        SetWriteTime(package.root + "\\msie\\ocfpcsc1.dll", 2004, 5, 6, 7, 8, 9);
        HANDLE held = INVALID_HANDLE_VALUE;
        c.change(package.root, &held);
        g_log.clear();
        const std::string root = Stage(package);
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);

        EXPECT_EQ(parent_ + "\\" + List(parent_), root + "\\") << "one fresh folder";
        EXPECT_EQ(std::string(kStagingPrefix).size() + 32, root.size() - parent_.size() - 1);
        EXPECT_EQ(c.staged, List(root)) << "no half-staged folder beside them";
        EXPECT_NE(std::string::npos, g_log.find(c.logged)) << g_log;
        EXPECT_EQ(std::string::npos, List(root + "\\sun").find("extra")) << "not sealed, not staged";
        for (const std::string& path : package.paths) {
            if (Exists(root + "\\" + path))
                EXPECT_EQ(ReadFile(package.root + "\\" + path), ReadFile(root + "\\" + path)) << path;
        }
        // The checked copy's identical-file test compares write times with an earlier installation's.
        WIN32_FILE_ATTRIBUTE_DATA source, copy;
        if (GetFileAttributesExA((root + "\\msie\\ocfpcsc1.dll").c_str(), GetFileExInfoStandard, &copy)) {
            GetFileAttributesExA((package.root + "\\msie\\ocfpcsc1.dll").c_str(), GetFileExInfoStandard, &source);
            EXPECT_EQ(0, CompareFileTime(&source.ftLastWriteTime, &copy.ftLastWriteTime));
        }
    }
}

// The SIDs of the allowing ACEs that grant any kind of write.
std::vector<std::string> Writers(PACL dacl)
{
    const ACCESS_MASK anyWrite = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                 FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    std::vector<std::string> writers;
    ACCESS_ALLOWED_ACE* ace = nullptr;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        char* sid = nullptr;
        if (GetAce(dacl, i, (void**)&ace) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && (ace->Mask & anyWrite) &&
            ConvertSidToStringSidA(&ace->SidStart, &sid))
            writers.push_back(sid);
        LocalFree(sid);
    }
    return writers;
}

TEST_F(Staging, OnlySystemAndAdministratorsMayWriteTheStagedFolder)
{
    // What the program asks Windows for: a protected DACL (nothing inherited from Temp), write for
    // SYSTEM and Administrators, read and execute for Users, all inherited by what is created below.
    PSECURITY_DESCRIPTOR asked = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(kStagingFolderSddl, SDDL_REVISION_1, &asked, nullptr));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorControl(asked, &control, &revision);
    GetSecurityDescriptorDacl(asked, &present, &dacl, &defaulted);
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
    EXPECT_EQ((std::vector<std::string>{"S-1-5-18", "S-1-5-32-544"}), Writers(dacl));
    ASSERT_TRUE(dacl && dacl->AceCount == 3);
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        GetAce(dacl, i, (void**)&ace);
        EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, ace->Header.AceFlags) << i;
    }
    LocalFree(asked);

    // What the file system reports for the staged folder and a staged file. Wine shows only what Unix
    // mode bits hold: SYSTEM, and the owner (Wine's user, a member of Administrators) in place of
    // Administrators. Nobody else may write either.
    const std::string root = Stage(SealedPackage(scratch_ / "source", kFiles));
    const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    for (const std::string& path : {root, root + "\\Drivers\\twin.bat"}) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        PSID owner = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                                                       OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                                       nullptr, &dacl, nullptr, &sd));
        char* ownerText = nullptr;
        ConvertSidToStringSidA(owner, &ownerText);
        std::vector<std::string> allowed = {"S-1-5-18", "S-1-5-32-544", wine ? ownerText : "S-1-5-18"};
        EXPECT_FALSE(Writers(dacl).empty()) << path;
        for (const std::string& writer : Writers(dacl))
            EXPECT_NE(allowed.end(), std::find(allowed.begin(), allowed.end(), writer)) << path << " " << writer;
        LocalFree(ownerText);
        LocalFree(sd);
    }
}

TEST_F(Staging, EarlierFoldersAreRemovedUnlessInUse)
{
    const std::string earlier = parent_ + "\\" + kStagingPrefix + std::string(32, 'a'),
                      held = parent_ + "\\" + kStagingPrefix + std::string(31, '0') + "F",
                      notOurs[] = {parent_ + "\\" + kStagingPrefix + "notours\\keep",
                                   parent_ + "\\" + kStagingPrefix + std::string(33, 'b') + "\\keep",
                                   parent_ + "\\" + kStagingPrefix + std::string(32, 'c')};  // a file
    for (const std::string& file : {earlier + "\\msie\\ocf\\lib\\a.class", held + "\\x", notOurs[0] + "\\y",
                                    notOurs[1] + "\\y", notOurs[2]}) {
        MakeDirs(file.substr(0, file.rfind('\\')));
        WriteFile(file, "earlier");
    }
    HeldOpen inUse(held + "\\x");
    StagedPackage live;  // a running instance's
    SealedPackage package(scratch_ / "source", kFiles);
    ASSERT_EQ(1, StagePackage(package.table, package.root.c_str(), parent_.c_str(), &live));

    RemoveEarlierStagings(parent_.c_str());
    EXPECT_FALSE(Exists(earlier));
    for (const std::string& kept : {held, notOurs[0], notOurs[1], notOurs[2]})
        EXPECT_TRUE(Exists(kept)) << kept;
    EXPECT_EQ("java.policy ocf1.2.jar", List(std::string(live.root) + "\\sun")) << "a running instance's copy stays whole";
    EXPECT_NE(std::string::npos, g_log.find("Usunięto kopię pakietu z poprzedniego uruchomienia: " + earlier)) << g_log;
    EXPECT_NE(std::string::npos, g_log.find("zostaje do restartu: " + held)) << g_log;

    ReleaseStagedPackage(&live);
    inUse.Release();
    RemoveEarlierStagings(parent_.c_str());
    EXPECT_FALSE(Exists(live.root) || Exists(held));
    EXPECT_TRUE(Exists(notOurs[0]) && Exists(notOurs[1]) && Exists(notOurs[2]));
}

TEST_F(Staging, RunStagesTheBuiltPackageBelowWindowsTempAndMarksItForTheRestart)
{
    const std::string temp = WindowsDirectory() + "\\Temp\\" + kStagingPrefix;
    StagedPackage first, second;
    {
        ScopedCurrentDirectory inPackage(FromUnixPath(STAGED_PACKAGE_DIR));
        ASSERT_EQ(1, StagePackageForRun(&first));
        ReleaseStagedPackage(&first);
        ASSERT_EQ(1, StagePackageForRun(&second));
        ReleaseStagedPackage(&second);
    }
    EXPECT_EQ(temp, std::string(second.root).substr(0, temp.size()));
    EXPECT_EQ("Drivers\\ msie\\ ns\\ sun\\", List(second.root));
    EXPECT_FALSE(Exists(first.root)) << "the second run removed the first run's folder";

    // PendingFileRenameOperations holds pairs of names; a deletion's second name is empty. Windows
    // removes a folder at restart only when it is empty by then: its files must come first.
    std::vector<char> value(1 << 20);
    DWORD size = (DWORD)value.size();
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                                          "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, value.data(), &size));
    std::vector<std::string> deleted;
    for (const char* p = value.data(); *p; p += strlen(p) + 1) {
        std::string from = p;
        p += from.size() + 1;
        if (!*p)
            deleted.push_back(from);
    }
    auto at = [&](const std::string& path) { return std::find(deleted.begin(), deleted.end(), "\\??\\" + path) - deleted.begin(); };
    const size_t root = at(second.root), file = at(std::string(second.root) + "\\Drivers\\twin.bat");
    EXPECT_LT(file, root);
    EXPECT_LT(root, deleted.size());
    EXPECT_EQ(1, RemoveTreeWithoutFollowing(second.root));
}

// \\srvtest\pkg, which Wine serves from the prefix's dosdevices\unc\srvtest\pkg.
const char kShare[] = "\\\\srvtest\\pkg";
const PackageHashTable* g_shareTable = nullptr;
std::string g_parent;
int StageFromShare(StagedPackage* staged)
{
    return StagePackage(*g_shareTable, kShare, g_parent.c_str(), staged);
}

TEST_F(Staging, StartFromANetworkShareRunsThePolicyToolAndTheDriverFromTheStagedCopy)
{
    char prefix[MAX_PATH] = "";
    GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
    const std::string share = FromUnixPath(prefix) + "\\dosdevices\\unc\\srvtest\\pkg";
    // A driver installer and a policy tool (the stand-in java.exe) that record where they ran.
    const std::string record = scratch_ / "driver-ran", home = scratch_ / "jre";
    RemoveTree(share);
    const SealedPackage package(share, {{"Drivers\\twin.bat", "@echo %~nx0 %CD%>>\"" + record + "\"\r\n"},
                                        {"sun\\ocf1.2.jar", "jar"}, {"sun\\opencard.properties", "p"},
                                        {"sun\\java.policy", "policy"}, {"sun\\ocfpcsc1.dll", "bridge"}});
    for (const char* folder : {"\\bin", "\\lib\\ext", "\\lib\\security"})
        MakeDirs(home + folder);
    CopyFileA(FromUnixPath(TEST_BINARY_DIR "/java_stand_in.exe").c_str(), (home + "\\bin\\java.exe").c_str(), FALSE);
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.4.2", "JavaHome", REG_SZ,
                    home.c_str(), (DWORD)home.size() + 1);
    ScopedCurrentDirectory onShare(kShare);
    ASSERT_EQ(kShare, CurrentDirectory());
    auto driverRan = [&]() {
        for (int waited = 0; !Exists(record) && waited < 30000; waited += 100)
            Sleep(100);
        Sleep(200);
        std::string text = ReadFile(record);
        DeleteFileA(record.c_str());
        return text;
    };

    // Unstaged, the batch file gets the share as its working directory. Wine's command interpreter
    // runs it there; Windows' refuses a UNC working directory and falls back to the Windows directory,
    // where nothing the batch file names beside itself is found, while the start counted as done.
    EXPECT_EQ(kResultOk, InstallReaderDriver(0, nullptr, 0));
    EXPECT_EQ("twin.bat " + std::string(kShare) + "\\Drivers\r\n", driverRan());

    g_shareTable = &package.table;
    g_parent = parent_;
    const InstallerTable table = {nullptr, nullptr, nullptr, InstallJavaPluginComponents, InstallReaderDriver,
                                  StageFromShare};
    RunOutcome outcome;
    RunInstallers(table, {0, 0, 1, 1, 0}, &outcome);
    EXPECT_EQ(kShare, CurrentDirectory()) << "restored";
    EXPECT_EQ(kResultOk, outcome.result[kDriver]);
    std::string staged = parent_ + "\\" + List(parent_);
    staged.pop_back();
    EXPECT_EQ("twin.bat " + staged + "\\Drivers\r\n", driverRan());
    std::string calls = ReadFile(staged + "\\sun\\calls.log");
    EXPECT_NE(std::string::npos, calls.find("CopyPolicyFile .java.policy|" + staged + "\\sun\n")) << calls;
    EXPECT_TRUE(Exists(home + "\\lib\\ext\\ocf1.2.jar"));

    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
    for (const char* bridge : {"\\ocfpcsc1.dll", "\\ocfpcsc164.dll"})
        RemoveTree(SystemDirectory() + bridge);
    RemoveTree(share);
}

}  // namespace
