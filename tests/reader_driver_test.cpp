// The reader driver installer: PC/SC detection and the reader-name search through a stand-in winscard.dll,
// and the start of the chosen driver installer.
#include <gtest/gtest.h>

#include "base/run_mode.h"
#include "base/system_library.h"
#include "components/components.h"
#include "components/reader_driver.h"
#include "integrity/clean_process.h"
#include "support.h"
#include "texts.h"

namespace {

const std::string kSystemLibrary = SystemDirectory() + "\\winscard.dll";
const char kOverrides[] = "Software\\Wine\\DllOverrides";
const std::string kBinaries = FromUnixPath(TEST_BINARY_DIR) + "\\";
// Copied into a test package as Drivers\410.exe, this program records its start as the .bat stand-ins do.
const bool g_startedAsDriver = strstr(GetCommandLineA(), "410.exe") &&
    (system("echo 410.exe %CD% %COMSPEC%^|%CLASSPATH%^|%TEMP%^|%TMP%>>\"%DRIVER_RECORD%\""), ExitProcess(0), true);

// A package root whose Drivers installers append "<file> <working directory> <COMSPEC>|<CLASSPATH>|<TEMP>|<TMP>\r\n"
// to one record file, and the stand-in winscard.dll in the system directory.
class ReaderDriver : public testing::Test {
protected:
    void SetUp() override
    {
        SetEnvironmentVariableA("DRIVER_RECORD", record_.c_str());
        MakeDirs(drivers_);
        for (std::string file : {"twin.bat", "twin64.bat", "twin8.bat", "twin8_64.bat"})
            WriteFile(drivers_ + "\\" + file,
                      "@echo " + file + " %CD% %COMSPEC%^|%CLASSPATH%^|%TEMP%^|%TMP%>>\"%DRIVER_RECORD%\"\r\n");
        MakeDirs(temp_);
        SetStartedProgramsTemp(temp_.c_str());
        CopyFileA((kBinaries + "reader_driver_test.exe").c_str(), (drivers_ + "\\410.exe").c_str(), FALSE);
    }
    void TearDown() override
    {
        MoveFileExA((kSystemLibrary + ".saved").c_str(), kSystemLibrary.c_str(), MOVEFILE_REPLACE_EXISTING);
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kOverrides, "winscard");
        for (const char* planted : {"winscard.dll", "winscard.dll.mark"})
            DeleteFileA((kBinaries + planted).c_str());
        Sleep(300);  // let a started installer end before its folder goes
    }
    // From here on the stand-in answers `answer` (see fixtures/winscard_standin.c).
    void Answer(const std::string& answer)
    {
        RegSetKeyValueA(HKEY_CURRENT_USER, kOverrides, "winscard", REG_SZ, "native,builtin", 15);
        if (!Exists(kSystemLibrary + ".saved"))
            CopyFileA(kSystemLibrary.c_str(), (kSystemLibrary + ".saved").c_str(), TRUE);
        EXPECT_TRUE(CopyFileA((kBinaries + "standin\\winscard.dll").c_str(), kSystemLibrary.c_str(), FALSE));
        SetEnvironmentVariableA("SCARD_STANDIN", answer.c_str());
    }
    // Runs the installer from the package root with a sentinel-filled message buffer (capacity 0: none):
    // "<result>|<message>", the message "-" when untouched.
    std::string Install(unsigned code, int capacity = 592, const std::string& root = "")
    {
        ScopedCurrentDirectory inRoot(root.empty() ? package_.path() : root);
        memset(message_, '#', sizeof message_ - 1);
        int result = InstallReaderDriver(code, capacity ? message_ : nullptr, capacity);
        EXPECT_EQ(root.empty() ? package_.path() : root, CurrentDirectory());
        return std::to_string(result) + "|" + (message_[0] == '#' ? "-" : message_);
    }
    // What the installers recorded since the last call; "<missing>" when none ran within `wait` ms.
    std::string Ran(int wait)
    {
        std::string text;
        for (; (text = ReadFile(record_)).find('\n') == std::string::npos && wait > 0; wait -= 50)
            Sleep(50);
        DeleteFileA(record_.c_str());
        return text;
    }

    ScratchDir package_{"driver-package"};
    const std::string drivers_ = package_ / "Drivers", record_ = package_ / "ran", temp_ = package_ / "run-temp";
    char message_[600] = {};
};

// A batch file runs in the system's own cmd.exe with /d (Wine's cmd ignores AutoRun, so the command line is
// what can be checked), an installer in the cleaned environment, whatever COMSPEC the user set. A winscard.dll
// anywhere but the system directory would run with the installer's rights: copies lie in the package and
// beside this program (the exe's own run among planted copies is the start-up tests' part).
TEST_F(ReaderDriver, ChosenInstallerStartsUnlessAGemplusReaderIsListed)
{
    const std::string gemplus = std::string("3|") + kMsgGemplusPresent;
    const std::string invalid = std::string("1|") + kMsgInvalidReaderType;
    const struct {
        std::string answer;  // "": Wine's own library, which knows no readers
        unsigned code;
        std::string outcome;  // "<result>|<message>|<the installer started>"
    } cases[] = {
        {"", 0, "0|-|twin.bat"}, {"", 1, "0|-|410.exe"}, {"", 2, "0|-|twin64.bat"}, {"", 4, "0|-|twin8.bat"},
        {"", 5, "0|-|twin8_64.bat"}, {"", 3, invalid}, {"", 6, invalid}, {"", 0xFFFFFFFFu, invalid},
        // A failed size call (no service) or list call, a size of nothing, a length far beyond the block.
        {"8010001D/0/-1/-1/GEMPLUS", 0, "0|-|twin.bat"}, {"0/80100008/-1/-1/GEMPLUS", 1, "0|-|410.exe"},
        {"0/0/0/-1/GEMPLUS", 2, "0|-|twin64.bat"}, {"0/0/-1/2000000000/Omnikey 0", 0, "0|-|twin.bat"},
        // The search: caseless, over the NULs between names, within the length the service answers.
        {"0/0/-1/-1/Gemplus USB Smart Card Reader 0", 0, gemplus},
        {"0/0/-1/-1/Omnikey 0|GemPC Twin GEMPLUS 0|Omnikey 1", 1, gemplus},
        {"0/0/-1/-1/" + std::string(20000, 'r') + "|gemplus gempc410 0", 6, gemplus},
        {"0/0/-1/-1/GEMPLGEMPLUS", 0, gemplus},   // a failed partial match starts again one byte on
        {"0/0/14/-1/Reader GEMPLUS", 0, gemplus},  // a list without its NULs, the name at its end
        {"0/0/-1/-1/Reader GEMP|LUS Reader", 0, "0|-|twin.bat"}, {"0/0/-1/-1/GEMPLU", 0, "0|-|twin.bat"},
        {"0/0/-1/-1/\xC7\xC5\xCD\xD0\xCC\xD5\xD3", 0, "0|-|twin.bat"}, {"0/0/-1/8/xxGEMPLUS", 0, "0|-|twin.bat"},
    };
    const std::string cmd = SystemDirectory() + "\\cmd.exe";
    const std::string planted[] = {kBinaries + "winscard.dll", package_ / "winscard.dll", drivers_ + "\\winscard.dll"};
    for (const std::string& path : planted)
        CopyFileA((kBinaries + "plant_mark.dll").c_str(), path.c_str(), FALSE);
    char application[MAX_PATH + 1], command[600];
    SetEnvironmentVariableA("COMSPEC", (package_ / "evil.exe").c_str());
    SetEnvironmentVariableA("CLASSPATH", (package_ / "evil.jar").c_str());
    for (const char* name : {"TEMP", "TMP"})
        SetEnvironmentVariableA(name, "C:\\windows\\Temp");
    int before = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer.substr(0, 60));
        if (!c.answer.empty())
            Answer(c.answer);
        std::string ran = Install(c.code) + "|";  // installed before what ran is read
        ran += Ran(c.outcome[0] == '0' ? 30000 : 0);
        // where, and in what environment
        const size_t at = ran.find(" " + drivers_ + " " + cmd + "|.|" + temp_ + "|" + temp_ + "\r\n");
        EXPECT_EQ(c.outcome[0] == '0' ? c.outcome : c.outcome + "|<missing>", ran.substr(0, at)) << ran;
        before = before ? before : CountOpenHandles();  // after the first run has loaded what runs need
    }
    // A missing installer, named in a bounded message.
    DeleteFileA((drivers_ + "\\twin8.bat").c_str());
    EXPECT_EQ("1|Błąd uruchomienia zewn. sterownika: Drivers\\twin8.bat", Install(4));
    EXPECT_EQ("1|Błąd urucho", Install(4, 12));
    EXPECT_EQ('#', message_[12]);
    EXPECT_EQ("1|-", Install(4, 0));
    EXPECT_EQ(before, CountOpenHandles());
    EXPECT_EQ("<missing>", Ran(1000));
    // Without the Drivers folder; a listed reader: neither the folder nor the driver code is looked at.
    ScratchDir bare("driver-bare");
    EXPECT_EQ("1|" + std::string(kMsgIncomplete), Install(0, 592, bare.path()));
    Answer("0/0/-1/-1/GEMPLUS 0");
    EXPECT_EQ("3|-", Install(6, 0, bare.path()));
    ScopedCurrentDirectory inDrivers(drivers_);
    ASSERT_TRUE(BuildDriverCommand("twin.bat", application, command, sizeof command));
    EXPECT_EQ(cmd + "|\"" + cmd + "\" /d /c .\\twin.bat", std::string(application) + "|" + command);
    ASSERT_TRUE(BuildDriverCommand("410.exe", application, command, sizeof command));
    EXPECT_EQ(drivers_ + "\\410.exe|\"" + drivers_ + "\\410.exe\"", std::string(application) + "|" + command);
    // Without the loader's search flags the library is named by its full path.
    for (int flags : {1, 0}) {
        HMODULE library = LoadSystemLibrary("winscard.dll", flags);
        char loaded[MAX_PATH] = "";
        EXPECT_TRUE(library && GetModuleFileNameA(library, loaded, MAX_PATH));
        EXPECT_STRCASEEQ(kSystemLibrary.c_str(), loaded) << flags;
        FreeLibrary(library);
    }
}

// Unattended, the installer is waited for as /DRIVERWAIT says and its exit code decides; a "pause" reads NUL.
// The dialog's run, and a wait of 0, start it and go on. One still running at the deadline is left running.
TEST_F(ReaderDriver, UnattendedRunsWaitForTheInstallerAndJudgeItsExitCode)
{
    const std::string ended = "Instalator sterownika Drivers\\twin.bat zakończył się, kod wyjścia: ";
    const struct {
        int unattended;
        unsigned long wait;
        const char* body;  // twin.bat after "@echo off"; each records its last line as it reads it
        std::string seen;  // "<result>|<message>|<log>"
    } cases[] = {
        {1, 120, "echo ran>>\"%DRIVER_RECORD%\"& exit /b 0", "0|-|" + ended + "0\n"},
        {1, 120, "pause\r\necho ran>>\"%DRIVER_RECORD%\"& exit /b 3010", "0|-|" + ended + "3010\n"},
        {1, 120, "echo ran>>\"%DRIVER_RECORD%\"& exit /b 1641", "0|-|" + ended + "1641\n"},
        {1, 120, "echo ran>>\"%DRIVER_RECORD%\"& exit /b 5",
         "1|Instalator sterownika Drivers\\twin.bat zakończył się kodem błędu 5|" + ended + "5\n"},
        {0, 120, "echo ran>>\"%DRIVER_RECORD%\"& exit /b 5", "0|-|"},
        {1, 0, "echo ran>>\"%DRIVER_RECORD%\"& exit /b 5", "0|-|"},
        {1, 1, "echo ran>>\"%DRIVER_RECORD%\"\r\n:wait\r\nif not exist \"%DRIVER_RECORD%.go\" ping -n 2 127.0.0.1 >nul "
         "& goto wait\r\necho ended>>\"%DRIVER_RECORD%.go\"",
         "1|Instalator sterownika Drivers\\twin.bat nie zakończył się w ciągu 1 s (/DRIVERWAIT); nadal działa|"
         "Instalator sterownika Drivers\\twin.bat nadal działa po 1 s; pozostawiono go uruchomionego, wynik nieznany\n"},
    };
    LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        WriteFile(drivers_ + "\\twin.bat", std::string("@echo off\r\n") + c.body + "\r\n");
        SetUnattended(c.unattended);
        SetDriverWait(c.wait);
        const size_t from = log.text().size();
        const std::string installed = Install(0);
        EXPECT_EQ(c.seen, installed + "|" + log.text().substr(from));
        EXPECT_EQ("ran\r\n", Ran(30000));  // it ran, and has read its last line
    }
    SetUnattended(0);
    SetDriverWait(0);
    // The last one waits for its go file: it was not ended at the deadline, and ends once it may.
    const std::string go = record_ + ".go";
    EXPECT_FALSE(Exists(go));
    WriteFile(go, "go\r\n");
    for (int waited = 0; ReadFile(go) == "go\r\n" && waited < 60000; waited += 50)
        Sleep(50);
    EXPECT_EQ("go\r\nended\r\n", ReadFile(go));
}

}  // namespace
