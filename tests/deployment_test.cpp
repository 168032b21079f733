// The exe as deployment tools and users start it: the switches, the unattended run with its log and
// exit codes, the unattended uninstall. Real processes on a copy of the staged package.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <vector>

#include "shell/command_line.h"
#include "shell/reader_choice.h"
#include "support.h"

namespace {

TEST(CommandLine, SwitchesAsNsisAndInnoSetupReadThem)
{
    ScopedCurrentDirectory caller("C:\\");
    const struct { const wchar_t* line; const wchar_t* read; } cases[] = {
        {L"\"C:\\a b\\instalator.exe\" /s /reader=4 /NoDriver /NOJAVA \"/LOG=C:\\Log files\\a.log\"",
         L"/S reader4 nodriver nojava log:C:\\Log files\\a.log"},
        {L"x  /S\t/LOG=\"D:\\logs\\\"  ", L"/S log:D:\\logs\\"},  // a quoted folder may end in a backslash
        {L"x /S /LOG=a.log", L"/S log:C:\\a.log"}, {L"x /?", L"/?"},  // a log where the caller stands
        {L"x /S /READER=5", L"bad:/READER=5 /S"}, {L"x /S /READER=0", L"bad:/READER=0 /S"},
        {L"x /S /READER=12", L"bad:/READER=12 /S"}, {L"x /S /NOJAVA=1", L"bad:/NOJAVA=1 /S"},
        {L"x /S /LOG=", L"bad:/LOG= /S"}, {L"x /S /S", L"bad:/S /S"},
        {L"x /S /DriverWait=0", L"/S wait0"}, {L"x /S /DRIVERWAIT=999999", L"/S wait999999"},
        {L"x /S /DRIVERWAIT=1000000", L"bad:/DRIVERWAIT=1000000 /S"}, {L"x /S /DRIVERWAIT=-1", L"bad:/DRIVERWAIT=-1 /S"},
        {L"x /S /DRIVERWAIT=5s", L"bad:/DRIVERWAIT=5s /S"}, {L"x /S /DRIVERWAIT", L"bad:/DRIVERWAIT /S"},
        {L"x -S /uninstall", L"bad:-S uninstall"},  // switches start with a slash, in any case
        {L"x /BOGUS /S extra /LOG=C:\\x.log", L"bad:/BOGUS /S log:C:\\x.log"},  // still logged where asked
        {L"x /READER=2 /NOJAVA", L"bad:/READER=2 reader2 nojava"},  // the dialog would ignore them
        {L"x /DRIVERWAIT=9", L"bad:/DRIVERWAIT=9 wait9"},
        {L"x /UNINSTALL /S /NOJAVA /READER=2", L"bad:/NOJAVA /S reader2 nojava uninstall"},  // what to install
        {L"x /UNINSTALL /S /DRIVERWAIT=9", L"bad:/DRIVERWAIT=9 /S uninstall wait9"},
    };
    for (const auto& c : cases) {
        CommandLine p;
        std::wstring read = ParseCommandLine(c.line, &p) ? L"" : L"bad:" + std::wstring(p.bad) + L" ";
        read += std::wstring(p.silent ? L"/S " : L"") + (p.help ? L"/? " : L"") +
                (p.readerIndex < 0 ? L"" : L"reader" + std::to_wstring(p.readerIndex + 1) + L" ") +
                (p.noDriver ? L"nodriver " : L"") + (p.noJava ? L"nojava " : L"") + (p.uninstall ? L"uninstall " : L"") +
                (p.driverWait == 600 ? L"" : L"wait" + std::to_wstring(p.driverWait) + L" ") +
                (p.logPath[0] ? L"log:" : L"") + p.logPath;
        read.erase(read.find_last_not_of(L' ') + 1);
        EXPECT_EQ(c.read, read) << Utf8(c.line);
    }
}

// Without /READER: Win8 from 6.2 on, 64-bit on a 64-bit Windows, whatever the process's own width.
TEST(ReaderChoice, ByWindowsVersionAndWidth)
{
    const struct { WindowsVersion version; int index; } cases[] = {
        {{5, 0, 2195, 1, 0, kBitnessIsWow64Process}, 0}, {{6, 1, 7601, 1, 0, kBitnessIsWow64Process}, 0},
        {{6, 1, 7601, 1, 1, kBitnessIsWow64Process}, 1}, {{6, 2, 9200, 1, 0, kBitnessIsWow64Process}, 2},
        {{6, 2, 9200, 1, 1, kBitnessIsWow64Process}, 3}, {{6, 3, 9600, 1, 1, kBitnessIsWow64Process}, 3},
        {{10, 0, 22631, 1, 1, kBitnessIsWow64Process2}, 3}, {{10, 0, 19045, 1, 0, kBitnessIsWow64Process2}, 2},
        {{7, 0, 0, 1, 0, kBitnessOwnWidth}, 2}, {{0, 0, 0, 0, 1, kBitnessIsWow64Process2}, 1},
        {{0, 0, 0, 0, 0, kBitnessUnknown}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.index, ReaderIndexFor(c.version)) << c.version.major << "." << c.version.minor << " " << c.version.is64;
    // What Wine answers this process (the exe's own runs set the version): a 64-bit Windows for both builds.
    WindowsVersion here;
    ReadWindowsVersion(&here);
    EXPECT_TRUE(here.versionRead && here.versionFrom == kVersionKernelFile && here.reported[0] && here.is64 &&
                here.bitnessFrom == kBitnessIsWow64Process2) << here.versionFrom << " " << here.bitnessFrom;
}

// What a case prepares: the world of an installation, or from kAlone on that of an uninstall.
enum Setup {
    kJre = 1, kConflict = 2, kHardLink = 4, kAlone = 8, kInstalled = 16, kBridgeInUse = 32, kJarLocked = 64,
    kWindows10 = 128, kWindows7 = 256,
    kLinkedFolder = 512, kOpenFolder = 1024,  // "linked" leads to "real"; anyone may change "open"
    kSquatMutex = 2048, kSquatEvent = 4096,   // any user's object under the name the guard once had
    kSquatFallback = 8192,                    // and under the name it has where there are no private namespaces
};

// Windows has private namespaces, Wine 8 does not: there the guard is a named mutex, and a name that someone
// else holds stops the run rather than let two installers run at once.
const bool kPrivateNamespaces = [] {
    HANDLE boundary = CreateBoundaryDescriptorW(L"probe", 0);
    if (boundary)
        DeleteBoundaryDescriptor(boundary);
    return boundary != nullptr;
}();

// A copy of the package, and of its exe alone in a folder; which driver installer ran is the reader driver tests' part.
class Deployment : public testing::Test {
protected:
    void SetUp() override
    {
        CopyStagedPackage(root_ / "package");
        MakeDirs(root_ / "alone");
        CopyFileA((root_ / "package\\instalator.exe").c_str(), (root_ / "alone\\instalator.exe").c_str(), FALSE);
        // The dated log goes to the temporary folder (TMP first): the scratch folder's, in the programs started here.
        SetEnvironmentVariableA("TMP", (root_ / "temp").c_str());
    }
    void TearDown() override { Undo(); }

    void Prepare(unsigned setup)
    {
        if (setup & kJre)
            AddRuntime("1.6.0", root_ / "Java\\jre6");
        if (setup & kInstalled) {
            ASSERT_EQ("3010", Run("package", L"/S /NODRIVER"));
            ASSERT_TRUE(Exists(jar_));
        }
        RemoveTree(root_ / "temp");
        MakeDirs(root_ / "temp");
        if (setup & kConflict) {  // both bridge libraries in use: the last copy decides the Java line
            for (const char* name : {"\\ocfpcsc1.dll", "\\ocfpcsc164.dll"}) {
                WriteFile(SystemDirectory() + name, "an older bridge library, loaded by a running program");
                held_.emplace_back(new HeldOpen(SystemDirectory() + name));
            }
        }
        if (setup & kHardLink) {
            WriteFile(root_ / "victim.txt", "not the installer's");
            CreateHardLinkA((root_ / "link.log").c_str(), (root_ / "victim.txt").c_str(), nullptr);
        }
        if (setup & kLinkedFolder)
            MakeDirs(root_ / "real"), MakeHostLink(root_ / "linked", root_ / "real");
        if (setup & kOpenFolder)
            MakeDirs(root_ / "open"), LetEveryoneChange(root_ / "open");
        if (setup & kSquatMutex)
            squat_ = CreateMutexW(nullptr, TRUE, L"Global\\InstalatorCzytnikaKartOCF");
        if (setup & kSquatEvent)
            squat_ = CreateEventW(nullptr, TRUE, FALSE, L"Global\\InstalatorCzytnikaKartOCF");
        if (setup & kSquatFallback)
            squat_ = CreateEventW(nullptr, TRUE, FALSE, L"Global\\InstalatorCzytnikaKartOCF.Guard");
        if (setup & kBridgeInUse)
            held_.emplace_back(new HeldOpen(kBridge));
        if (setup & kJarLocked)
            held_.emplace_back(new HeldOpen(jar_, 0));
        // Wine answers RtlGetVersion for the program as its settings for that program say.
        if (setup & (kWindows10 | kWindows7))
            RegSetKeyValueA(HKEY_CURRENT_USER, kAppDefaults, "Version", REG_SZ, setup & kWindows10 ? "win10" : "win7\0", 6);
    }

    void Undo()
    {
        held_.clear();
        if (squat_)
            CloseHandle(squat_);
        squat_ = nullptr;
        for (const char* name : {"\\ocfpcsc1.dll", "\\ocfpcsc164.dll"}) {
            RemoveTree(SystemDirectory() + name);
            RemoveTree(SystemDirectory() + name + ".ocf-new");
        }
        RemoveRuntimes();
        RemoveHostLink(root_ / "linked");
        for (const char* folder : {"Java", "real", "open"})
            RemoveTree(root_ / folder);
        RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaults);
    }

    // Starts the exe of folder and waits for its end: "<exit code>", after "window|" if it showed any.
    std::string Run(const char* folder, const std::wstring& arguments)
    {
        OutsideInstaller installer;
        return installer.Start(root_ / folder + "\\instalator.exe", "C:\\", arguments) ? installer.Ended()
                                                                                         : "<not started>";
    }

    // The dated log in the temporary folder, the only file there.
    std::string DatedLog()
    {
        const std::string names = List(root_ / "temp");
        EXPECT_TRUE(names.empty() || std::regex_match(names, std::regex("instalator-\\d{8}-\\d{6}\\.log"))) << names;
        return names.empty() ? "<missing>" : ReadFile(root_ / "temp\\" + names);
    }

    ScratchDir root_{"deployment"};
    const char* const kAppDefaults = "Software\\Wine\\AppDefaults\\instalator.exe";
    const std::string kBridge = SystemDirectory() + "\\ocfpcsc1.dll", jar_ = root_ / "Java\\jre6\\lib\\ext\\ocf1.2.jar";
    // The bridge as the restart will delete it: the shipped 32-bit build under WOW64 names SysWOW64, where the
    // file is (C:\windows\syswow64\ocfpcsc1.dll); the 64-bit build names its own system32.
    const std::string kBridgeAtRestart = WindowsDirectory() + (UnderWow64() ? "\\syswow64" : "\\system32") +
                                         "\\ocfpcsc1.dll";
    std::vector<std::unique_ptr<HeldOpen>> held_;
    HANDLE squat_ = nullptr;
};

TEST_F(Deployment, UnattendedRunsReportInTheLogAndTheExitCode)
{
    const struct {
        const char* what;
        std::string arguments;
        unsigned setup;
        DWORD exitCode;
        std::string logAt;               // where the log is ("": the dated file in %TEMP%; "-": none)
        std::vector<std::string> holds;  // texts it holds; one after "!" it must not hold; with no log, a file
                                         // that must not be there
        const char* tail;          // the log from its report on; null: no report
    } cases[] = {
        {"defaults on Windows 10", "/S", kWindows10, 3010, "", {"System: Windows 10.0.<build> (wersja pliku kernel32.dll; "
         "RtlGetVersion: 10.0.<build>), 64-bitowy (IsWow64Process2)\r\nTyp czytnika bez /READER: GemPC(Twin,Tokens)-Win8-64bit, bo system to Windows 8 (6.2) lub "
         "nowszy, 64-bitowy\r\nWybrane składniki:\r\n    Sterowniki czytnika kart: GemPC(Twin,Tokens)-Win8-64bit\r\n"
         "    Komponenty dla Sun Java Plug-in\r\n\r\n", "\r\nInstalator sterownika Drivers\\twin8_64.bat zakończył się, "
         "kod wyjścia: 0\r\n"},
         "Instalacja sterownika czytnika kart: OK\r\n\r\nInstalacja komponentów dla Sun Java Plug-in: UWAGA - Nie "
         "wykryto instalacji środowiska JRE/JDK lub aplikacja nie była uruchamiona z prawami administratora\r\n\r\n"
         "Etykiety stanu:\r\n    Sterowniki czytnika kart: OK\r\n    Komponenty dla Sun Java Plug-in: UWAGA\r\n"},
        // Wine answers RtlGetVersion as a compatibility mode does; the system's own kernel32.dll still decides.
        {"Windows 7 for this program only, not waiting", "/S /NOJAVA /DRIVERWAIT=0", kWindows7, 3010, "", {"System: "
         "Windows 10.0.<build> (wersja pliku kernel32.dll; RtlGetVersion: 6.1.<build>), 64-bitowy (IsWow64Process2)\r\n"
         "Typ czytnika bez /READER: GemPC(Twin,Tokens)-Win8-64bit, bo system to Windows 8 (6.2) lub nowszy, 64-bitowy\r\n",
         "!Instalator sterownika"},
         "Instalacja sterownika czytnika kart: OK\r\n\r\nEtykiety stanu:\r\n    Sterowniki czytnika kart: OK\r\n"},
         {"any case, the fourth reader, a log of one's own", "/s /reader=4 /nojava \"/log=" + root_ / "mój "
         "dziennik.log\"", kWindows7, 3010, root_ / "mój dziennik.log", {"\r\nTyp czytnika z /READER=4: GemPC(Twin,Tokens)-"
         "Win8-64bit\r\n", "Folder pakietu Drivers sprawdzony (plików: 5)\r\n", "!Folder pakietu sun", "!System:"},
         "Instalacja sterownika czytnika kart: OK\r\n\r\nEtykiety stanu:\r\n    Sterowniki czytnika kart: OK\r\n"},
        {"files in use nobody can let go are replaced at the restart", "/S /NODRIVER", kJre | kConflict, 3010, "",
         {"Plik w użyciu, zostanie zastąpiony przy ponownym uruchomieniu komputera: " + kBridgeAtRestart + "\r\n",
          "Folder pakietu sun sprawdzony", "!Folder pakietu Drivers", "!Typ czytnika"},
         "Instalacja komponentów dla Sun Java Plug-in: OK\r\n\r\nEtykiety stanu:\r\n"
         "    Komponenty dla Sun Java Plug-in: OK\r\n"},
        {"a switch not understood", "/S /READER=5 /LOG=" + root_ / "bad.log", 0, 87, root_ / "bad.log",
         {"Nieprawidłowy parametr: /READER=5\r\nUżycie: instalator.exe [/S [/READER=n]"}, nullptr},
        {"a user's mutex of the guard's old name", "/S /NOJAVA /LOG=" + root_ / "m.log", kSquatMutex, 3010,
         root_ / "m.log", {}, "Instalacja sterownika czytnika kart: OK\r\n\r\nEtykiety stanu:\r\n    Sterowniki czytnika kart: "
         "OK\r\n"},
        {"a user's event of that name", "/S /NOJAVA /LOG=" + root_ / "e.log", kSquatEvent, 3010, root_ / "e.log", {},
         "Instalacja sterownika czytnika kart: OK\r\n\r\nEtykiety stanu:\r\n    Sterowniki czytnika kart: OK\r\n"},
        {"a user's event of the guard's name without namespaces", "/S /NOJAVA /LOG=" + root_ / "f.log",
         kSquatFallback, kPrivateNamespaces ? 3010u : 1618u, kPrivateNamespaces ? root_ / "f.log" : "-", {},
         kPrivateNamespaces ? "Instalacja sterownika czytnika kart: OK\r\n\r\nEtykiety stanu:\r\n    Sterowniki czytnika "
                              "kart: OK\r\n" : nullptr},
        {"a log that cannot be written", "/S /NOJAVA /LOG=" + root_ / "missing\\a.log", 0, 3010, "-", {}, nullptr},
        {"a second name", "/S /NODRIVER /NOJAVA /LOG=" + root_ / "link.log", kHardLink, 3010, "-", {}, nullptr},
        // A folder on the way that someone could re-link would take the write elsewhere.
        {"below a link", "/S /NODRIVER /NOJAVA /LOG=" + root_ / "linked\\a.log", kLinkedFolder, 3010, "-",
         {root_ / "real\\a.log"}, nullptr},
        {"below a folder anyone may change", "/S /NODRIVER /NOJAVA /LOG=" + root_ / "open\\a.log", kOpenFolder, 3010,
         "-", {root_ / "open\\a.log"}, nullptr},
        // The uninstall, from a folder that holds nothing but the exe.
        {"nothing to uninstall", "/UNINSTALL /S", kAlone | kJre, 0, "",
         {"\r\nNie znaleziono plików zainstalowanych przez ten program.\r\n"}, nullptr},
        {"uninstall; any case, a log of one's own, a library in use", "/uninstall /s /LOG=" + root_ / "u.log",
         kAlone | kJre | kInstalled | kBridgeInUse, 3010, root_ / "u.log",
         {"\r\n    Plik w użyciu, zostanie usunięty przy ponownym uruchomieniu komputera: " + kBridgeAtRestart + "\r\n"},
         nullptr},
        {"a jar that cannot be read outweighs the restart", "/UNINSTALL /S", kAlone | kJre | kInstalled | kJarLocked |
         kBridgeInUse, 1603, "", {"\r\n    BŁĄD odczytu pliku: " + jar_ + "\r\n"}, nullptr},
    };
    wchar_t computer[300] = L"", user[300] = L"";
    DWORD sizes[2] = {300, 300};
    EXPECT_TRUE(GetComputerNameW(computer, &sizes[0]) && GetUserNameW(user, &sizes[1]));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string renames = PendingRenames(true);
        Prepare(c.setup);
        const char* folder = c.setup & kAlone ? "alone" : "package";
        const std::wstring arguments = Wide1250(c.arguments.c_str());
        EXPECT_EQ(std::to_string(c.exitCode), Run(folder, arguments));
        if (c.setup & kBridgeInUse)
            EXPECT_NE(std::string::npos, PendingRenames().find("\\??\\" + kBridgeAtRestart + ">\n")) << PendingRenames();
        if (c.setup & kConflict)  // the new file waits beside the one in use
            EXPECT_NE(std::string::npos, PendingRenames().find("\\??\\" + kBridgeAtRestart + ".ocf-new>!\\??\\" +
                                                               kBridgeAtRestart + "\n")) << PendingRenames();
        EXPECT_TRUE(c.logAt != "-" || c.holds.empty() || !Exists(c.holds[0])) << c.what;
        Undo();
        SetPendingRenames(renames);
        if (c.logAt == "-") {
            EXPECT_EQ("<missing>", DatedLog());
            EXPECT_TRUE(!(c.setup & kHardLink) || ReadFile(root_ / "victim.txt") == "not the installer's");
            continue;
        }
        std::string log = c.logAt.empty() ? DatedLog() : ReadFile(c.logAt);
        // The header: UTF-8 with a byte-order mark, the times in UTC, what ran where and how it ended.
        const std::regex time("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ *");
        std::smatch start, end;
        EXPECT_TRUE(std::regex_search(log, start, time) && std::regex_search(start.suffix().first, log.cend(), end, time) &&
                    start.str() <= end.str()) << log;
        const std::string header = "\xEF\xBB\xBF" + U8("Instalator czytnika kart mikroproc. [v1.5]\r\nWersja programu: "
            "1.5\r\nPoczątek (UTC): <time>\r\nKoniec (UTC): <time>\r\nKod wyjścia: ") + std::to_string(c.exitCode) +
            "\r\nKomputer: " + Utf8(computer) + U8("\r\nUżytkownik: ") + Utf8(user) + U8("\r\nWiersz poleceń: \"") +
            U8((root_ / folder + "\\instalator.exe").c_str()) + "\" " + Utf8(arguments) + "\r\n\r\n";
        log = std::regex_replace(std::regex_replace(log, time, "<time>"), std::regex("(Kod wyj.+: \\d+) *"), "$1");
        EXPECT_EQ(header, log.substr(0, header.size()));
        log = std::regex_replace(log, std::regex("(Windows |RtlGetVersion: )(\\d+\\.\\d+)\\.\\d+"), "$1$2.<build>");
        for (const std::string& text : c.holds)
            EXPECT_EQ(text[0] == '!', log.find(U8(text.c_str() + (text[0] == '!'))) == std::string::npos) << text << log;
        const size_t report = log.find(U8("\r\nRaport:\r\n"));
        EXPECT_EQ(c.tail ? U8(c.tail) : "-", report == std::string::npos ? "-" : log.substr(report + 11)) << log;
    }
}

}  // namespace
