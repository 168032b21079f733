// The reader driver installer: the reader-name search, PC/SC detection through the real loader
// with a stand-in winscard.dll, the driver installers it starts, and the real exe end to end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components/components.h"
#include "components/reader_driver.h"
#include "prompts.h"
#include "resource.h"
#include "scratch.h"
#include "system.h"
#include "texts.h"

namespace {

const std::string kStandIns = FromUnixPath(TEST_BINARY_DIR "/standin");
const char* const kDriverFiles[] = {"twin.bat", "410.exe", "twin64.bat", nullptr, "twin8.bat", "twin8_64.bat"};

// Answers of the stand-in PC/SC library (see fixtures/winscard_standin.c).
void AnswerReaders(const std::string& names, unsigned sizeStatus = 0, unsigned listStatus = 0,
                   long sizeLength = -1, long listLength = -1)
{
    char answer[64];
    snprintf(answer, sizeof answer, "%x/%x/%ld/%ld/", sizeStatus, listStatus, sizeLength, listLength);
    SetEnvironmentVariableA("SCARD_STANDIN", (answer + names).c_str());
    SetEnvironmentVariableA("SCARD_STANDIN_CALLS", nullptr);
}

std::string Env(const char* name)
{
    char value[4096];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n && n < sizeof value ? value : "";
}

// Selects native libraries over Wine's own for winscard; Wine's own still serves when the file in
// the system directory is Wine's. Set for the life of the test program.
class NativeWinscard : public testing::Environment {
    void SetUp() override { Set("native,builtin"); }
    void TearDown() override { Set(nullptr); }
    static void Set(const char* order)
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        if (order)
            RegSetValueExA(key, "winscard", 0, REG_SZ, (const BYTE*)order, (DWORD)strlen(order) + 1);
        else
            RegDeleteValueA(key, "winscard");
        RegCloseKey(key);
    }
};
testing::Environment* const g_nativeWinscard = testing::AddGlobalTestEnvironment(new NativeWinscard);

// The stand-in in the system directory for the life of the object; Wine's own file is put back after.
class SystemStandIn {
public:
    SystemStandIn() : target_(SystemDirectory() + "\\winscard.dll"), saved_(target_ + ".tests-saved")
    {
        if (!Exists(saved_))
            CopyFileA(target_.c_str(), saved_.c_str(), TRUE);
        EXPECT_TRUE(CopyFileA((kStandIns + "\\winscard.dll").c_str(), target_.c_str(), FALSE));
    }
    ~SystemStandIn()
    {
        CopyFileA(saved_.c_str(), target_.c_str(), FALSE);
        DeleteFileA(saved_.c_str());
    }

private:
    std::string target_, saved_;
};

// A package root whose Drivers folder holds installers that record where they ran, in `records`.
class TestPackage {
public:
    explicit TestPackage(const std::string& name, bool withDrivers = true) : dir_(name), records_(dir_ / "records")
    {
        MakeDirs(records_);
        SetEnvironmentVariableA("DRIVER_RECORD_DIR", records_.c_str());
        if (!withDrivers)
            return;
        MakeDirs(dir_ / "Drivers");
        for (const char* file : kDriverFiles) {
            if (file && strstr(file, ".bat"))
                WriteFile(dir_ / "Drivers\\" + file,
                          std::string("@echo off\r\ncd > \"%DRIVER_RECORD_DIR%\\") + file + ".ran\"\r\n");
        }
        CopyFileA((kStandIns + "\\driver_recorder.exe").c_str(), (dir_ / "Drivers\\410.exe").c_str(), FALSE);
    }
    ~TestPackage() { Sleep(300); }  // let a started installer end before its folder goes

    const std::string& root() const { return dir_.path(); }
    std::string operator/(const std::string& relative) const { return dir_ / relative; }

    // The folder the installer `file` ran in, "" when it did not run within the time.
    std::string WaitForRun(const std::string& file, DWORD milliseconds = 30000) const
    {
        const std::string record = records_ + "\\" + file + ".ran";
        for (DWORD waited = 0; waited < milliseconds; waited += 50) {
            std::string content = ReadFile(record);
            if (content.size() > 2 && content.compare(content.size() - 2, 2, "\r\n") == 0)
                return content.substr(0, content.find_last_not_of(" \r\n") + 1);
            Sleep(50);
        }
        return "";
    }
    int RunCount() const
    {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((records_ + "\\*.ran").c_str(), &found);
        int count = 0;
        if (find != INVALID_HANDLE_VALUE) {
            do
                ++count;
            while (FindNextFileA(find, &found));
            FindClose(find);
        }
        return count;
    }

private:
    ScratchDir dir_;
    std::string records_;
};

struct SearchCase {
    std::string list;
    unsigned long length;  // 0: the whole list
    int found;
};

TEST(ReaderListSearch, FindsGemplusCaselessWithinTheLengthOnly)
{
    const std::string s(1, '\0');
    const SearchCase cases[] = {
        {"Gemplus USB Reader 0" + s + s, 0, 1},
        {"a gemPlUS b" + s + s, 0, 1},
        {"GGEMPLUS" + s + s, 0, 1},
        {"GEMPLGEMPLUS" + s + s, 0, 1},
        {"GEMGEMPGEMPLUS", 0, 1},
        {"Reader GEMP" + s + "LUS Reader" + s + s, 0, 0},
        {"GEMPLU" + s + s, 0, 0},
        {"GEMPLU", 0, 0},
        {"\xC7\xC5\xCD\xD0\xCC\xD5\xD3" + s, 0, 0},  // the letters with the high bit set
        {"G\xC5MPLUS" + s, 0, 0},
        {"GEMPL@US", 0, 0},
        {"Reader 0" + s + "GEMPLUS", 0, 1},  // the pattern ends at the last byte
        {"Reader 0" + s + "GEMPLUS", 14, 0},
        {"xxGEMPLUS", 8, 0},
        {"", 0, 0},
    };
    for (const SearchCase& c : cases) {
        unsigned long length = c.length ? c.length : (unsigned long)c.list.size();
        // Exactly `length` bytes, so that a read past them would land outside the block.
        std::vector<char> block(c.list.begin(), c.list.begin() + length);
        EXPECT_EQ(c.found, ReaderListHasGemplus(block.data(), length)) << c.list << " / " << length;
    }
}

class ReaderDriver : public testing::Test {
protected:
    // Runs the installer from the package root with a sentinel-filled message buffer.
    int Install(const TestPackage& package, unsigned code, int capacity = 592)
    {
        ScopedCurrentDirectory root(package.root());
        memset(message_, '#', sizeof message_);
        message_[sizeof message_ - 1] = '\0';
        int result = InstallReaderDriver(code, message_, capacity);
        EXPECT_EQ(package.root(), CurrentDirectory());
        return result;
    }
    bool Untouched() const { return message_[0] == '#' && message_[1] == '#'; }

    char message_[600];
};

TEST_F(ReaderDriver, AnyDetectionFailureStartsTheDriverSilently)
{
    {
        TestPackage package("driver-wine-own");  // Wine's own library: no readers
        EXPECT_EQ(0, Install(package, 0));
        EXPECT_TRUE(Untouched());
        EXPECT_EQ(package / "Drivers", package.WaitForRun("twin.bat"));
    }
    SystemStandIn standIn;
    struct Case {
        const char* what;
        unsigned sizeStatus, listStatus;
        long sizeLength, listLength;
        const char* names;
    } cases[] = {
        {"no readers", 0x8010002E, 0, -1, -1, "GEMPLUS"},
        {"service not running", 0x8010001D, 0, -1, -1, "GEMPLUS"},
        {"size call fails", 0x80100001, 0, -1, -1, "GEMPLUS"},
        {"list call fails", 0, 0x80100008, -1, -1, "GEMPLUS"},
        {"size of nothing", 0, 0, 0, -1, "GEMPLUS"},
        {"other readers", 0, 0, -1, -1, "SCM Microsystems SCR3310 0|Omnikey CardMan 3121 0"},
        {"split across names", 0, 0, -1, -1, "Reader GEMP|LUS 0"},
        {"reported length stops short of it", 0, 0, -1, 3, "GEMPLUS Twin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AnswerReaders(c.names, c.sizeStatus, c.listStatus, c.sizeLength, c.listLength);
        TestPackage package("driver-detect");
        EXPECT_EQ(0, Install(package, 0));
        EXPECT_TRUE(Untouched());
        EXPECT_EQ(package / "Drivers", package.WaitForRun("twin.bat"));
    }
    // Every reader is asked for (no context, no group); the size call passes no buffer.
    AnswerReaders("Reader 0");
    TestPackage package("driver-calls");
    Install(package, 0);
    EXPECT_EQ("0,1,1;0,1,0;", Env("SCARD_STANDIN_CALLS"));
}

TEST_F(ReaderDriver, ListedGemplusReaderIsReportedAndNothingStarts)
{
    SystemStandIn standIn;
    std::string many;
    for (int i = 0; i < 400; ++i)
        many += "Generic Smart Card Reader " + std::to_string(i) + "|";
    struct Case {
        const char* what;
        std::string names;
        long sizeLength, listLength;
    } cases[] = {
        {"one reader", "Gemplus USB Smart Card Reader 0", -1, -1},
        {"among others", "Omnikey 0|GemPC Twin GEMPLUS 0|Omnikey 1", -1, -1},
        {"last of a long list", many + "gemplus gempc410 0", -1, -1},
        {"list without its NULs", "Reader GEMPLUS", 14, -1},
        {"list length claimed beyond the block", "GEMPLUS 0", -1, 100000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AnswerReaders(c.names, 0, 0, c.sizeLength, c.listLength);
        TestPackage package("driver-present");
        EXPECT_EQ(3, Install(package, 0));
        EXPECT_STREQ(kMsgGemplusPresent, message_);
    }
    // Neither the Drivers folder nor the driver code is looked at then.
    AnswerReaders("GEMPLUS 0");
    TestPackage bare("driver-present-bare", false);
    EXPECT_EQ(3, Install(bare, 0));
    EXPECT_EQ(3, Install(bare, 6));
    EXPECT_EQ(3, InstallReaderDriver(3, nullptr, 592));
    TestPackage package("driver-present-full");
    EXPECT_EQ(3, Install(package, 0));
    Sleep(1000);
    EXPECT_EQ(0, package.RunCount());
}

TEST_F(ReaderDriver, EachCodeStartsItsInstallerInDrivers)
{
    for (unsigned code : {0u, 1u, 2u, 4u, 5u}) {
        SCOPED_TRACE(kDriverFiles[code]);
        TestPackage package("driver-code");
        EXPECT_EQ(0, Install(package, code));
        EXPECT_TRUE(Untouched());
        EXPECT_EQ(package / "Drivers", package.WaitForRun(kDriverFiles[code]));
        EXPECT_EQ(1, package.RunCount());
    }
}

TEST_F(ReaderDriver, ErrorsOfTheDriverStep)
{
    TestPackage package("driver-errors");
    for (unsigned code : {3u, 6u, 0xFFFFFFFFu}) {
        EXPECT_EQ(1, Install(package, code));
        EXPECT_STREQ(kMsgInvalidReaderType, message_);
    }
    DeleteFileA((package / "Drivers\\twin8.bat").c_str());
    EXPECT_EQ(1, Install(package, 4));
    EXPECT_STREQ("Błąd uruchomienia zewn. sterownika: Drivers\\twin8.bat", message_);
    EXPECT_EQ(1, Install(package, 4, 12));
    EXPECT_STREQ("Błąd urucho", message_);
    EXPECT_EQ('#', message_[12]);

    TestPackage bare("driver-no-folder", false);
    EXPECT_EQ(1, Install(bare, 0));
    EXPECT_STREQ(kMsgIncomplete, message_);
    {
        ScopedCurrentDirectory root(bare.root());
        EXPECT_EQ(1, InstallReaderDriver(0, nullptr, 592));
        EXPECT_EQ(bare.root(), CurrentDirectory());
    }
    Sleep(1000);
    EXPECT_EQ(0, package.RunCount());
}

TEST_F(ReaderDriver, NullBufferAndNoLeakedHandles)
{
    TestPackage package("driver-handles");
    ScopedCurrentDirectory root(package.root());
    InstallReaderDriver(0, nullptr, 592);  // first use loads what the calls below need
    package.WaitForRun("twin.bat");
    DeleteFileA((package / "records\\twin.bat.ran").c_str());

    int before = CountOpenHandles();
    EXPECT_EQ(0, InstallReaderDriver(2, nullptr, 592));
    EXPECT_EQ(1, InstallReaderDriver(3, nullptr, 592));
    {
        SystemStandIn standIn;
        AnswerReaders("GEMPLUS 0");
        EXPECT_EQ(3, InstallReaderDriver(0, nullptr, 592));
    }
    EXPECT_EQ(before, CountOpenHandles());
    EXPECT_EQ(package / "Drivers", package.WaitForRun("twin64.bat"));
}

// A winscard.dll anywhere but the system directory would run with the installer's rights.
TEST_F(ReaderDriver, PlantedPcscLibraryIsNeverLoaded)
{
    AnswerReaders("GEMPLUS 0");  // what a planted copy of the stand-in would answer
    const std::string standIn = kStandIns + "\\winscard.dll";
    const std::string besideTests = FromUnixPath(TEST_BINARY_DIR "/winscard.dll");
    TestPackage package("driver-planted");
    for (const std::string& planted : {package / "winscard.dll", package / "Drivers\\winscard.dll", besideTests})
        CopyFileA(standIn.c_str(), planted.c_str(), FALSE);

    EXPECT_EQ(0, Install(package, 0));
    EXPECT_EQ(package / "Drivers", package.WaitForRun("twin.bat"));
    for (int flags : {1, 0}) {
        ScopedCurrentDirectory root(package.root());
        HMODULE library = LoadSystemLibrary("winscard.dll", flags);
        ASSERT_TRUE(library) << flags;
        EXPECT_FALSE(GetProcAddress(library, "ScardStandInMarker")) << flags;
        FreeLibrary(library);
    }
    DeleteFileA(besideTests.c_str());

    // The fallback without search flags still finds the system directory's library.
    SystemStandIn system;
    HMODULE library = LoadSystemLibrary("winscard.dll", 0);
    ASSERT_TRUE(library);
    EXPECT_TRUE(GetProcAddress(library, "ScardStandInMarker"));
    FreeLibrary(library);
}

// ---- The real exe ----

struct FoundWindow {
    DWORD process;
    bool wantDialog;
    HWND window;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param)
{
    FoundWindow* found = (FoundWindow*)param;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (process != found->process || !IsWindowVisible(window) || strcmp(cls, "#32770") != 0 ||
        (GetDlgItem(window, IDE_REPORT) != nullptr) != found->wantDialog)
        return TRUE;
    found->window = window;
    return FALSE;
}

// The message box (or with `dialog`, the component dialog) that the process shows.
HWND WaitForWindow(DWORD process, bool dialog)
{
    FoundWindow found = {process, dialog, nullptr};
    for (int i = 0; i < 600 && !found.window; ++i) {
        EnumWindows(MatchWindow, (LPARAM)&found);
        if (!found.window)
            Sleep(50);
    }
    return found.window;
}

std::wstring Text(HWND dialog, int id)
{
    wchar_t text[4096] = L"";
    GetDlgItemTextW(dialog, id, text, 4096);
    return text;
}

// Runs instalator.exe in `package` with only the reader drivers ticked and reader type `index`;
// returns label 1005 and the report.
void RunExe(const TestPackage& package, int index, std::wstring* label, std::wstring* report)
{
    const std::string exe = package / "instalator.exe";
    ASSERT_TRUE(CopyFileA(FromUnixPath(STAGED_PACKAGE_DIR "/instalator.exe").c_str(), exe.c_str(), FALSE));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, package.root().c_str(),
                               &startup, &process));
    HWND welcome = WaitForWindow(process.dwProcessId, false);
    EXPECT_TRUE(welcome);
    PostMessageW(welcome, WM_COMMAND, IDYES, 0);
    HWND dialog = WaitForWindow(process.dwProcessId, true);
    EXPECT_TRUE(dialog);
    if (dialog) {
        SendDlgItemMessageW(dialog, IDC_CHECK_JAVA, BM_SETCHECK, BST_UNCHECKED, 0);
        SendDlgItemMessageW(dialog, IDC_CHECK_DRIVERS, BM_SETCHECK, BST_CHECKED, 0);
        SendDlgItemMessageW(dialog, IDC_READER_TYPE, CB_SETCURSEL, index, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDOK));
        *label = Text(dialog, IDT_STATUS_DRIVERS);
        *report = Text(dialog, IDE_REPORT);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDCANCEL));
        HWND restart = WaitForWindow(process.dwProcessId, false);
        EXPECT_TRUE(restart);
        PostMessageW(restart, WM_COMMAND, IDOK, 0);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 30000));
    TerminateProcess(process.hProcess, 1);  // a no-op once it has ended
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

TEST(ReaderDriverExe, EachReaderTypeStartsItsInstallerAndReportsOk)
{
    const char* const expected[] = {"twin.bat", "twin64.bat", "twin8.bat", "twin8_64.bat"};
    for (int index = 0; index < 4; ++index) {
        SCOPED_TRACE(expected[index]);
        TestPackage package("driver-exe");
        std::wstring label, report;
        RunExe(package, index, &label, &report);
        EXPECT_EQ(L"OK", label);
        EXPECT_EQ(Wide1250(kDriverLinePrefix) + L"OK\r\n\r\n", report);
        EXPECT_EQ(package / "Drivers", package.WaitForRun(expected[index]));
        EXPECT_EQ(1, package.RunCount());
    }
}

TEST(ReaderDriverExe, PackageShipsEveryDriverInstaller)
{
    for (const char* file : kDriverFiles) {
        if (file)
            EXPECT_TRUE(Exists(FromUnixPath(STAGED_PACKAGE_DIR "/Drivers/") + file)) << file;
    }
}

TEST(ReaderDriverExe, ListedGemplusReaderReadsAsAttention)
{
    SystemStandIn standIn;
    AnswerReaders("Gemplus GemPC Twin 00 00");
    TestPackage package("driver-exe-present");
    std::wstring label, report;
    RunExe(package, 0, &label, &report);
    EXPECT_EQ(L"UWAGA", label);
    EXPECT_EQ(Wide1250(kDriverLinePrefix) + L"UWAGA - " + Wide1250(kMsgGemplusPresent) + L"\r\n\r\n", report);
    Sleep(1000);
    EXPECT_EQ(0, package.RunCount());
}

}  // namespace
