// The exe as deployment tools and users start it: the switches, the unattended run with its log and
// exit codes, the unattended uninstall. Real processes on a copy of the staged package.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <vector>

#include "shell/command_line.h"
#include "support.h"

namespace {

TEST(CommandLine, SwitchesAsNsisAndInnoSetupReadThem)
{
    ScopedCurrentDirectory caller("C:\\");
    const struct { const wchar_t* line; const wchar_t* read; } cases[] = {
        {L"\"C:\\a b\\instalator.exe\" /s /reader=4 /NoDriver /NOJAVA \"/LOG=C:\\Log files\\a.log\"",
         L"/S reader4 nodriver nojava log:C:\\Log files\\a.log"},
        {L"x  /S\t/LOG=\"D:\\logs\\\"  ", L"/S reader1 log:D:\\logs\\"},  // a quoted folder may end in a backslash
        {L"x /S /LOG=a.log", L"/S reader1 log:C:\\a.log"}, {L"x /?", L"/? reader1"},  // a log where the caller stands
        {L"x /S /READER=5", L"bad:/READER=5 /S reader1"}, {L"x /S /READER=0", L"bad:/READER=0 /S reader1"},
        {L"x /S /READER=12", L"bad:/READER=12 /S reader1"}, {L"x /S /NOJAVA=1", L"bad:/NOJAVA=1 /S reader1"},
        {L"x /S /LOG=", L"bad:/LOG= /S reader1"}, {L"x /S /S", L"bad:/S /S reader1"},
        {L"x -S /uninstall", L"bad:-S reader1 uninstall"},  // switches start with a slash, in any case
        {L"x /BOGUS /S extra /LOG=C:\\x.log", L"bad:/BOGUS /S reader1 log:C:\\x.log"},  // still logged where asked
        {L"x /READER=2 /NOJAVA", L"bad:/READER=2 reader2 nojava"},  // the dialog would ignore them
        {L"x /UNINSTALL /S /NOJAVA /READER=2", L"bad:/NOJAVA /S reader2 nojava uninstall"},  // what to install
    };
    for (const auto& c : cases) {
        CommandLine p;
        std::wstring read = ParseCommandLine(c.line, &p) ? L"" : L"bad:" + std::wstring(p.bad) + L" ";
        read += std::wstring(p.silent ? L"/S " : L"") + (p.help ? L"/? " : L"") + L"reader" +
                std::to_wstring(p.readerIndex + 1) + (p.noDriver ? L" nodriver" : L"") + (p.noJava ? L" nojava" : L"") +
                (p.uninstall ? L" uninstall" : L"") + (p.logPath[0] ? L" log:" : L"") + p.logPath;
        EXPECT_EQ(c.read, read) << Utf8(c.line);
    }
}

// What a case prepares: the world of an installation, or from kAlone on that of an uninstall.
enum Setup { kJre = 1, kConflict = 2, kHardLink = 4, kAlone = 8, kInstalled = 16, kBridgeInUse = 32, kJarLocked = 64 };

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
        if (setup & kBridgeInUse)
            held_.emplace_back(new HeldOpen(kBridge));
        if (setup & kJarLocked)
            held_.emplace_back(new HeldOpen(jar_, 0));
    }

    void Undo()
    {
        held_.clear();
        for (const char* name : {"\\ocfpcsc1.dll", "\\ocfpcsc164.dll"}) {
            RemoveTree(SystemDirectory() + name);
            RemoveTree(SystemDirectory() + name + ".ocf-new");
        }
        RemoveRuntimes();
        RemoveTree(root_ / "Java");
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
    const std::string kBridge = SystemDirectory() + "\\ocfpcsc1.dll", jar_ = root_ / "Java\\jre6\\lib\\ext\\ocf1.2.jar";
    // The bridge as the restart will delete it: the shipped 32-bit build under WOW64 names SysWOW64, where the
    // file is (C:\windows\syswow64\ocfpcsc1.dll); the 64-bit build names its own system32.
    const std::string kBridgeAtRestart = WindowsDirectory() + (UnderWow64() ? "\\syswow64" : "\\system32") +
                                         "\\ocfpcsc1.dll";
    std::vector<std::unique_ptr<HeldOpen>> held_;
};

TEST_F(Deployment, UnattendedRunsReportInTheLogAndTheExitCode)
{
    const struct {
        const char* what;
        std::string arguments;
        unsigned setup;
        DWORD exitCode;
        std::string logAt, holds;  // where the log is ("": the dated file in %TEMP%; "-": none); a text it holds
        const char* tail;          // the log from its report on; null: no report
    } cases[] = {
        {"defaults", "/S", 0, 3010, "", "Wybrane składniki:\r\n    Sterowniki czytnika kart: "
         "GemPC(Twin,Tokens)-Win7/XP/Vista/2000-32bit\r\n    Komponenty dla Sun Java Plug-in\r\n\r\n",
         "Instalacja sterownika czytnika kart: OK\r\n\r\nInstalacja komponentów dla Sun Java Plug-in: UWAGA - Nie "
         "wykryto instalacji środowiska JRE/JDK lub aplikacja nie była uruchamiona z prawami administratora\r\n\r\n"
         "Etykiety stanu:\r\n    Sterowniki czytnika kart: OK\r\n    Komponenty dla Sun Java Plug-in: UWAGA\r\n"},
        {"any case, the fourth reader, a log of one's own", "/s /reader=4 /nojava \"/log=" + root_ / "mój "
         "dziennik.log\"", 0, 3010, root_ / "mój dziennik.log", "Folder pakietu Drivers sprawdzony (plików: 5)\r\n",
         "Instalacja sterownika czytnika kart: OK\r\n\r\nEtykiety stanu:\r\n    Sterowniki czytnika kart: OK\r\n"},
        {"files in use nobody can let go are replaced at the restart", "/S /NODRIVER", kJre | kConflict, 3010, "",
         "Plik w użyciu, zostanie zastąpiony przy ponownym uruchomieniu komputera: " + kBridgeAtRestart + "\r\n",
         "Instalacja komponentów dla Sun Java Plug-in: OK\r\n\r\nEtykiety stanu:\r\n"
         "    Komponenty dla Sun Java Plug-in: OK\r\n"},
        {"a switch not understood", "/S /READER=5 /LOG=" + root_ / "bad.log", 0, 87, root_ / "bad.log",
         "Nieprawidłowy parametr: /READER=5\r\nUżycie: instalator.exe [/S [/READER=n]", nullptr},
        {"a log that cannot be written", "/S /NOJAVA /LOG=" + root_ / "missing\\a.log", 0, 3010, "-", "", nullptr},
        {"a second name", "/S /NODRIVER /NOJAVA /LOG=" + root_ / "link.log", kHardLink, 3010, "-", "", nullptr},
        // The uninstall, from a folder that holds nothing but the exe.
        {"nothing to uninstall", "/UNINSTALL /S", kAlone | kJre, 0, "",
         "\r\nNie znaleziono plików zainstalowanych przez ten program.\r\n", nullptr},
        {"uninstall; any case, a log of one's own, a library in use", "/uninstall /s /LOG=" + root_ / "u.log",
         kAlone | kJre | kInstalled | kBridgeInUse, 3010, root_ / "u.log",
         "\r\n    Plik w użyciu, zostanie usunięty przy ponownym uruchomieniu komputera: " + kBridgeAtRestart + "\r\n",
         nullptr},
        {"a jar that cannot be read outweighs the restart", "/UNINSTALL /S", kAlone | kJre | kInstalled | kJarLocked |
         kBridgeInUse, 1603, "", "\r\n    BŁĄD odczytu pliku: " + jar_ + "\r\n", nullptr},
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
        EXPECT_NE(std::string::npos, log.find(U8(c.holds.c_str()))) << log;
        const size_t report = log.find(U8("\r\nRaport:\r\n"));
        EXPECT_EQ(c.tail ? U8(c.tail) : "-", report == std::string::npos ? "-" : log.substr(report + 11)) << log;
    }
}

}  // namespace
