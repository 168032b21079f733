// The real instalator.exe in a copy of the staged package, started and driven from outside its
// process as a user would: what the user sees, in any code page.
#include <gtest/gtest.h>

#include <vector>

#include "integrity/staging.h"
#include "resource.h"
#include "support.h"
#include "texts.h"

namespace {

// A package copy, and a 32-bit JRE where such a PC has it: below "Program Files (x86)", a home with parentheses.
class EndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        CopyStagedPackage(root_ / "package");
        AddRuntime("1.6.0", home_);
    }
    void TearDown() override
    {
        RemoveRuntimes();
        for (const char* name : {"\\ocfpcsc1.dll", "\\ocfpcsc164.dll"})
            RemoveTree(SystemDirectory() + name);
    }

    // Starts the exe (or another) from C:\ and answers its boxes of caption in turn: "<text>|...|<how it ended>".
    std::string Boxes(const std::wstring& arguments, const char* caption = "", std::vector<int> answers = {},
                      const std::wstring& exe = L"")
    {
        OutsideInstaller installer;
        std::string seen;
        if (!installer.Start(exe.empty() ? Wide1250(exe_.c_str()) : exe, L"C:\\", arguments))
            return "<not started>";
        for (int answer : answers) {
            HWND box = installer.WaitForMessageBox(Wide1250(caption));
            seen += (box ? Utf8(MessageBoxText(box)) : "<none>") + "|";
            Click(box, answer);
            for (int waited = 0; IsWindow(box) && waited < 15000; waited += 50)
                Sleep(50);
        }
        return seen + installer.Ended();
    }

    ScratchDir root_{"e2e"};
    const std::string home_ = root_ / "Program Files (x86)\\Java\\jre6", exe_ = root_ / "package\\instalator.exe";
};

// Without its own folder as working directory the installers would work on whatever folder it
// inherited, or on a look-alike: the ANSI name of "pakietĀ" is "pakietA" by best fit, a folder that
// anyone may have made. The program says so, or logs it when unattended, and installs nothing. The usage
// needs no package.
TEST_F(EndToEnd, AProgramFolderItCannotEnterEndsTheRunWithAMessage)
{
    CopyStagedPackage(root_ / "pakietA");
    const std::wstring folder = Wide1250(root_.path().c_str()) + L"\\pakiet\u0100", exe = folder + L"\\instalator.exe";
    auto removeFolder = [&] {  // the ANSI calls of ScratchDir cannot name them
        DeleteFileW(exe.c_str());
        RemoveDirectoryW(folder.c_str());
    };
    removeFolder();  // what a failed run left
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(Wide1250(exe_.c_str()).c_str(), exe.c_str(), FALSE));
    EXPECT_EQ(U8(kStartFolderText) + "|1603", Boxes(L"", kWelcomeCaption, {IDOK}, exe));
    EXPECT_EQ("1603", Boxes(L"/S /LOG=" + Wide1250((root_ / "run.log").c_str()), "", {}, exe));
    EXPECT_NE(std::string::npos, ReadFile(root_ / "run.log").find(U8(kLogPackageFolderFailed)));
    const std::string usage = U8(kUsageLine) + "\n\n" + U8(kUsageDetails);
    EXPECT_EQ(usage + "|0", Boxes(L"/?", kShortCaption, {IDOK}, exe));
    EXPECT_EQ(U8("Nieprawidłowy parametr: /nojava\n\n") + usage + "|87", Boxes(L"/nojava", kShortCaption, {IDOK}, exe));
    removeFolder();
}

// Started from another folder, the program works on a staged copy of the package beside itself: a driver
// installer changed before the start is neither copied nor started; the policy tool runs in the staged sun
// folder. (Staging from a share is the staging tests' part: Wine 8 gives a module started from
// \\server\share the Windows directory as working directory, so the real exe cannot find its package.)
TEST_F(EndToEnd, OneInstallerAtATimeAsksAboutAConflictReportsAndIsTakenBack)
{
    const std::string mark = root_ / "swapped-ran", bridge = SystemDirectory() + "\\ocfpcsc1.dll";
    WriteFile(root_ / "package\\Drivers\\twin.bat", "@echo swapped>\"" + mark + "\"\r\n");
    WriteFile(bridge, "an older bridge library, loaded by a running program");
    HeldOpen inUse(bridge);

    // Any user may create an object of the guard's old name first: one of another kind once switched the guard off.
    HANDLE squat = CreateEventW(nullptr, TRUE, FALSE, L"Global\\InstalatorCzytnikaKartOCF");
    OutsideInstaller installer;
    HWND welcome = installer.Start(exe_, "C:\\") ? installer.WaitForMessageBox(Wide1250(kWelcomeCaption)) : nullptr;
    ASSERT_TRUE(welcome);
    // Unattended, a second start ends at once with "try again later", and takes over no log; with a
    // user, it says so and hands over to the first one's window.
    EXPECT_EQ("1618", Boxes(Wide1250(("/S /LOG=" + root_ / "second.log").c_str())));
    EXPECT_FALSE(Exists(root_ / "second.log"));
    EXPECT_EQ(U8(kAlreadyRunningText) + "|0", Boxes(L"", kShortCaption, {IDOK}));
    EXPECT_EQ(welcome, GetForegroundWindow());
    CloseHandle(squat);
    Click(welcome, IDYES);
    HWND dialog = installer.WaitForDialog();
    Click(dialog, IDOK);
    HWND prompt = installer.WaitForMessageBox(L"Problem kopiowania pliku");
    EXPECT_FALSE(IsWindowEnabled(dialog)) << "the prompt is task-modal: the dialog cannot be raised over it";
    // It names the file in use (the whole text is the copy tests' part).
    EXPECT_NE(std::wstring::npos, MessageBoxText(prompt).find(L"DOCELOWY\nNazwa: " + Wide1250(bridge.c_str()) + L"\n"));
    Click(prompt, IDIGNORE);

    ASSERT_TRUE(WaitForItemText(dialog, IDOK, L"&Szczegóły >>"));
    EXPECT_EQ(Wide1250("BŁĄD|OK|Instalacja sterownika czytnika kart: BŁĄD - Instalator jest niekompletny\r\n\r\n"
                       "Instalacja komponentów dla Sun Java Plug-in: OK\r\n\r\n"),
              ItemTextOf(dialog, IDT_STATUS_DRIVERS) + L"|" + ItemTextOf(dialog, IDT_STATUS_JAVA) + L"|" +
                  ItemTextOf(dialog, IDE_REPORT));
    // After the run the dialog keys work again, as real key presses: Enter is button 1, Escape button 2.
    PressKey(dialog, VK_RETURN);
    EXPECT_TRUE(WaitForItemText(dialog, IDOK, L"&Szczegóły <<"));
    PressKey(dialog, VK_ESCAPE);
    HWND notice = installer.WaitForMessageBox(L"Info");
    EXPECT_EQ(Wide1250(kRestartText), MessageBoxText(notice));
    Click(notice, IDOK);
    // The notice and the dialog may still show for a moment after the click: only the exit code counts here.
    DWORD code = 99;
    EXPECT_TRUE(installer.WaitForExit(60000, &code) && code == 0) << code;
    inUse.Release();
    EXPECT_EQ(U8(kWelcomeText) + "|0", Boxes(L"", kWelcomeCaption, {IDNO})) << "the guard went with the first";

    // The staged package of the run (each run removes the folders of the runs before it).
    const std::string temp = WindowsDirectory() + "\\Temp\\", names = List(temp);
    const size_t at = names.rfind(kStagingPrefix);
    const std::string sun = temp + names.substr(at, names.find('\\', at) - at) + "\\sun";
    EXPECT_NE(std::string::npos,
              ReadFile(sun + "\\calls.log").find("java.exe\" CopyPolicyFile .java.policy|" + sun + "\n"));
    const std::string runTemp = sun.substr(0, sun.size() - 3) + "temp";  // the run's own: only administrators change it
    EXPECT_NE(std::string::npos, ReadFile(sun + "\\env.log").find("|TEMP=" + runTemp + "|TMP=" + runTemp + "|\n"));
    Sleep(1000);  // time enough for a started batch file to leave its mark
    EXPECT_FALSE(Exists(mark));

    // The uninstall asks first; No changes nothing. After Yes its report names the driver's own removal.
    const std::string question = U8(kUninstallQuestion), jar = home_ + "\\lib\\ext\\ocf1.2.jar";
    EXPECT_EQ(question + "|1602", Boxes(L"/UNINSTALL", kUninstallCaption, {IDNO}));
    EXPECT_TRUE(Exists(jar)) << "installed, and kept by No";
    const std::string seen = Boxes(L"/UNINSTALL", kUninstallCaption, {IDYES, IDOK});
    EXPECT_EQ(0u, seen.find(question + "|" + U8(kLogUninstallHeading))) << seen;
    for (const char* line : {kUninstallDone, kUninstallDriverNote})
        EXPECT_NE(std::string::npos, seen.find(U8(line))) << seen;
    EXPECT_EQ("|0", seen.substr(seen.size() - 2));
    EXPECT_FALSE(Exists(jar));
}

}  // namespace
