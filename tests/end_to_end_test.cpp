// The real instalator.exe from the staged package, started and driven from outside its process.
#include <gtest/gtest.h>

#include <windows.h>

#include "copy/copy_tree.h"
#include "integrity/staging.h"
#include "outside.h"
#include "prompts.h"
#include "resource.h"
#include "scratch.h"
#include "system.h"
#include "texts.h"

namespace {

const std::string kInstaller = FromUnixPath(STAGED_PACKAGE_DIR) + "\\instalator.exe";

// The test prefix has no reader and no Java: the driver installer starts, and Java is not found.
const char kDefaultReport[] =
    "Instalacja sterownika czytnika kart: OK\r\n\r\n"
    "Instalacja komponentów dla Sun Java Plug-in: UWAGA - Nie wykryto instalacji środowiska JRE/JDK lub "
    "aplikacja nie była uruchamiona z prawami administratora\r\n\r\n";

const char kDriverIncomplete[] = "Instalacja sterownika czytnika kart: BŁĄD - Instalator jest niekompletny\r\n\r\n";
const char kJavaOk[] = "Instalacja komponentów dla Sun Java Plug-in: OK\r\n\r\n";

// A copy of the built package in folder (which must exist).
void CopyPackage(const std::string& folder)
{
    ASSERT_EQ(0, CopyTree((FromUnixPath(STAGED_PACKAGE_DIR) + "\\*").c_str(), folder.c_str(), 1, nullptr));
}

// A 32-bit JRE where such a PC has it, below "Program Files (x86)" (a home with parentheses), with the
// stand-in java.exe that logs its command line and working directory into calls.log there.
std::string AddJre(const ScratchDir& root)
{
    const std::string home = root / "Program Files (x86)\\Java\\jre6";
    for (const char* folder : {"bin", "lib\\ext", "lib\\security"})
        MakeDirs(home + "\\" + folder);
    CopyFileA(FromUnixPath(TEST_BINARY_DIR "/java_stand_in.exe").c_str(), (home + "\\bin\\java.exe").c_str(), FALSE);
    const char key[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6.0";
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, "JavaHome", REG_SZ, home.c_str(), (DWORD)home.size() + 1);
    return home;
}

// The staged package of the last run: each run removes the folders of the runs before it.
std::string StagedRoot()
{
    const std::string temp = WindowsDirectory() + "\\Temp\\";
    std::string root;
    int count = 0;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((temp + kStagingPrefix + "*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            root = temp + entry.cFileName;
            ++count;
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    EXPECT_EQ(1, count);
    return root;
}

// Yes in the welcome prompt, then the dialog.
HWND OpenDialog(OutsideInstaller& installer, const std::string& exe = kInstaller)
{
    if (!installer.Start(exe, "C:\\"))
        return nullptr;
    HWND welcome = installer.WaitForMessageBox(Wide1250(kWelcomeCaption));
    if (!welcome)
        return nullptr;
    Click(welcome, IDYES);
    return installer.WaitForDialog();
}

// Close, and OK in the restart notice: the program ends with 0.
void CloseWithRestartNotice(OutsideInstaller& installer, HWND dialog)
{
    Click(dialog, IDCANCEL);
    HWND notice = installer.WaitForMessageBox(L"Info");
    ASSERT_TRUE(notice);
    EXPECT_EQ(Wide1250(kRestartText), MessageBoxText(notice));
    Click(notice, IDOK);
    DWORD code = 1;
    EXPECT_TRUE(installer.WaitForExit(15000, &code));
    EXPECT_EQ(0u, code);
}

TEST(EndToEnd, NoInTheWelcomePromptEndsWithoutTheDialog)
{
    OutsideInstaller installer;
    ASSERT_TRUE(installer.Start(kInstaller, "C:\\"));
    HWND welcome = installer.WaitForMessageBox(Wide1250(kWelcomeCaption));
    ASSERT_TRUE(welcome);
    EXPECT_EQ(Wide1250(kWelcomeText), MessageBoxText(welcome));
    EXPECT_TRUE(GetDlgItem(welcome, IDYES) && GetDlgItem(welcome, IDNO));
    Click(welcome, IDNO);
    DWORD code = 1;
    bool sawDialog = false;
    for (int i = 0; i < 200 && !installer.WaitForExit(50, &code); ++i)
        sawDialog = sawDialog || installer.HasDialog();
    EXPECT_FALSE(sawDialog);
    EXPECT_EQ(0u, code);
}

// Without its own folder as working directory the installers would work on whatever folder it
// inherited, or on a look-alike: the ANSI name of "pakietĀ" is "pakietA" by best fit, a folder that
// anyone may have made. The program says so, or logs it when unattended, and installs nothing.
TEST(EndToEnd, AProgramFolderItCannotEnterEndsTheRunWithAMessage)
{
    ScratchDir scratch("e2e-start");
    MakeDirs(scratch / "pakietA");
    const std::string log = scratch / "run.log";
    const std::wstring folder = L"C:\\installer-tests\\e2e-start\\pakiet\u0100", exe = folder + L"\\instalator.exe";
    auto removeFolder = [&] {  // the ANSI calls of ScratchDir cannot name it
        DeleteFileW(exe.c_str());
        RemoveDirectoryW(folder.c_str());
    };
    removeFolder();  // what a failed run left
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(std::wstring(kInstaller.begin(), kInstaller.end()).c_str(), exe.c_str(), FALSE));
    for (bool unattended : {false, true}) {
        OutsideInstaller installer;
        ASSERT_TRUE(installer.Start(exe, L"C:\\", unattended ? L"/S /LOG=" + Wide1250(log.c_str()) : L""));
        if (!unattended) {
            HWND box = installer.WaitForMessageBox(Wide1250(kWelcomeCaption));
            ASSERT_TRUE(box);
            EXPECT_EQ(Wide1250(kStartFolderText), MessageBoxText(box));
            Click(box, IDOK);
        }
        DWORD code = 0;
        EXPECT_TRUE(installer.WaitForExit(15000, &code));
        EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, code);
    }
    EXPECT_NE(std::string::npos, ReadFile(log).find(Utf8(Wide1250(kLogPackageFolderFailed)))) << ReadFile(log);
    removeFolder();
}

TEST(EndToEnd, DefaultInstallReportsAndAsksForARestart)
{
    // Started from another folder: the installer must still find its package beside itself.
    OutsideInstaller installer;
    HWND dialog = OpenDialog(installer);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(L"Instalator czytnika kart mikroproc. [v1.5]", TextOf(dialog));
    Click(dialog, IDOK);
    ASSERT_TRUE(WaitForItemText(dialog, IDOK, L"&Szczegóły >>"));
    EXPECT_EQ(L"&Zamknij", ItemTextOf(dialog, IDCANCEL));
    EXPECT_EQ(Wide1250(kDefaultReport), ItemTextOf(dialog, IDE_REPORT));
    EXPECT_EQ(L"OK", ItemTextOf(dialog, IDT_STATUS_DRIVERS));
    EXPECT_EQ(L"UWAGA", ItemTextOf(dialog, IDT_STATUS_JAVA));

    // After the run the dialog keys work again, as real key presses: Enter is button 1, Escape button 2.
    PressKey(dialog, VK_RETURN);
    EXPECT_TRUE(WaitForItemText(dialog, IDOK, L"&Szczegóły <<"));
    PressKey(dialog, VK_ESCAPE);
    HWND notice = installer.WaitForMessageBox(L"Info");
    ASSERT_TRUE(notice);
    Click(notice, IDOK);
    EXPECT_TRUE(installer.WaitForExit(15000));
}

TEST(EndToEnd, RegisteredJreIsServedFromTheStagedCopyAndReportedOk)
{
    // The policy tool (the stand-in java.exe) runs in the staged sun folder, never in the folder the
    // program was started from. (A start from a share is the staging tests' part: Wine 8 names a
    // module started from \\server\share "UNC\server\share\..." and gives such a process the Windows
    // directory as its working directory, so the real exe cannot find its package there under Wine.)
    ScratchDir root("e2e-jre");
    MakeDirs(root / "package");
    CopyPackage(root / "package");
    const std::string home = AddJre(root);

    OutsideInstaller installer;
    HWND dialog = OpenDialog(installer, root / "package\\instalator.exe");
    ASSERT_TRUE(dialog);
    Click(dialog, IDOK);
    ASSERT_TRUE(WaitForItemText(dialog, IDOK, L"&Szczegóły >>"));
    EXPECT_EQ(Wide1250((std::string("Instalacja sterownika czytnika kart: OK\r\n\r\n") + kJavaOk).c_str()),
              ItemTextOf(dialog, IDE_REPORT));
    EXPECT_EQ(L"OK", ItemTextOf(dialog, IDT_STATUS_JAVA));
    CloseWithRestartNotice(installer, dialog);

    const std::string sun = StagedRoot() + "\\sun";
    std::string log = ReadFile(sun + "\\calls.log");
    EXPECT_NE(std::string::npos, log.find("java.exe\" CopyPolicyFile .java.policy|" + sun + "\n")) << log;
    EXPECT_NE(std::string::npos, log.find("CopyPolicyFile .opencard.properties|")) << log;
    EXPECT_TRUE(Exists(home + "\\lib\\ext\\ocf1.2.jar") && Exists(home + "\\lib\\ext\\ocfpcsc1.dll"));
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
}

TEST(EndToEnd, ChangedPackageFileIsNeitherCopiedNorStarted)
{
    const std::string mark = "C:\\installer-tests\\swapped-ran";
    const struct {
        const char* file;
        const char* folder;
        std::string report;
    } cases[] = {
        {"Drivers\\twin.bat", "Drivers", kDriverIncomplete + std::string(kJavaOk)},
        {"sun\\ocf1.2.jar", "sun",
         "Instalacja sterownika czytnika kart: OK\r\n\r\n"
         "Instalacja komponentów dla Sun Java Plug-in: BŁĄD - Instalator jest niekompletny\r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ScratchDir root("e2e-changed");
        MakeDirs(root / "package");
        CopyPackage(root / "package");
        const std::string changed = root / "package\\" + c.file;
        std::string content = ReadFile(changed);
        if (c.folder == std::string("sun"))
            content[content.size() / 2] ^= 1;  // one bit of the jar
        else
            content = "@echo swapped>\"" + mark + "\"\r\n";  // a driver installer of someone else's
        WriteFile(changed, content);
        const std::string home = AddJre(root);

        OutsideInstaller installer;
        HWND dialog = OpenDialog(installer, root / "package\\instalator.exe");
        ASSERT_TRUE(dialog);
        Click(dialog, IDOK);
        ASSERT_TRUE(WaitForItemText(dialog, IDOK, L"&Szczegóły >>"));
        EXPECT_EQ(Wide1250(c.report.c_str()), ItemTextOf(dialog, IDE_REPORT));
        CloseWithRestartNotice(installer, dialog);
        Sleep(1000);  // time enough for a started batch file to leave its mark

        EXPECT_FALSE(Exists(StagedRoot() + "\\" + c.folder));
        EXPECT_FALSE(Exists(mark));
        EXPECT_EQ(c.folder != std::string("sun"), Exists(home + "\\lib\\ext\\ocf1.2.jar"));
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
    }
}

TEST(EndToEnd, ConflictPromptReadsPolishAndNamesBothFiles)
{
    // A different bridge library in use in the system directory: the Java component must ask.
    const std::string bridge = SystemDirectory() + "\\ocfpcsc1.dll";
    WriteFile(bridge, "an older bridge library, loaded by a running program");
    HeldOpen inUse(bridge);

    ScratchDir root("e2e-conflict");
    CopyPackage(root.path());
    OutsideInstaller installer;
    HWND dialog = OpenDialog(installer, root / "instalator.exe");
    ASSERT_TRUE(dialog);
    Click(dialog, IDOK);
    HWND prompt = installer.WaitForMessageBox(L"Problem kopiowania pliku");
    // The package is staged by now: a driver installer swapped in the folder the program was started
    // from has no effect on what runs.
    const std::string mark = root / "swapped-ran";
    WriteFile(root / "Drivers\\twin.bat", "@echo swapped>\"" + mark + "\"\r\n");
    ASSERT_TRUE(prompt);
    EXPECT_FALSE(IsWindowEnabled(dialog)) << "the prompt is task-modal: the dialog cannot be raised over it";
    std::wstring text = MessageBoxText(prompt);
    EXPECT_EQ(0u, text.find(Wide1250("Wykryto problem przy próbie skopiowania pliku do katalogu docelowego.\n"
                                     "Podany plik już istnieje.\n\nInformacje o plikach:\n\nŹRÓDŁOWY\n"
                                     "Nazwa: ocfpcsc1.dll\n")))
        << Utf8(text);
    EXPECT_NE(std::wstring::npos, text.find(L"DOCELOWY\nNazwa: " + Wide1250(bridge.c_str()) + L"\n")) << Utf8(text);
    Click(prompt, IDIGNORE);

    ASSERT_TRUE(WaitForItemText(dialog, IDOK, L"&Szczegóły >>"));
    EXPECT_EQ(Wide1250(kDefaultReport), ItemTextOf(dialog, IDE_REPORT));
    CloseWithRestartNotice(installer, dialog);
    Sleep(1000);
    EXPECT_FALSE(Exists(mark));
    EXPECT_EQ(ReadFile(FromUnixPath(STAGED_PACKAGE_DIR "/Drivers/twin.bat")), ReadFile(StagedRoot() + "\\Drivers\\twin.bat"));
    inUse.Release();
    RemoveTree(bridge);
    RemoveTree(SystemDirectory() + "\\ocfpcsc164.dll");
}

}  // namespace
