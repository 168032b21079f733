// Start-up hardening: where DLLs may load from (the working directory: end_to_end_test.cpp).
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <set>

#include "resource.h"
#include "support.h"
#include "texts.h"

namespace {

// The shipped exe as the loader maps it: what it binds before WinMain, the flags it honours, and its
// manifest. Without administrator rights a 32-bit installer is virtualised: its system-directory copies
// land in a VirtualStore. Without the rest it is drawn in the classic style, and blurred when scaled.
TEST(Startup, TheShippedExeBindsOnlyKernelAndTheCRuntimeAndAsksForAdministratorRights)
{
    HMODULE exe = LoadLibraryExA((FromUnixPath(SHIPPED_PACKAGE_DIR) + "\\instalator.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(exe);
    const char* image = (const char*)((ULONG_PTR)exe & ~(ULONG_PTR)3);  // mapped as an image: an RVA is an offset
    const IMAGE_NT_HEADERS32* nt = (const IMAGE_NT_HEADERS32*)(image + ((const IMAGE_DOS_HEADER*)image)->e_lfanew);
    ASSERT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, nt->OptionalHeader.Magic);
    const IMAGE_DATA_DIRECTORY* directory = nt->OptionalHeader.DataDirectory;
    std::set<std::string> imports;
    for (auto* import = (const IMAGE_IMPORT_DESCRIPTOR*)(image + directory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
         import->Name; ++import)
        imports.insert(CharLowerA(std::string(image + import->Name).data()));
    EXPECT_EQ((std::set<std::string>{"kernel32.dll", "msvcrt.dll"}), imports);
    // Windows 10 1607 and later then resolve even a future static import from System32 only.
    const IMAGE_DATA_DIRECTORY& config = directory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG];
    ASSERT_GE(config.Size, 56u);
    EXPECT_EQ(config.Size, *(const DWORD*)(image + config.VirtualAddress)) << "the structure's own size field";
    EXPECT_EQ(0x800, *(const WORD*)(image + config.VirtualAddress + 54)) << "DependentLoadFlags";
    const WORD wanted = IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | IMAGE_DLLCHARACTERISTICS_NX_COMPAT |
                        IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE;
    EXPECT_EQ(wanted, nt->OptionalHeader.DllCharacteristics & wanted);

    HRSRC found = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_TRUE(found);
    std::string manifest((const char*)LockResource(LoadResource(exe, found)), SizeofResource(exe, found));
    for (const char* part : {"<requestedExecutionLevel level=\"requireAdministrator\"",
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
                             "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                             "PerMonitorV2, System</dpiAwareness>",
                             "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"})
        EXPECT_NE(std::string::npos, manifest.find(part)) << part;
    const size_t controls = manifest.find("<assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
                                          "version=\"6.0.0.0\" processorArchitecture=\"x86\" "
                                          "publicKeyToken=\"6595b64144ccf1df\"");
    EXPECT_TRUE(manifest.find("<dependency>") < controls && controls < manifest.find("</dependency>")) << "a dependency";
    FreeLibrary(exe);
}

// Welcome Yes, Install with the defaults (reader drivers and Java), details, Close, the notice. Returns
// the report; `modules` receives what the process had loaded once the run was over.
std::wstring FullRun(const std::string& exe, const std::string& workingDir, std::set<std::string>* modules)
{
    OutsideInstaller installer;
    HWND welcome = installer.Start(exe, workingDir) ? installer.WaitForMessageBox(Wide1250(kWelcomeCaption)) : nullptr;
    Click(welcome, IDYES);
    HWND dialog = welcome ? installer.WaitForDialog() : nullptr;
    Click(dialog, IDOK);
    if (!dialog || !WaitForItemText(dialog, IDOK, L"&Szczegóły >>"))
        return L"<no report>";
    Click(dialog, IDOK);
    std::wstring report = ItemTextOf(dialog, IDE_REPORT);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, installer.processId());
    MODULEENTRY32 entry = {sizeof entry};
    for (BOOL more = modules && Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry))
        modules->insert(CharLowerA(entry.szModule));
    CloseHandle(snapshot);  // no effect on INVALID_HANDLE_VALUE, the pseudo handle of this process
    Click(dialog, IDCANCEL);
    Click(installer.WaitForMessageBox(L"Info"), IDOK);
    installer.WaitForExit(15000);
    return report;
}

TEST(Startup, NoDllPlantedBesideTheProgramOrInItsFoldersLoadsDuringAFullRun)
{
    ScratchDir root("planted"), workingDir("planted-cwd");
    CopyStagedPackage(root.path());

    std::set<std::string> names = {"version.dll", "uxtheme.dll", "dwmapi.dll", "cryptbase.dll", "userenv.dll",
                                   "winscard.dll", "ucrtbase.dll", "sechost.dll", "imm32.dll", "msimg32.dll",
                                   "zlib1.dll", "win32u.dll", "comctl32.dll", "bcrypt.dll"};
    const size_t guessed = names.size();
    std::wstring cleanReport = FullRun(root / "instalator.exe", workingDir.path(), &names);
    ASSERT_NE(std::wstring::npos, cleanReport.find(L"Instalacja sterownika")) << Utf8(cleanReport);
    ASSERT_GT(names.size(), guessed + 3) << "the module walk saw nothing";
    // What no planted file can replace: the exe itself and what the loader maps before any search.
    for (const char* fixed : {"instalator.exe", "ntdll.dll", "kernel32.dll", "kernelbase.dll", "msvcrt.dll"})
        names.erase(fixed);

    // Wine: in the installer's process, prefer a native DLL of these names wherever the search finds one.
    const std::string mark = FromUnixPath(TEST_BINARY_DIR) + "\\plant_mark.dll";
    const char overrides[] = "Software\\Wine\\AppDefaults\\instalator.exe\\DllOverrides";
    std::vector<std::string> planted;
    for (const std::string& folder : {root.path(), workingDir.path(), root / "msie", root / "ns", root / "sun",
                                      root / "Drivers"}) {
        for (const std::string& name : names) {
            planted.push_back(folder + "\\" + name);
            EXPECT_TRUE(CopyFileA(mark.c_str(), planted.back().c_str(), FALSE)) << planted.back();
            RegSetKeyValueA(HKEY_CURRENT_USER, overrides, name.substr(0, name.size() - 4).c_str(), REG_SZ,
                            "native,builtin", 15);
        }
    }
    std::wstring plantedReport = FullRun(root / "instalator.exe", workingDir.path(), nullptr);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\instalator.exe");

    EXPECT_EQ(cleanReport, plantedReport);
    // A program the package starts (the driver's batch file) is not the installer's business here.
    for (const std::string& dll : planted)
        EXPECT_EQ(std::string::npos, ReadFile(dll + ".mark").find("instalator.exe")) << dll << " was loaded by "
                                                                                    << ReadFile(dll + ".mark");
}

}  // namespace
