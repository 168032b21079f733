// The checked copy on the prefix's real file system, its conflict prompt answered by a hook, and the
// prompt's text composed directly for sizes and names that a scratch folder cannot hold.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "copy/copy_file.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"
#include "texts.h"

namespace {

FILETIME WriteTimeOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

void SetWriteFileTime(const std::string& path, FILETIME time)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

bool ReadOnly(const std::string& path)
{
    return (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) != 0;
}

std::wstring Widen(const std::string& text)
{
    return Wide1250(text.c_str());  // the prefix runs with code page 1250, the program's own
}

class CopyFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The first message box of a process opens user32's lasting handles: not a leak of ours.
        {
            PromptResponder warmUp(IDABORT);
            MessageBoxW(nullptr, L"warm-up", L"warm-up", MB_ABORTRETRYIGNORE);
        }
        prompts_.reset(new PromptResponder(IDABORT));
        WriteFile(source_, "source!");
        SetWriteTime(source_, 2013, 9, 30, 14, 5, 9);
    }

    // The copy, checked for handles left open on whatever path it took.
    int Copy(const std::string& source, const std::string& destination, int skipIdentical)
    {
        int handles = CountOpenHandles();
        int status = CopyFileChecked(source.c_str(), destination.c_str(), skipIdentical);
        EXPECT_EQ(handles, CountOpenHandles()) << "handles leaked";
        return status;
    }

    // A destination of the source's size and time, as an earlier copy leaves it, held in use.
    void MakeIdenticalDestination()
    {
        ASSERT_TRUE(CopyFileA(source_.c_str(), dest_.c_str(), FALSE));
        SetFileAttributesA(dest_.c_str(), FILE_ATTRIBUTE_READONLY);
    }

    size_t PromptCount() const { return prompts_->prompts().size(); }

    ScratchDir scratch_{"copy"};
    std::string source_ = scratch_ / "source.dll";
    std::string dest_ = scratch_ / "dest.dll";
    std::unique_ptr<PromptResponder> prompts_;
};

TEST_F(CopyFileTest, FreshCopyOfAReadOnlySourceIsWritable)
{
    SetFileAttributesA(source_.c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(kCopyDone, Copy(source_, dest_, 0));
    EXPECT_EQ("source!", ReadFile(dest_));
    EXPECT_FALSE(ReadOnly(dest_));
    EXPECT_TRUE(ReadOnly(source_));
    EXPECT_EQ(0u, PromptCount());
    SetFileAttributesA(source_.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(CopyFileTest, UnopenableFilesFailWithoutAPrompt)
{
    EXPECT_EQ(kCopyFailed, Copy(scratch_ / "missing.dll", dest_, 0));
    EXPECT_EQ(kCopyFailed, Copy(source_, scratch_ / "no-such-folder\\dest.dll", 1));
    EXPECT_EQ(0u, PromptCount());
}

TEST_F(CopyFileTest, IdenticalDestinationInUseIsSkippedOnlyWhenAsked)
{
    MakeIdenticalDestination();
    HeldOpen inUse(dest_);

    EXPECT_EQ(kCopyDone, Copy(source_, dest_, 1));
    EXPECT_EQ(0u, PromptCount());
    EXPECT_TRUE(ReadOnly(dest_)) << "a skipped destination keeps its attributes";

    prompts_->Queue(IDIGNORE);
    EXPECT_EQ(kCopyDone, Copy(source_, dest_, 0));
    EXPECT_EQ(1u, PromptCount());
}

TEST_F(CopyFileTest, AnyDifferenceInTimeOrSizeAsks)
{
    struct Case {
        const char* what;
        const char* content;
        LONGLONG ticksLater;  // 100-nanosecond units
    };
    const Case cases[] = {
        {"one tick later", "source!", 1},
        {"one second earlier", "source!", -10000000},
        {"one byte longer", "source!!", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetFileAttributesA(dest_.c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteFile(dest_, c.content);
        ULARGE_INTEGER time;
        FILETIME sourceTime = WriteTimeOf(source_);
        time.LowPart = sourceTime.dwLowDateTime;
        time.HighPart = sourceTime.dwHighDateTime;
        time.QuadPart += c.ticksLater;
        SetWriteFileTime(dest_, FILETIME{time.LowPart, time.HighPart});
        HeldOpen inUse(dest_);
        size_t before = PromptCount();

        prompts_->Queue(IDIGNORE);
        EXPECT_EQ(kCopyDone, Copy(source_, dest_, 1));
        EXPECT_EQ(before + 1, PromptCount());
        EXPECT_EQ(c.content, ReadFile(dest_)) << "Ignore leaves the destination alone";
    }
}

TEST_F(CopyFileTest, PromptShowsBothFilesNamesSizesAndUtcTimes)
{
    std::string dest = scratch_ / "zażółć.dll";
    WriteFile(dest, "old");
    SetWriteTime(dest, 2001, 2, 3, 4, 5, 6);
    HeldOpen inUse(dest);

    EXPECT_EQ(kCopyAborted, Copy(source_, dest, 0));
    ASSERT_EQ(1u, PromptCount());
    const Prompt& prompt = prompts_->prompts()[0];
    EXPECT_EQ(Wide1250(kConflictCaption), prompt.caption);
    EXPECT_EQ(Widen("Wykryto problem przy próbie skopiowania pliku do katalogu docelowego.\n"
                    "Podany plik już istnieje.\n\nInformacje o plikach:\n\n"
                    "ŹRÓDŁOWY\nNazwa: " + source_ + "\nRozmiar: 7\nData modyfikacji: 2013-09-30, 14:05:09\n\n"
                    "DOCELOWY\nNazwa: " + dest + "\nRozmiar: 3\nData modyfikacji: 2001-02-03, 04:05:06\n\n"),
              prompt.text);
    EXPECT_EQ("old", ReadFile(dest));
}

TEST_F(CopyFileTest, RetryReplacesTheDestinationOnceItIsReleased)
{
    WriteFile(dest_, "old");
    SetFileAttributesA(dest_.c_str(), FILE_ATTRIBUTE_READONLY);
    auto inUse = std::make_shared<HeldOpen>(dest_);
    prompts_->SetHandler([inUse](const Prompt&) {
        inUse->Release();
        return IDRETRY;
    });

    int handles = CountOpenHandles();
    EXPECT_EQ(kCopyDone, CopyFileChecked(source_.c_str(), dest_.c_str(), 0));
    EXPECT_EQ(handles - 1, CountOpenHandles()) << "only the test's own handle is gone";
    EXPECT_EQ(1u, PromptCount());
    EXPECT_EQ("source!", ReadFile(dest_));
    EXPECT_FALSE(ReadOnly(dest_));
}

TEST_F(CopyFileTest, RetryAsksAgainWhileTheDestinationStaysInUse)
{
    WriteFile(dest_, "old");
    HeldOpen inUse(dest_);
    for (int i = 0; i < 4; ++i)
        prompts_->Queue(IDRETRY);
    prompts_->Queue(IDABORT);

    EXPECT_EQ(kCopyAborted, Copy(source_, dest_, 0));
    EXPECT_EQ(5u, PromptCount());
    EXPECT_EQ("old", ReadFile(dest_));
}

LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam)
{
    return code == HCBT_CREATEWND ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
}

// A prompt that could not be shown is no answer: the copy did not happen and must not count as done.
TEST_F(CopyFileTest, PromptThatCannotBeShownFails)
{
    WriteFile(dest_, "old");
    HeldOpen inUse(dest_);
    HHOOK refuse = SetWindowsHookExW(WH_CBT, RefuseWindows, nullptr, GetCurrentThreadId());

    int status = Copy(source_, dest_, 0);
    UnhookWindowsHookEx(refuse);
    EXPECT_EQ(kCopyFailed, status);
    EXPECT_EQ("old", ReadFile(dest_));
}

ConflictFileFacts Facts(const char* name, unsigned long long size)
{
    ConflictFileFacts facts = {name, size, 2013, 9, 30, 14, 5, 9};
    return facts;
}

TEST(ConflictText, SizesAreFullUnsigned64BitNumbers)
{
    wchar_t text[kConflictTextChars];
    ComposeConflictText(Facts("a.dll", 4294967296ull), Facts("b.dll", 3221225472ull), text);
    std::wstring shown = text;
    EXPECT_NE(std::wstring::npos, shown.find(L"Nazwa: a.dll\nRozmiar: 4294967296\n")) << shown;
    EXPECT_NE(std::wstring::npos, shown.find(L"Nazwa: b.dll\nRozmiar: 3221225472\n")) << shown;

    ComposeConflictText(Facts("a.dll", 18446744073709551615ull), Facts("b.dll", 5368709121ull), text);
    shown = text;
    EXPECT_NE(std::wstring::npos, shown.find(L"Rozmiar: 18446744073709551615\n")) << shown;
    EXPECT_NE(std::wstring::npos, shown.find(L"Rozmiar: 5368709121\n")) << shown;
}

// The text keeps all its lines within its buffer: only the names give way, from the front.
TEST(ConflictText, LongNamesAreShortenedFromTheFront)
{
    struct Case {
        const char* what;
        std::string source;
        std::string destination;
    };
    const std::string longSource = "C:\\" + std::string(240, 's') + "\\source-end.jar";
    const std::string longDest = "C:\\" + std::string(240, 'd') + "\\target-end.jar";
    const Case cases[] = {
        {"both long", longSource, longDest},
        {"short source", "ocf1.2.jar", longDest},
        {"short destination", longSource, "C:\\x.jar"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        wchar_t text[kConflictTextChars + 1];
        text[kConflictTextChars] = L'#';
        ComposeConflictText(Facts(c.source.c_str(), 1), Facts(c.destination.c_str(), 2), text);
        EXPECT_EQ(L'#', text[kConflictTextChars]) << "wrote past the prompt buffer";
        std::wstring shown = text;
        EXPECT_LT(shown.size(), (size_t)kConflictTextChars);

        for (const std::string* name : {&c.source, &c.destination}) {
            size_t start = shown.find(L"Nazwa: ", name == &c.source ? 0 : shown.find(L"DOCELOWY"));
            ASSERT_NE(std::wstring::npos, start);
            start += 7;
            std::wstring wide = Widen(*name);
            std::wstring seen = shown.substr(start, shown.find(L'\n', start) - start);
            if (seen == wide)
                continue;
            ASSERT_EQ(0u, seen.find(L"...")) << "a cut name is marked";
            std::wstring tail = seen.substr(3);
            EXPECT_EQ(wide.substr(wide.size() - tail.size()), tail) << "a cut name keeps its end";
        }
        EXPECT_NE(std::wstring::npos, shown.find(L"\nRozmiar: 2\nData modyfikacji: 2013-09-30, 14:05:09\n\n"))
            << "the last lines survive";
        EXPECT_EQ(shown.size(), (size_t)kConflictTextChars - 1) << "names get all the room there is";
    }
    // A short name is never cut.
    wchar_t text[kConflictTextChars];
    ComposeConflictText(Facts("ocf1.2.jar", 1), Facts(longDest.c_str(), 2), text);
    EXPECT_NE(std::wstring::npos, std::wstring(text).find(L"Nazwa: ocf1.2.jar\n"));
}

}  // namespace
