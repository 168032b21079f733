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
const char kDefaultReport[] = "Instalacja sterownika czytnika kart: OK\r\n\r\n";

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
    ASSERT_TRUE(installer.Start(kInstaller, "C:\\"));
    HWND welcome = installer.WaitForMessageBox(Wide1250(kWelcomeCaption));
    ASSERT_TRUE(welcome);
    Click(welcome, IDYES);

    HWND dialog = installer.WaitForDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(L"Instalator czytnika kart mikroproc. [v1.5]", TextOf(dialog));
    Click(dialog, IDOK);
    ASSERT_TRUE(WaitForItemText(dialog, IDOK, L"&Szczegóły >>"));
    EXPECT_EQ(L"&Zamknij", ItemTextOf(dialog, IDCANCEL));
    EXPECT_EQ(Wide1250(kDefaultReport), ItemTextOf(dialog, IDE_REPORT));

    Click(dialog, IDOK);
    EXPECT_TRUE(WaitForItemText(dialog, IDOK, L"&Szczegóły <<"));
    Click(dialog, IDCANCEL);
    HWND notice = installer.WaitForMessageBox(L"Info");
    ASSERT_TRUE(notice);
    EXPECT_EQ(Wide1250(kRestartText), MessageBoxText(notice));
    Click(notice, IDOK);
    DWORD code = 1;
    EXPECT_TRUE(installer.WaitForExit(15000, &code));
    EXPECT_EQ(0u, code);
}

}  // namespace
