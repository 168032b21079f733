// The reader driver installer: PC/SC detection and the reader-name search through a stand-in winscard.dll,
// and the start of the chosen driver installer.
#include <gtest/gtest.h>

#include "base/system_library.h"
#include "components/components.h"
#include "components/reader_driver.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"
#include "texts.h"

namespace {

const std::string kSystemLibrary = SystemDirectory() + "\\winscard.dll";
const char kOverrides[] = "Software\\Wine\\DllOverrides";
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
    // Runs the installer from the package root with a sentinel-filled message buffer (capacity 0: none):
    // "<result>|<message>", the message "-" when untouched.
    std::string Install(const TestPackage& package, unsigned code, int capacity = 592)
    {
        ScopedCurrentDirectory root(package.path());
        memset(message_, '#', sizeof message_ - 1);
        int result = InstallReaderDriver(code, capacity ? message_ : nullptr, capacity);
        EXPECT_EQ(package.path(), CurrentDirectory());
        return std::to_string(result) + "|" + (message_[0] == '#' ? "-" : message_);
    }

    char message_[600] = {};
};

TEST_F(ReaderDriver, ChosenInstallerStartsUnlessAGemplusReaderIsListed)
{
    const std::string gemplus = "3|" + std::string(kMsgGemplusPresent), invalid = "1|" + std::string(kMsgInvalidReaderType);
    const struct {
        std::string answer;  // "": Wine's own library, which knows no readers
        unsigned code;
        std::string result;
        const char* started;
    } cases[] = {
        {"", 0, "0|-", "twin.bat"}, {"", 1, "0|-", "410.exe"}, {"", 2, "0|-", "twin64.bat"},
        {"", 4, "0|-", "twin8.bat"}, {"", 5, "0|-", "twin8_64.bat"},
        {"", 3, invalid, nullptr}, {"", 6, invalid, nullptr}, {"", 0xFFFFFFFFu, invalid, nullptr},
        {"8010001D/0/-1/-1/GEMPLUS", 0, "0|-", "twin.bat"},   // the size call fails: service not running
        {"0/80100008/-1/-1/GEMPLUS", 1, "0|-", "410.exe"},    // the list call fails
        {"0/0/0/-1/GEMPLUS", 2, "0|-", "twin64.bat"},         // a size of nothing
        {"0/0/-1/2000000000/Omnikey 0", 0, "0|-", "twin.bat"},  // a list length far beyond the block
        // The search: caseless, over the NULs between names, within the length the service answers.
        {"0/0/-1/-1/Gemplus USB Smart Card Reader 0", 0, gemplus, nullptr},
        {"0/0/-1/-1/Omnikey 0|GemPC Twin GEMPLUS 0|Omnikey 1", 1, gemplus, nullptr},
        {"0/0/-1/-1/" + std::string(20000, 'r') + "|gemplus gempc410 0", 6, gemplus, nullptr},
        {"0/0/-1/-1/GGEMPLUS", 0, gemplus, nullptr}, {"0/0/-1/-1/GEMPLGEMPLUS", 0, gemplus, nullptr},
        {"0/0/14/-1/Reader GEMPLUS", 0, gemplus, nullptr},  // a list without its NULs, the name at its end
        {"0/0/-1/-1/Reader GEMP|LUS Reader", 0, "0|-", "twin.bat"}, {"0/0/-1/-1/GEMPLU", 0, "0|-", "twin.bat"},
        {"0/0/-1/-1/\xC7\xC5\xCD\xD0\xCC\xD5\xD3", 0, "0|-", "twin.bat"}, {"0/0/-1/-1/GEMPL@US", 0, "0|-", "twin.bat"},
        {"0/0/-1/3/GEMPLUS Twin", 0, "0|-", "twin.bat"}, {"0/0/-1/8/xxGEMPLUS", 0, "0|-", "twin.bat"},
    };
    TestPackage package;
    int before = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer.substr(0, 60));
        if (!c.answer.empty())
            Answer(c.answer);
        EXPECT_EQ(c.result, Install(package, c.code));
        const std::string started = c.started ? std::string(c.started) + " " + package / "Drivers\r\n" : "<missing>";
        EXPECT_EQ(started, package.Ran(c.started ? 30000 : 0));
        before = before ? before : CountOpenHandles();  // after the first run has loaded what runs need
    }
    // A missing installer, named in a bounded message.
    SetEnvironmentVariableA("SCARD_STANDIN", nullptr);  // no readers
    DeleteFileA((package / "Drivers\\twin8.bat").c_str());
    EXPECT_EQ("1|Błąd uruchomienia zewn. sterownika: Drivers\\twin8.bat", Install(package, 4));
    EXPECT_EQ("1|Błąd urucho", Install(package, 4, 12));
    EXPECT_EQ('#', message_[12]);
    EXPECT_EQ("1|-", Install(package, 4, 0));
    EXPECT_EQ(before, CountOpenHandles());
    EXPECT_EQ("<missing>", package.Ran(1000));
    // Without the Drivers folder; a listed reader: neither the folder nor the driver code is looked at.
    TestPackage bare(false, "driver-bare");
    EXPECT_EQ("1|" + std::string(kMsgIncomplete), Install(bare, 0));
    EXPECT_EQ("1|-", Install(bare, 0, 0));
    Answer("0/0/-1/-1/GEMPLUS 0");
    EXPECT_EQ(gemplus, Install(bare, 6));
    EXPECT_EQ("3|-", Install(bare, 0, 0));
}

// A batch file runs in the system's own cmd.exe with /d (Wine's cmd ignores AutoRun, so the command
// line is what can be checked), in the cleaned environment, whatever COMSPEC the user set.
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
    WriteFile(drivers + "\\twin.bat", "@echo %COMSPEC%^|%CLASSPATH%>>\"%DRIVER_RECORD%\"\r\n");
    char saved[MAX_PATH + 1] = "";
    GetEnvironmentVariableA("COMSPEC", saved, sizeof saved);
    SetEnvironmentVariableA("COMSPEC", (package / "evil.exe").c_str());
    SetEnvironmentVariableA("CLASSPATH", (package / "evil.jar").c_str());
    EXPECT_EQ("0|-", Install(package, 0));
    SetEnvironmentVariableA("COMSPEC", saved);
    SetEnvironmentVariableA("CLASSPATH", nullptr);
    EXPECT_EQ(cmd + "|.\r\n", package.Ran());
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
    EXPECT_EQ("3|" + std::string(kMsgGemplusPresent), Install(package, 0));
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

}  // namespace
