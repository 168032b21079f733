// Start-up hardening: the working directory and where DLLs may load from.
#include <gtest/gtest.h>

#include <windows.h>

#include "scratch.h"
#include "shell/startup.h"
#include "system.h"

namespace {

DWORD RunProbe(const std::string& exe, const std::string& argument, const std::string& workingDir)
{
    std::string commandLine = "\"" + exe + "\" " + argument;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, workingDir.c_str(),
                        &startup, &process))
        return 99;
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 98;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

TEST(Startup, APlantedDllBesideTheProgramOrInItsWorkingDirectoryNeverLoads)
{
    ScratchDir download("download");
    ScratchDir elsewhere("elsewhere");
    const std::string binaries = FromUnixPath(TEST_BINARY_DIR);
    ASSERT_TRUE(CopyFileA((binaries + "\\plant_probe.exe").c_str(), (download / "plant_probe.exe").c_str(), FALSE));
    for (const ScratchDir* folder : {&download, &elsewhere})
        ASSERT_TRUE(CopyFileA((binaries + "\\plant_mark.dll").c_str(), (*folder / "plant_mark.dll").c_str(), FALSE));

    // Without the hardening the probe does load it: the test can see a planted DLL.
    EXPECT_EQ(1u, RunProbe(download / "plant_probe.exe", "unprotected", elsewhere.path()));
    EXPECT_TRUE(Exists(download / "plant_mark.dll.mark"));
    RemoveTree(download / "plant_mark.dll.mark");

    EXPECT_EQ(0u, RunProbe(download / "plant_probe.exe", "protected", elsewhere.path()));
    EXPECT_FALSE(Exists(download / "plant_mark.dll.mark"));
    EXPECT_FALSE(Exists(elsewhere / "plant_mark.dll.mark"));
}

TEST(Startup, TheProgramsFolderBecomesTheWorkingDirectory)
{
    char exe[MAX_PATH + 1];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string folder(exe, strrchr(exe, '\\'));
    ScopedCurrentDirectory away("C:\\");
    ASSERT_EQ(1, EnterExecutableFolder());
    EXPECT_EQ(folder, CurrentDirectory());
}

TEST(Startup, TheShippedManifestAsksForAdministratorRightsThemesAndDpiAwareness)
{
    // Without administrator rights a 32-bit installer is virtualised: its system-directory copies land
    // in a VirtualStore. Without the rest it is drawn in the classic style, and blurred when scaled.
    HMODULE exe = LoadLibraryExA((FromUnixPath(STAGED_PACKAGE_DIR) + "\\instalator.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(exe);
    HRSRC found = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_TRUE(found);
    std::string manifest((const char*)LockResource(LoadResource(exe, found)), SizeofResource(exe, found));
    EXPECT_NE(std::string::npos, manifest.find("<requestedExecutionLevel level=\"requireAdministrator\""));
    EXPECT_NE(std::string::npos, manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}")) << "Windows 10 and 11";
    size_t dependency = manifest.find("<dependency>");
    size_t controls = manifest.find("<assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
                                    "version=\"6.0.0.0\" processorArchitecture=\"x86\" "
                                    "publicKeyToken=\"6595b64144ccf1df\"");
    EXPECT_TRUE(dependency < controls && controls < manifest.find("</dependency>")) << "a dependency";
    EXPECT_NE(std::string::npos, manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/"
                                                "WindowsSettings\">PerMonitorV2, System</dpiAwareness>"));
    EXPECT_NE(std::string::npos, manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/"
                                                "WindowsSettings\">true</dpiAware>"));
    FreeLibrary(exe);
}

}  // namespace
