// The exe as deployment tools and users start it: the switches, the unattended run with its log and
// exit codes, the usage box and one instance at a time. Real processes on a copy of the staged package.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <regex>
#include <vector>

#include "copy/copy_tree.h"
#include "outside.h"
#include "prompts.h"
#include "scratch.h"
#include "shell/command_line.h"
#include "system.h"
#include "texts.h"

namespace {

const std::string kInstaller = FromUnixPath(STAGED_PACKAGE_DIR) + "\\instalator.exe";

// A Windows-1250 literal of this file as the log holds it.
std::string U8(const char* text) { return Utf8(Wide1250(text)); }
std::string U8(const std::wstring& text) { return Utf8(text); }

std::wstring Summary(const CommandLine& c, int understood)
{
    return (understood ? L"" : L"bad:" + std::wstring(c.bad) + L" ") + (c.silent ? L"/S " : L"") +
           (c.help ? L"/? " : L"") + L"reader" + std::to_wstring(c.readerIndex + 1) +
           (c.noDriver ? L" nodriver" : L"") + (c.noJava ? L" nojava" : L"") + (c.logPath[0] ? L" log:" : L"") +
           c.logPath;
}

TEST(CommandLine, SwitchesAsNsisAndInnoSetupReadThem)
{
    ScopedCurrentDirectory caller("C:\\");
    const struct { const wchar_t* line; const wchar_t* read; } cases[] = {
        {L"instalator.exe", L"reader1"},
        {L"\"C:\\a b\\instalator.exe\" /S", L"/S reader1"},
        {L"x /s /reader=4 /NoDriver /NOJAVA \"/LOG=C:\\Log files\\a.log\"", L"/S reader4 nodriver nojava log:C:\\Log files\\a.log"},
        {L"x  /S\t/LOG=\"D:\\logs\\\"  ", L"/S reader1 log:D:\\logs\\"},  // a quoted folder may end in a backslash
        {L"x /S /LOG=a.log", L"/S reader1 log:C:\\a.log"},              // where the caller stands
        {L"x /?", L"/? reader1"},
        {L"x /S /READER=5", L"bad:/READER=5 /S reader1"},
        {L"x /S /READER=0", L"bad:/READER=0 /S reader1"},
        {L"x /S /READER=12", L"bad:/READER=12 /S reader1"},
        {L"x /S /READER", L"bad:/READER /S reader1"},
        {L"x /S /NOJAVA=1", L"bad:/NOJAVA=1 /S reader1"},
        {L"x /S /LOG=", L"bad:/LOG= /S reader1"},
        {L"x /S /S", L"bad:/S /S reader1"},
        {L"x /BOGUS /S extra /LOG=C:\\x.log", L"bad:/BOGUS /S reader1 log:C:\\x.log"},  // still logged where asked
        {L"x -S", L"bad:-S reader1"},
        {L"x /READER=2 /NOJAVA", L"bad:/READER=2 reader2 nojava"},  // the dialog would ignore them
    };
    for (const auto& c : cases) {
        CommandLine parsed;
        int understood = ParseCommandLine(c.line, &parsed);
        EXPECT_EQ(c.read, Summary(parsed, understood)) << U8(c.line);
    }
}

enum Setup { kJre = 1, kConflict = 2, kGemplus = 4, kHardLink = 8 };

// Every visible window of a process.
BOOL CALLBACK FindVisible(HWND window, LPARAM param)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == ((DWORD*)param)[0] && IsWindowVisible(window))
        ((DWORD*)param)[1] = 1;
    return TRUE;
}

// The test's environment with TEMP and TMP pointing at temp: a block for CreateProcessW.
std::wstring Environment(const std::string& temp)
{
    std::wstring block;
    wchar_t* all = GetEnvironmentStringsW();
    for (const wchar_t* p = all; *p; p += wcslen(p) + 1) {
        if (_wcsnicmp(p, L"TEMP=", 5) != 0 && _wcsnicmp(p, L"TMP=", 4) != 0)
            block += std::wstring(p) + L'\0';
    }
    FreeEnvironmentStringsW(all);
    std::wstring folder = Wide1250(temp.c_str());
    return block + L"TEMP=" + folder + L'\0' + L"TMP=" + folder;
}

std::string Replace(std::string text, const std::string& what, const std::string& with)
{
    for (size_t at; (at = text.find(what)) != std::string::npos;)
        text.replace(at, what.size(), with);
    return text;
}

class Deployment : public testing::Test {
protected:
    // A copy of the package. Its driver installers are the sealed stand-ins: a recording one would not
    // be staged, so which one ran is the reader driver and staging tests' part.
    void SetUp() override
    {
        MakeDirs(root_ / "package");
        ASSERT_EQ(0, CopyTree((FromUnixPath(STAGED_PACKAGE_DIR) + "\\*").c_str(), (root_ / "package").c_str(), 1, nullptr));
    }

    void Prepare(unsigned setup)
    {
        RemoveTree(root_ / "temp");
        RemoveTree(root_ / "logs");
        MakeDirs(root_ / "temp");
        MakeDirs(root_ / "logs");
        if (setup & kJre) {
            const std::string home = root_ / "Java\\jre6";
            for (const char* folder : {"bin", "lib\\ext", "lib\\security"})
                MakeDirs(home + "\\" + folder);
            CopyFileA(FromUnixPath(TEST_BINARY_DIR "/java_stand_in.exe").c_str(), (home + "\\bin\\java.exe").c_str(), FALSE);
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6.0", "JavaHome",
                            REG_SZ, home.c_str(), (DWORD)home.size() + 1);
        }
        if (setup & kConflict) {  // both bridge libraries in use: the last copy decides the Java line
            for (const char* name : {"\\ocfpcsc1.dll", "\\ocfpcsc164.dll"}) {
                WriteFile(SystemDirectory() + name, "an older bridge library, loaded by a running program");
                held_.emplace_back(new HeldOpen(SystemDirectory() + name));
            }
        }
        if (setup & kGemplus) {
            RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", "winscard", REG_SZ, "native,builtin", 15);
            CopyFileA(kPcsc.c_str(), (kPcsc + ".saved").c_str(), TRUE);
            CopyFileA(FromUnixPath(TEST_BINARY_DIR "/standin/winscard.dll").c_str(), kPcsc.c_str(), FALSE);
            SetEnvironmentVariableA("SCARD_STANDIN", "0/0/-1/-1/Gemplus GemPC Twin 00 00");
        }
        if (setup & kHardLink) {
            WriteFile(root_ / "victim.txt", "not the installer's");
            CreateHardLinkA((root_ / "logs\\link.log").c_str(), (root_ / "victim.txt").c_str(), nullptr);
        }
    }

    void Undo()
    {
        held_.clear();
        for (const char* name : {"\\ocfpcsc1.dll", "\\ocfpcsc164.dll"})
            RemoveTree(SystemDirectory() + name);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
        RemoveTree(root_ / "Java");
        MoveFileExA((kPcsc + ".saved").c_str(), kPcsc.c_str(), MOVEFILE_REPLACE_EXISTING);
        RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", "winscard");
        SetEnvironmentVariableA("SCARD_STANDIN", nullptr);
    }
    void TearDown() override { Undo(); }

    // Starts the package's exe with arguments and waits for its end; notes any window it shows.
    DWORD Run(const std::wstring& arguments, bool* sawWindow)
    {
        OutsideInstaller installer;
        DWORD code = 99, seen[2] = {0, 0};
        if (!installer.Start(root_ / "package\\instalator.exe", "C:\\", arguments, Environment(root_ / "temp")))
            return code;
        seen[0] = installer.processId();
        for (int waited = 0; waited < 60000 && !installer.WaitForExit(50, &code); waited += 50)
            EnumWindows(FindVisible, (LPARAM)seen);
        *sawWindow = seen[1] != 0;
        return code;
    }

    // The dated log in %TEMP%, the only file there.
    std::string DatedLog()
    {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((root_ / "temp\\instalator-*.log").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            return "<missing>";
        std::string name = found.cFileName;
        bool more = FindNextFileA(find, &found);
        FindClose(find);
        EXPECT_FALSE(more) << "one log per run";
        EXPECT_TRUE(std::regex_match(name, std::regex("instalator-\\d{8}-\\d{6}\\.log"))) << name;
        return ReadFile(root_ / "temp\\" + name);
    }

    ScratchDir root_{"deployment"};
    const std::string kPcsc = SystemDirectory() + "\\winscard.dll";
    std::vector<std::unique_ptr<HeldOpen>> held_;
};

TEST_F(Deployment, UnattendedRunsReportInTheLogAndTheExitCode)
{
    const char kJavaNotFound[] = "Instalacja komponentów dla Sun Java Plug-in: UWAGA - Nie wykryto instalacji środowiska "
                                 "JRE/JDK lub aplikacja nie była uruchamiona z prawami administratora\r\n\r\n";
    const struct {
        const char* what;
        const char* arguments;  // {root} is the scratch folder
        unsigned setup;
        DWORD exitCode;
        const char* logAt;  // "": the dated file in %TEMP%; "-": none anywhere
        const char* holds;  // a text the log holds
        const char* tail;   // the log from its report on; null: no run, no report
    } cases[] = {
        {"defaults", "/S", 0, 3010, "", "Wybrane składniki:\r\n    Sterowniki czytnika kart: "
         "GemPC(Twin,Tokens)-Win7/XP/Vista/2000-32bit\r\n    Komponenty dla Sun Java Plug-in\r\n\r\n",
         "Instalacja sterownika czytnika kart: OK\r\n\r\n%javaEtykiety stanu:\r\n    Sterowniki czytnika kart: OK"
         "\r\n    Komponenty dla Sun Java Plug-in: UWAGA\r\n"},
        {"any case, the fourth reader, a log of one's own", "/s /reader=4 /nojava \"/log={root}\\logs\\mój dziennik.log\"",
         0, 3010, "logs\\mój dziennik.log", "Folder pakietu Drivers sprawdzony (plików: 5)\r\n",
         "Instalacja sterownika czytnika kart: OK\r\n\r\n"
         "Etykiety stanu:\r\n    Sterowniki czytnika kart: OK\r\n"},
        {"a registered runtime, no driver", "/S /NODRIVER", kJre, 3010, "", "", "Instalacja komponentów dla Sun "
         "Java Plug-in: OK\r\n\r\nEtykiety stanu:\r\n    Komponenty dla Sun Java Plug-in: OK\r\n"},
        {"a conflict nobody answers is a failed copy", "/S /NODRIVER", kJre | kConflict, 1603, "",
         "Problem kopiowania pliku\r\nWykryto problem przy próbie skopiowania pliku do katalogu docelowego.\r\n"
         "Podany plik już istnieje.\r\n", "Instalacja komponentów dla Sun Java Plug-in: BŁĄD - Błąd kopiowania "
         "biblioteki obsługi czytników PC/SC: ocfpcsc1.dll\r\n\r\nEtykiety stanu:\r\n    Komponenty dla Sun Java "
         "Plug-in: BŁĄD\r\n"},
        {"a GEMPLUS reader present", "/S /READER=2 /NOJAVA", kGemplus, 3010, "", "", "Instalacja sterownika czytnika "
         "kart: UWAGA - Wykryto już zainstalowany w systemie czytnik rodziny GEMPLUS\r\n\r\nEtykiety stanu:\r\n    "
         "Sterowniki czytnika kart: UWAGA\r\n"},
        {"nothing chosen: the legacy removal alone", "/S /NODRIVER /NOJAVA", 0, 3010, "", "", "\r\nEtykiety stanu:\r\n"},
        {"a switch not understood", "/S /READER=5 /LOG={root}\\logs\\bad.log", 0, 87, "logs\\bad.log",
         "Nieprawidłowy parametr: /READER=5\r\nUżycie: instalator.exe [/S [/READER=n]", nullptr},
        {"a log that cannot be written changes nothing", "/S /NOJAVA /LOG={root}\\missing\\a.log", 0, 3010, "-", "", nullptr},
        {"a log name that is a second name of another file", "/S /NODRIVER /NOJAVA /LOG={root}\\logs\\link.log",
         kHardLink, 3010, "-", "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Prepare(c.setup);
        std::wstring arguments = Wide1250(Replace(c.arguments, "{root}", root_.path()).c_str());
        bool sawWindow = true;
        EXPECT_EQ(c.exitCode, Run(arguments, &sawWindow));
        EXPECT_FALSE(sawWindow);
        Undo();
        if (*c.logAt == '-') {
            EXPECT_EQ("<missing>", DatedLog());
            if (c.setup & kHardLink)
                EXPECT_EQ("not the installer's", ReadFile(root_ / "victim.txt"));
            continue;
        }
        std::string log = *c.logAt ? ReadFile(root_ / c.logAt) : DatedLog();
        // The header: UTF-8 with a byte-order mark, the times in UTC, what ran where and how it ended.
        std::smatch header;
        ASSERT_TRUE(std::regex_search(log, header, std::regex("^\xEF\xBB\xBF" + U8(
            "Instalator czytnika kart mikroproc\\. \\[v1\\.5\\]\r\nWersja programu: 1\\.5\r\n"
            "Początek \\(UTC\\): (\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ)\r\nKoniec \\(UTC\\): (\\S+) *\r\n"
            "Kod wyjścia: (\\d+) *\r\nKomputer: (.*)\r\nUżytkownik: (.*)\r\nWiersz poleceń: (.*)\r\n\r\n"))))
            << log;
        EXPECT_LE(header[1].str(), header[2].str());
        EXPECT_EQ(std::to_string(c.exitCode), header[3].str());
        wchar_t name[300];
        DWORD size = 300;
        GetComputerNameW(name, &size);
        EXPECT_EQ(U8(name), header[4].str());
        size = 300;
        GetUserNameW(name, &size);
        EXPECT_EQ(U8(name), header[5].str());
        EXPECT_EQ(U8(L"\"" + Wide1250((root_ / "package\\instalator.exe").c_str()) + L"\" " + arguments), header[6].str());
        EXPECT_NE(std::string::npos, log.find(U8(c.holds))) << log;
        size_t report = log.find(U8("\r\nRaport:\r\n"));
        if (c.tail)
            EXPECT_EQ(U8(Replace(c.tail, "%java", kJavaNotFound).c_str()), log.substr(report + 11)) << log;
        else
            EXPECT_EQ(std::string::npos, report);
    }
}

TEST_F(Deployment, OneInstallerAtATime)
{
    OutsideInstaller first;
    ASSERT_TRUE(first.Start(kInstaller, "C:\\"));
    HWND welcome = first.WaitForMessageBox(Wide1250(kWelcomeCaption));
    ASSERT_TRUE(welcome);

    // Unattended, a second start ends at once with "try again later", and takes over no log.
    Prepare(0);
    bool sawWindow = true;
    EXPECT_EQ(1618u, Run(Wide1250(("/S /LOG=" + root_ / "logs\\second.log").c_str()), &sawWindow));
    EXPECT_FALSE(Exists(root_ / "logs\\second.log"));

    // With a user, it says so and hands over to the first one's window.
    OutsideInstaller second;
    ASSERT_TRUE(second.Start(kInstaller, "C:\\"));
    HWND notice = second.WaitForMessageBox(Wide1250(kShortCaption));
    ASSERT_TRUE(notice);
    EXPECT_EQ(Wide1250(kAlreadyRunningText), MessageBoxText(notice));
    Click(notice, IDOK);
    DWORD code = 99;
    EXPECT_TRUE(second.WaitForExit(15000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ(welcome, GetForegroundWindow());

    Click(welcome, IDNO);
    EXPECT_TRUE(first.WaitForExit(15000, &code));
    EXPECT_EQ(3010u, Run(L"/S /NODRIVER /NOJAVA", &sawWindow)) << "the guard goes with the first";
}

TEST(Usage, HelpAndASwitchThatNeedsSShowTheUsage)
{
    const struct { const wchar_t* arguments; const char* starts; DWORD code; } cases[] = {
        {L"/?", kUsageLine, 0}, {L"/nojava", "Nieprawidłowy parametr: /nojava\n\nUżycie: instalator.exe", 87}};
    for (const auto& c : cases) {
        OutsideInstaller installer;
        ASSERT_TRUE(installer.Start(kInstaller, "C:\\", c.arguments));
        HWND box = installer.WaitForMessageBox(Wide1250(kShortCaption));
        ASSERT_TRUE(box);
        EXPECT_EQ(0u, MessageBoxText(box).find(Wide1250(c.starts))) << U8(MessageBoxText(box));
        Click(box, IDOK);
        DWORD code = 99;
        EXPECT_TRUE(installer.WaitForExit(15000, &code));
        EXPECT_EQ(c.code, code);
    }
}

}  // namespace
