// The reader driver installer: the reader-name search, PC/SC detection through a stand-in winscard.dll.
#include <gtest/gtest.h>

#include "components/components.h"
#include "base/system_library.h"
#include "components/reader_driver.h"
#include "copy/copy_tree.h"
#include "outside.h"
#include "prompts.h"
#include "resource.h"
#include "scratch.h"
#include "system.h"
#include "texts.h"

namespace {

const std::string kSystemLibrary = SystemDirectory() + "\\winscard.dll";
const char kOverrides[] = "Software\\Wine\\DllOverrides";
const char* const kDriverFiles[] = {"twin.bat", "410.exe", "twin64.bat", nullptr, "twin8.bat", "twin8_64.bat"};
// Copied into a test package as Drivers\410.exe, this program records its start as the .bat stand-ins do.
const bool g_startedAsDriver = strstr(GetCommandLineA(), "410.exe") &&
                               (system("echo 410.exe %CD%>>\"%DRIVER_RECORD%\""), ExitProcess(0), true);

// A package root whose Drivers installers append "<file> <working directory>\r\n" to one record file.
struct TestPackage : ScratchDir {
    explicit TestPackage(bool withDrivers = true, const char* name = "driver-package") : ScratchDir(name)
    {
        SetEnvironmentVariableA("DRIVER_RECORD", record.c_str());
        if (withDrivers)  // without the folder the files below are not written
            MakeDirs(*this / "Drivers");
        for (const char* file : {"twin.bat", "twin64.bat", "twin8.bat", "twin8_64.bat"})
            WriteFile(*this / "Drivers\\" + file, std::string("@echo ") + file + " %CD%>>\"%DRIVER_RECORD%\"\r\n");
        const std::string self = FromUnixPath(TEST_BINARY_DIR "/reader_driver_test.exe");
        CopyFileA(self.c_str(), (*this / "Drivers\\410.exe").c_str(), FALSE);
    }
    ~TestPackage() { Sleep(300); }  // let a started installer end before its folder goes

    std::string Started(const char* file) const { return std::string(file) + " " + *this / "Drivers\r\n"; }
    // What the installers recorded since the last call; "<missing>" when none ran within `wait` ms.
    std::string Ran(int wait = 30000) const
    {
        std::string text;
        for (; (text = ReadFile(record)).find('\n') == std::string::npos && wait > 0; wait -= 50)
            Sleep(50);
        DeleteFileA(record.c_str());
        return text;
    }
    const std::string record = *this / "ran";
};

TEST(ReaderListSearch, FindsGemplusCaselessWithinTheLengthOnly)
{
    const std::string s(1, '\0');
    const struct { std::string list; unsigned long length; int found; } cases[] = {  // length 0: the whole list
        {"a gemPlUS b" + s + s, 0, 1}, {"GGEMPLUS" + s + s, 0, 1}, {"GEMPLGEMPLUS" + s + s, 0, 1},
        {"GEMGEMPGEMPLUS", 0, 1}, {"Reader 0" + s + "GEMPLUS", 0, 1},  // the pattern ends at the last byte
        {"Reader GEMP" + s + "LUS Reader" + s + s, 0, 0}, {"GEMPLU" + s + s, 0, 0}, {"GEMPLU", 0, 0},
        {"\xC7\xC5\xCD\xD0\xCC\xD5\xD3" + s, 0, 0}, {"G\xC5MPLUS" + s, 0, 0}, {"GEMPL@US", 0, 0},
        {"Reader 0" + s + "GEMPLUS", 14, 0}, {"xxGEMPLUS", 8, 0}, {"", 0, 0}};
    for (const auto& c : cases) {
        // The whole list stays in memory, so that a read past `length` would find what lies beyond.
        unsigned long length = c.length ? c.length : (unsigned long)c.list.size();
        EXPECT_EQ(c.found, ReaderListHasGemplus(c.list.data(), length)) << c.list << " / " << length;
    }
}

class ReaderDriver : public testing::Test {
protected:
    // From here on the stand-in in the system directory answers `answer` (see fixtures/winscard_standin.c).
    void Answer(const std::string& answer)
    {
        RegSetKeyValueA(HKEY_CURRENT_USER, kOverrides, "winscard", REG_SZ, "native,builtin", 15);
        if (!Exists(kSystemLibrary + ".saved"))
            CopyFileA(kSystemLibrary.c_str(), (kSystemLibrary + ".saved").c_str(), TRUE);
        const std::string standIn = FromUnixPath(TEST_BINARY_DIR "/standin/winscard.dll");
        EXPECT_TRUE(CopyFileA(standIn.c_str(), kSystemLibrary.c_str(), FALSE));
        SetEnvironmentVariableA("SCARD_STANDIN", answer.c_str());
    }
    void TearDown() override
    {
        MoveFileExA((kSystemLibrary + ".saved").c_str(), kSystemLibrary.c_str(), MOVEFILE_REPLACE_EXISTING);
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kOverrides, "winscard");
    }
    // Runs the installer from the package root with a sentinel-filled message buffer (capacity 0: none).
    int Install(const TestPackage& package, unsigned code, int capacity = 592)
    {
        ScopedCurrentDirectory root(package.path());
        memset(message_, '#', sizeof message_ - 1);
        int result = InstallReaderDriver(code, capacity ? message_ : nullptr, capacity);
        EXPECT_EQ(package.path(), CurrentDirectory());
        return result;
    }

    char message_[600] = {};
};

TEST_F(ReaderDriver, ChosenInstallerStartsUnlessAGemplusReaderIsListed)
{
    const struct {
        std::string answer;  // "": Wine's own library, which knows no readers
        unsigned code;
        int result;
    } cases[] = {
        {"", 0, 0}, {"", 1, 0}, {"", 2, 0}, {"", 4, 0}, {"", 5, 0},
        {"8010002E/0/-1/-1/GEMPLUS", 0, 0},  // no readers
        {"8010001D/0/-1/-1/GEMPLUS", 0, 0},  // service not running
        {"80100001/0/-1/-1/GEMPLUS", 0, 0},  // the size call fails
        {"0/80100008/-1/-1/GEMPLUS", 1, 0},  // the list call fails
        {"0/0/0/-1/GEMPLUS", 2, 0},          // a size of nothing
        {"0/0/-1/-1/SCM Microsystems SCR3310 0|Omnikey CardMan 3121 0", 4, 0},
        {"0/0/-1/-1/Reader GEMP|LUS 0", 5, 0},
        {"0/0/-1/3/GEMPLUS Twin", 0, 0},        // the reported length stops short of the name
        {"0/0/-1/2000000000/Omnikey 0", 0, 0},  // a list length far beyond the block
        {"0/0/-1/-1/Gemplus USB Smart Card Reader 0", 0, 3},
        {"0/0/-1/-1/Omnikey 0|GemPC Twin GEMPLUS 0|Omnikey 1", 1, 3},
        {"0/0/-1/-1/" + std::string(20000, 'r') + "|gemplus gempc410 0", 6, 3},
        {"0/0/14/-1/Reader GEMPLUS", 0, 3},  // a list without its NULs
    };
    TestPackage package;
    int before = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer.substr(0, 60));
        if (!c.answer.empty())
            Answer(c.answer);
        EXPECT_EQ(c.result, Install(package, c.code));
        EXPECT_EQ(c.result ? std::string(kMsgGemplusPresent) : std::string(599, '#'), message_);
        EXPECT_EQ(c.result ? "<missing>" : package.Started(kDriverFiles[c.code]), package.Ran(c.result ? 0 : 30000));
        before = before ? before : CountOpenHandles();  // after the first run has loaded what runs need
    }
    EXPECT_EQ(before, CountOpenHandles());
    EXPECT_EQ("<missing>", package.Ran(1000));
    // A listed reader: neither the Drivers folder nor the driver code is looked at.
    TestPackage bare(false, "driver-bare");
    EXPECT_EQ(3, Install(bare, 6));
    EXPECT_EQ(3, Install(bare, 0, 0));
}

TEST_F(ReaderDriver, ErrorsOfTheDriverStep)
{
    TestPackage package;
    for (unsigned code : {3u, 6u, 0xFFFFFFFFu}) {
        EXPECT_EQ(1, Install(package, code));
        EXPECT_STREQ(kMsgInvalidReaderType, message_);
    }
    DeleteFileA((package / "Drivers\\twin8.bat").c_str());
    EXPECT_EQ(1, Install(package, 4));
    EXPECT_STREQ("Błąd uruchomienia zewn. sterownika: Drivers\\twin8.bat", message_);
    EXPECT_EQ(1, Install(package, 4, 12));
    EXPECT_STREQ("Błąd urucho", message_);
    EXPECT_EQ('#', message_[12]);
    EXPECT_EQ(1, Install(package, 4, 0));
    EXPECT_EQ("<missing>", package.Ran(1000));

    TestPackage bare(false, "driver-bare");
    EXPECT_EQ(1, Install(bare, 0));
    EXPECT_STREQ(kMsgIncomplete, message_);
    EXPECT_EQ(1, Install(bare, 0, 0));
}

// A batch file runs in the system's own cmd.exe with /d (Wine's cmd ignores AutoRun, so the command
// line is what can be checked), with the installer's environment cleaned of what the user set.
TEST_F(ReaderDriver, DriverInstallersStartWithoutTheUsersInterpreter)
{
    TestPackage package;
    const std::string cmd = SystemDirectory() + "\\cmd.exe", drivers = package / "Drivers";
    char application[MAX_PATH + 1], command[600];
    {
        ScopedCurrentDirectory inDrivers(drivers);
        ASSERT_TRUE(BuildDriverCommand("twin.bat", application, command, sizeof command));
        EXPECT_EQ(cmd + "|\"" + cmd + "\" /d /c .\\twin.bat", std::string(application) + "|" + command);
        ASSERT_TRUE(BuildDriverCommand("410.exe", application, command, sizeof command));
        EXPECT_EQ(drivers + "\\410.exe|\"" + drivers + "\\410.exe\"", std::string(application) + "|" + command);
    }
    const std::string evil = package / "evil.exe";  // the Java tests' stand-in: leaves calls.log where it runs
    CopyFileA(FromUnixPath(TEST_BINARY_DIR "/java_stand_in.exe").c_str(), evil.c_str(), FALSE);
    WriteFile(drivers + "\\twin.bat", "@echo %COMSPEC%^|%CLASSPATH%^|%OCF_TEST_HARMLESS%>>\"%DRIVER_RECORD%\"\r\n");
    char saved[MAX_PATH + 1] = "";
    GetEnvironmentVariableA("COMSPEC", saved, sizeof saved);
    SetEnvironmentVariableA("COMSPEC", evil.c_str());
    SetEnvironmentVariableA("CLASSPATH", evil.c_str());
    SetEnvironmentVariableA("OCF_TEST_HARMLESS", "kept");
    EXPECT_EQ(0, Install(package, 0));
    SetEnvironmentVariableA("COMSPEC", saved);
    SetEnvironmentVariableA("CLASSPATH", nullptr);
    SetEnvironmentVariableA("OCF_TEST_HARMLESS", nullptr);
    EXPECT_EQ(cmd + "|.|kept\r\n", package.Ran());
    EXPECT_FALSE(Exists(drivers + "\\calls.log") || Exists(package / "calls.log"));
}

// A winscard.dll anywhere but the system directory would run with the installer's rights.
TEST_F(ReaderDriver, PlantedPcscLibraryIsNeverLoaded)
{
    TestPackage package;
    const std::string planted[] = {package / "winscard.dll", package / "Drivers\\winscard.dll",
                                   FromUnixPath(TEST_BINARY_DIR "/winscard.dll")};
    for (const std::string& path : planted)
        CopyFileA(FromUnixPath(TEST_BINARY_DIR "/plant_mark.dll").c_str(), path.c_str(), FALSE);
    Answer("0/0/-1/-1/GEMPLUS 0");  // only the system directory's library knows this reader
    EXPECT_EQ(3, Install(package, 0));
    for (int flags : {1, 0}) {
        ScopedCurrentDirectory root(package.path());
        HMODULE library = LoadSystemLibrary("winscard.dll", flags);
        char loaded[MAX_PATH] = "";
        EXPECT_TRUE(library && GetModuleFileNameA(library, loaded, MAX_PATH));
        EXPECT_STRCASEEQ(kSystemLibrary.c_str(), loaded) << flags;
        FreeLibrary(library);
    }
    for (const std::string& path : planted) {
        EXPECT_FALSE(Exists(path + ".mark")) << path;
        DeleteFileA((path + ".mark").c_str());
        DeleteFileA(path.c_str());
    }
}

// The real exe in a copy of the built package, with only the drivers ticked and reader type `index`:
// "<driver label>|<report>". It runs the package's own sealed driver installers; a test package's
// recording ones would not be staged.
std::wstring RunExe(const std::string& root, int index)
{
    OutsideInstaller installer;
    EXPECT_TRUE(installer.Start(root + "\\instalator.exe", root));
    Click(installer.WaitForMessageBox(Wide1250(kWelcomeCaption)), IDYES);
    HWND dialog = installer.WaitForDialog();
    SendDlgItemMessageW(dialog, IDC_CHECK_JAVA, BM_SETCHECK, BST_UNCHECKED, 0);
    SendDlgItemMessageW(dialog, IDC_CHECK_DRIVERS, BM_SETCHECK, BST_CHECKED, 0);
    SendDlgItemMessageW(dialog, IDC_READER_TYPE, CB_SETCURSEL, index, 0);
    Click(dialog, IDOK);
    EXPECT_TRUE(WaitForItemText(dialog, IDOK, L"&Szczegóły >>"));
    std::wstring seen = ItemTextOf(dialog, IDT_STATUS_DRIVERS) + L"|" + ItemTextOf(dialog, IDE_REPORT);
    return seen;  // the program is ended with `installer`; closing it is the end-to-end tests' part
}

TEST_F(ReaderDriver, RealExeStartsTheChosenInstallerOrReportsTheListedReader)
{
    for (const char* file : {"twin.bat", "410.exe", "twin64.bat", "twin8.bat", "twin8_64.bat"})
        EXPECT_TRUE(Exists(FromUnixPath(STAGED_PACKAGE_DIR "/Drivers/") + file)) << file;  // shipped
    ScratchDir package("driver-exe");
    ASSERT_EQ(0, CopyTree((FromUnixPath(STAGED_PACKAGE_DIR) + "\\*").c_str(), package.path().c_str(), 1, nullptr));
    EXPECT_EQ(L"OK|" + Wide1250(kDriverLinePrefix) + L"OK\r\n\r\n", RunExe(package.path(), 3));
    Answer("0/0/-1/-1/Gemplus GemPC Twin 00 00");
    EXPECT_EQ(L"UWAGA|" + Wide1250(kDriverLinePrefix) + L"UWAGA - " + Wide1250(kMsgGemplusPresent) + L"\r\n\r\n",
              RunExe(package.path(), 0));
}

}  // namespace
