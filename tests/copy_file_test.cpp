// The checked copy on the prefix's real file system, its conflict prompt answered by a hook, and the
// prompt's text composed directly for sizes and names that a scratch folder cannot hold.
#include <gtest/gtest.h>

#include <tuple>

#include "copy/copy_file.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"
#include "texts.h"

namespace {

// Sets the last-write time to 2013-09-30 14:05:09 UTC plus ticks of 100 ns.
void SetTicks(const std::string& path, LONGLONG ticks)
{
    ULONGLONG time = 130250235090000000ull + ticks;
    FILETIME at = {(DWORD)time, (DWORD)(time >> 32)};
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &at);
    CloseHandle(file);
}

LRESULT CALLBACK NoWindow(int code, WPARAM wParam, LPARAM lParam)
{
    return code == HCBT_CREATEWND ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(CheckedCopy, ConflictsAreSkippedAskedRetriedOrAborted)
{
    // The destination's content (null: none) and its write time against the source's, in 100 ns; it is held in
    // use so that CopyFileA fails. Answers: I, R, A; r: release the destination, then Retry; x: no window opens;
    // a leading D: its holder lets others delete it.
    const std::tuple<const char*, const char*, LONGLONG, bool, int, const char*, int, size_t, const char*> cases[] = {
        // what, destination, ticks, read-only, skipIdentical, answers, status, prompts, destination afterwards
        {"fresh copy of a read-only source", nullptr, 0, false, 0, "", kCopyDone, 0, "source!"},
        {"identical, skipped", "source!", 0, true, 1, "", kCopyDone, 0, "source!"},
        {"identical, not skipped", "source!", 0, false, 0, "I", kCopyDone, 1, "source!"},
        {"one tick later", "source!", 1, false, 1, "I", kCopyDone, 1, "source!"},
        {"later in the high half", "source!", 1ll << 32, false, 1, "I", kCopyDone, 1, "source!"},
        {"one byte longer", "source!!", 0, false, 1, "I", kCopyDone, 1, "source!!"},
        {"retry once released", "old", 0, true, 0, "r", kCopyDone, 1, "source!"},
        {"retry while in use, then abort", "old", -36610000000ll, false, 0, "RRRRA", kCopyAborted, 5, "old"},
        // Windows refuses to open a file whose deletion waits for its last handle (no second prompt there);
        // Wine opens it, so the prompt returns. Either way the file is gone once its holder lets go.
        {"retry deletes what its holder lets go", "old", 0, false, 0, "DRA", kCopyAborted, 2, "<missing>"},
        {"the prompt cannot be shown", "old", 0, false, 0, "x", kCopyFailed, 0, "old"},
    };
    for (const auto& [what, content, ticks, readOnly, skipIdentical, answers, status, prompted, after] : cases) {
        SCOPED_TRACE(what);
        ScratchDir scratch("copy");
        std::string source = scratch / "source.dll", dest = scratch / "dest.dll";
        WriteFile(source, "source!");
        SetTicks(source, 0);
        SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_READONLY);
        if (content) {
            WriteFile(dest, content);
            SetTicks(dest, ticks);
            SetFileAttributesA(dest.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
        }
        PromptResponder prompts(IDABORT);
        int handles = CountOpenHandles();
        HeldOpen held(dest, *answers == 'D' ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ);
        for (const char* a = answers; *a; ++a) {
            if (*a == 'D')
                continue;
            if (*a == 'r')
                prompts.SetHandler([&held](const Prompt&) { return held.Release(), IDRETRY; });
            else if (*a != 'x')
                prompts.Queue(*a == 'I' ? IDIGNORE : *a == 'R' ? IDRETRY : IDABORT);
        }
        HHOOK refuse = *answers == 'x' ? SetWindowsHookExW(WH_CBT, NoWindow, nullptr, GetCurrentThreadId()) : 0;
        EXPECT_EQ(status, CopyFileChecked(source.c_str(), dest.c_str(), skipIdentical));
        UnhookWindowsHookEx(refuse);
        held.Release();
        EXPECT_EQ(handles, CountOpenHandles()) << "handles leaked";
        EXPECT_EQ(prompted, prompts.prompts().size());
        EXPECT_EQ(after, ReadFile(dest));
        bool nowReadOnly = Exists(dest) && (GetFileAttributesA(dest.c_str()) & FILE_ATTRIBUTE_READONLY) != 0;
        EXPECT_EQ(readOnly && after == std::string(content), nowReadOnly) << "cleared after every copy";
        if (prompted == 5) {  // UTC times, each file's own
            std::string text = "Wykryto problem przy próbie skopiowania pliku do katalogu docelowego.\nPodany plik"
                               " już istnieje.\n\nInformacje o plikach:\n\nŹRÓDŁOWY\nNazwa: " + source +
                               "\nRozmiar: 7\nData modyfikacji: 2013-09-30, 14:05:09\n\nDOCELOWY\nNazwa: " + dest +
                               "\nRozmiar: 3\nData modyfikacji: 2013-09-30, 13:04:08\n\n";
            EXPECT_EQ(Wide1250(text.c_str()), prompts.prompts()[0].text);
        }
    }
    ScratchDir scratch("copy");
    PromptResponder prompts(IDABORT);
    EXPECT_EQ(kCopyFailed, CopyFileChecked((scratch / "missing.dll").c_str(), (scratch / "dest.dll").c_str(), 0));
    EXPECT_TRUE(prompts.prompts().empty()) << "a missing source is no conflict";
}

// Sizes are full unsigned 64-bit numbers; the text stays within its buffer with all its lines, and
// only names too long for it give way, keeping their ends.
TEST(ConflictText, SizesAndLongNames)
{
    const std::string longSource = "C:\\" + std::string(240, 's') + "\\source-end.jar";
    const std::string longDest = "C:\\" + std::string(240, 'd') + "\\target-end.jar";
    const std::string cases[][2] = {{"a.dll", "b.dll"}, {longSource, longDest}, {"x.jar", longDest}, {longSource, "y"}};
    for (const auto& names : cases) {
        SCOPED_TRACE(names[0] + " " + names[1]);
        wchar_t text[kConflictTextChars + 1];
        text[kConflictTextChars] = L'#';
        ComposeConflictText({names[0].c_str(), 4294967296ull, 2013, 9, 30, 14, 5, 9},
                            {names[1].c_str(), 18446744073709551615ull, 2001, 2, 3, 4, 5, 6}, text);
        EXPECT_EQ(L'#', text[kConflictTextChars]) << "wrote past the prompt buffer";
        std::wstring shown = text;
        for (int i = 0; i < 2; ++i) {
            size_t at = shown.find(L"Nazwa: ", i == 0 ? 0 : shown.find(L"DOCELOWY")) + 7;
            std::wstring wide = Wide1250(names[i].c_str()), seen = shown.substr(at, shown.find(L'\n', at) - at);
            if (names[i].size() < 10 || seen == wide)
                EXPECT_EQ(wide, seen) << "a short name is never cut";
            else
                EXPECT_EQ(L"..." + wide.substr(wide.size() - seen.size() + 3), seen) << "cut at the front, marked";
        }
        EXPECT_NE(std::wstring::npos, shown.find(L"\nRozmiar: 4294967296\nData modyfikacji: 2013-09-30, 14:05:09\n"));
        EXPECT_EQ(L"\nRozmiar: 18446744073709551615\nData modyfikacji: 2001-02-03, 04:05:06\n\n",
                  shown.substr(shown.rfind(L"\nRozmiar: ")));
    }
}

}  // namespace
