// Start-up hardening: the working directory and where DLLs may load from.
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <set>

#include "copy/copy_tree.h"
#include "outside.h"
#include "prompts.h"
#include "resource.h"
#include "scratch.h"
#include "shell/startup.h"
#include "system.h"
#include "texts.h"

namespace {

DWORD RunProbe(const std::string& exe, const wchar_t* argument, const std::string& workingDir)
{
    OutsideInstaller probe;
    DWORD code = 99;
    return probe.Start(exe, workingDir, argument) && probe.WaitForExit(30000, &code) ? code : 98;
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
    EXPECT_EQ(1u, RunProbe(download / "plant_probe.exe", L"unprotected", elsewhere.path()));
    EXPECT_TRUE(Exists(download / "plant_mark.dll.mark"));
    RemoveTree(download / "plant_mark.dll.mark");

    EXPECT_EQ(0u, RunProbe(download / "plant_probe.exe", L"protected", elsewhere.path()));
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

// The shipped exe as a file: what the loader binds before WinMain and the flags it honours.
struct PeFile {
    std::string bytes;
    const IMAGE_NT_HEADERS32* nt = nullptr;

    explicit PeFile(const std::string& path) : bytes(ReadFile(path))
    {
        const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)bytes.data();
        if (bytes.size() > sizeof *dos && dos->e_magic == IMAGE_DOS_SIGNATURE &&
            (size_t)dos->e_lfanew + sizeof(IMAGE_NT_HEADERS32) < bytes.size())
            nt = (const IMAGE_NT_HEADERS32*)(bytes.data() + dos->e_lfanew);
    }
    // The file offset of a relative virtual address, through the section table.
    size_t Offset(DWORD rva) const
    {
        const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
        for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
            if (rva >= section->VirtualAddress && rva < section->VirtualAddress + section->Misc.VirtualSize)
                return rva - section->VirtualAddress + section->PointerToRawData;
        }
        return bytes.size();
    }
    const IMAGE_DATA_DIRECTORY& Directory(int index) const { return nt->OptionalHeader.DataDirectory[index]; }
};

TEST(Startup, TheShippedExeBindsOnlyKernelAndTheCRuntimeBeforeItsFirstLine)
{
    PeFile exe(FromUnixPath(SHIPPED_PACKAGE_DIR) + "\\instalator.exe");
    ASSERT_TRUE(exe.nt && exe.nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC);

    std::set<std::string> imports;
    const IMAGE_DATA_DIRECTORY& importDir = exe.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    for (size_t at = exe.Offset(importDir.VirtualAddress); at + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= exe.bytes.size();
         at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const IMAGE_IMPORT_DESCRIPTOR* import = (const IMAGE_IMPORT_DESCRIPTOR*)(exe.bytes.data() + at);
        if (import->Name == 0)
            break;
        std::string name = exe.bytes.c_str() + exe.Offset(import->Name);
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        imports.insert(name);
    }
    EXPECT_EQ((std::set<std::string>{"kernel32.dll", "msvcrt.dll"}), imports);

    // Windows 10 1607 and later then resolve even a future static import from System32 only.
    const IMAGE_DATA_DIRECTORY& config = exe.Directory(IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG);
    size_t at = exe.Offset(config.VirtualAddress);
    ASSERT_GE(config.Size, 56u);
    ASSERT_LE(at + 56, exe.bytes.size());
    EXPECT_EQ(config.Size, *(const DWORD*)(exe.bytes.data() + at)) << "the structure's own size field";
    EXPECT_EQ(0x800, *(const WORD*)(exe.bytes.data() + at + 54)) << "DependentLoadFlags";

    const WORD wanted = IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | IMAGE_DLLCHARACTERISTICS_NX_COMPAT |
                        IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE;
    EXPECT_EQ(wanted, exe.nt->OptionalHeader.DllCharacteristics & wanted);
}

// The modules loaded in another process right now.
std::set<std::string> LoadedModules(DWORD processId)
{
    std::set<std::string> names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE)
        return names;
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
        std::string name = entry.szModule;
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        names.insert(name);
    }
    CloseHandle(snapshot);
    return names;
}

// Welcome Yes, Install with the defaults (reader drivers and Java), details, Close, the notice. Returns
// the report; `modules` receives what the process had loaded once the run was over.
std::wstring FullRun(const std::string& exe, const std::string& workingDir, std::set<std::string>* modules)
{
    OutsideInstaller installer;
    if (!installer.Start(exe, workingDir))
        return L"<not started>";
    HWND welcome = installer.WaitForMessageBox(Wide1250(kWelcomeCaption));
    if (!welcome)
        return L"<no welcome prompt>";
    Click(welcome, IDYES);
    HWND dialog = installer.WaitForDialog();
    if (!dialog)
        return L"<no dialog>";
    Click(dialog, IDOK);
    if (!WaitForItemText(dialog, IDOK, L"&Szczegóły >>"))
        return L"<no report>";
    Click(dialog, IDOK);
    std::wstring report = ItemTextOf(dialog, IDE_REPORT);
    if (modules)
        *modules = LoadedModules(installer.processId());
    Click(dialog, IDCANCEL);
    if (HWND notice = installer.WaitForMessageBox(L"Info"))
        Click(notice, IDOK);
    installer.WaitForExit(15000);
    return report;
}

TEST(Startup, NoDllPlantedBesideTheProgramOrInItsFoldersLoadsDuringAFullRun)
{
    ScratchDir root("planted");
    ScratchDir workingDir("planted-cwd");
    ASSERT_EQ(0, CopyTree((FromUnixPath(STAGED_PACKAGE_DIR) + "\\*").c_str(), root.path().c_str(), 1, nullptr));
    const std::string exe = root / "instalator.exe";

    std::set<std::string> names;
    std::wstring cleanReport = FullRun(exe, workingDir.path(), &names);
    ASSERT_NE(std::wstring::npos, cleanReport.find(L"Instalacja sterownika")) << Utf8(cleanReport);
    ASSERT_GT(names.size(), 3u) << "the module walk saw nothing";
    for (const char* suspect : {"version.dll", "uxtheme.dll", "dwmapi.dll", "cryptbase.dll", "userenv.dll",
                                "winscard.dll", "ucrtbase.dll", "sechost.dll", "imm32.dll", "msimg32.dll",
                                "zlib1.dll", "win32u.dll", "comctl32.dll", "bcrypt.dll"})
        names.insert(suspect);
    // What no planted file can replace: the exe itself and what the loader maps before any search.
    for (const char* fixed : {"instalator.exe", "ntdll.dll", "kernel32.dll", "kernelbase.dll", "msvcrt.dll"})
        names.erase(fixed);

    const std::string mark = FromUnixPath(TEST_BINARY_DIR) + "\\plant_mark.dll";
    std::vector<std::string> planted;
    for (const std::string& folder : {root.path(), workingDir.path(), root / "msie", root / "ns", root / "sun",
                                      root / "Drivers"}) {
        for (const std::string& name : names) {
            planted.push_back(folder + "\\" + name);
            ASSERT_TRUE(CopyFileA(mark.c_str(), planted.back().c_str(), FALSE)) << planted.back();
        }
    }
    // Wine: in the installer's process, prefer a native DLL of these names wherever the search finds one.
    const char overrides[] = "Software\\Wine\\AppDefaults\\instalator.exe\\DllOverrides";
    for (const std::string& name : names)
        RegSetKeyValueA(HKEY_CURRENT_USER, overrides, name.substr(0, name.size() - 4).c_str(), REG_SZ,
                        "native,builtin", 15);
    std::wstring plantedReport = FullRun(exe, workingDir.path(), nullptr);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\instalator.exe");

    EXPECT_EQ(cleanReport, plantedReport);
    // A program the package starts (the driver's batch file) is not the installer's business here.
    for (const std::string& dll : planted) {
        std::string loader = ReadFile(dll + ".mark");
        EXPECT_EQ(std::string::npos, loader.find("instalator.exe")) << dll << " was loaded by " << loader;
    }
}

TEST(Startup, TheShippedManifestAsksForAdministratorRightsThemesAndDpiAwareness)
{
    // Without administrator rights a 32-bit installer is virtualised: its system-directory copies land
    // in a VirtualStore. Without the rest it is drawn in the classic style, and blurred when scaled.
    HMODULE exe = LoadLibraryExA((FromUnixPath(SHIPPED_PACKAGE_DIR) + "\\instalator.exe").c_str(), nullptr,
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
