// The real instalator.exe from the staged package, started and driven from outside its process.
#include <gtest/gtest.h>

#include <windows.h>

#include "copy/copy_tree.h"
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
// anyone may have made. The program says so and ends before the welcome prompt.
TEST(EndToEnd, AProgramFolderItCannotEnterEndsTheRunWithAMessage)
{
    ScratchDir scratch("e2e-start");
    MakeDirs(scratch / "pakietA");
    const std::wstring folder = L"C:\\installer-tests\\e2e-start\\pakiet\u0100", exe = folder + L"\\instalator.exe";
    auto removeFolder = [&] {  // the ANSI calls of ScratchDir cannot name it
        DeleteFileW(exe.c_str());
        RemoveDirectoryW(folder.c_str());
    };
    removeFolder();  // what a failed run left
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(std::wstring(kInstaller.begin(), kInstaller.end()).c_str(), exe.c_str(), FALSE));
    {
        OutsideInstaller installer;
        ASSERT_TRUE(installer.Start(exe, L"C:\\"));
        HWND box = installer.WaitForMessageBox(Wide1250(kWelcomeCaption));
        ASSERT_TRUE(box);
        EXPECT_EQ(Wide1250(kStartFolderText), MessageBoxText(box));
        Click(box, IDOK);
        DWORD code = 0;
        EXPECT_TRUE(installer.WaitForExit(15000, &code));
        EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, code);
    }
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

    Click(dialog, IDOK);
    EXPECT_TRUE(WaitForItemText(dialog, IDOK, L"&Szczegóły <<"));
    CloseWithRestartNotice(installer, dialog);
}

TEST(EndToEnd, RegisteredJreIsServedAndReportedOk)
{
    // A copy of the package (the stand-in java.exe logs into its working directory, the package's
    // sun) and a 32-bit JRE where such a PC has it: below "Program Files (x86)", a home with parentheses.
    ScratchDir root("e2e-jre");
    MakeDirs(root / "package");
    ASSERT_EQ(0, CopyTree((FromUnixPath(STAGED_PACKAGE_DIR) + "\\*").c_str(), (root / "package").c_str(), 1, nullptr));
    const std::string home = root / "Program Files (x86)\\Java\\jre6";
    for (const char* folder : {"bin", "lib\\ext", "lib\\security"})
        MakeDirs(home + "\\" + folder);
    CopyFileA(FromUnixPath(TEST_BINARY_DIR "/java_stand_in.exe").c_str(), (home + "\\bin\\java.exe").c_str(), FALSE);
    const char key[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6.0";
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, "JavaHome", REG_SZ, home.c_str(), (DWORD)home.size() + 1);

    OutsideInstaller installer;
    HWND dialog = OpenDialog(installer, root / "package\\instalator.exe");
    ASSERT_TRUE(dialog);
    Click(dialog, IDOK);
    ASSERT_TRUE(WaitForItemText(dialog, IDOK, L"&Szczegóły >>"));
    EXPECT_EQ(Wide1250("Instalacja sterownika czytnika kart: OK\r\n\r\n"
                       "Instalacja komponentów dla Sun Java Plug-in: OK\r\n\r\n"),
              ItemTextOf(dialog, IDE_REPORT));
    EXPECT_EQ(L"OK", ItemTextOf(dialog, IDT_STATUS_JAVA));
    CloseWithRestartNotice(installer, dialog);

    std::string log = ReadFile(root / "package\\sun\\calls.log");
    EXPECT_NE(std::string::npos, log.find("java.exe\" CopyPolicyFile .java.policy|" + root / "package\\sun")) << log;
    EXPECT_NE(std::string::npos, log.find("CopyPolicyFile .opencard.properties|")) << log;
    EXPECT_TRUE(Exists(home + "\\lib\\ext\\ocf1.2.jar") && Exists(home + "\\lib\\ext\\ocfpcsc1.dll"));
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
}

TEST(EndToEnd, ConflictPromptReadsPolishAndNamesBothFiles)
{
    // A different bridge library in use in the system directory: the Java component must ask.
    const std::string bridge = SystemDirectory() + "\\ocfpcsc1.dll";
    WriteFile(bridge, "an older bridge library, loaded by a running program");
    HeldOpen inUse(bridge);

    OutsideInstaller installer;
    HWND dialog = OpenDialog(installer);
    ASSERT_TRUE(dialog);
    Click(dialog, IDOK);
    HWND prompt = installer.WaitForMessageBox(L"Problem kopiowania pliku");
    ASSERT_TRUE(prompt);
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
    inUse.Release();
    RemoveTree(bridge);
    RemoveTree(SystemDirectory() + "\\ocfpcsc164.dll");
}

}  // namespace
