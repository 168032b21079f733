// The real instalator.exe from the staged package, started and driven from outside its process.
#include <gtest/gtest.h>

#include <windows.h>

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
HWND OpenDialog(OutsideInstaller& installer)
{
    if (!installer.Start(kInstaller, "C:\\"))
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
