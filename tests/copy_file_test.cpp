// The checked copy on the prefix's real file system, its conflict prompt answered by a hook, and the
// prompt's text composed directly for sizes and names that a scratch folder cannot hold.
#include <gtest/gtest.h>

#include "copy/copy_file.h"
#include "prompts.h"
#include "scratch.h"
#include "system.h"

// Writes a file last written at 2013-09-30 14:05:09 UTC plus ticks of 100 ns, with the given attributes.
void Put(const std::string& path, const char* content, LONGLONG ticks, DWORD attributes)
{
    WriteFile(path, content);
    ULONGLONG time = 130250235090000000ull + ticks;
    FILETIME at = {(DWORD)time, (DWORD)(time >> 32)};
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &at);
    CloseHandle(file);
    SetFileAttributesA(path.c_str(), attributes);
}

// A read-only source "source!" over a destination (none, or its content and write time against the
// source's, in 100 ns) held in use so that CopyFileA fails. Answers: I, R, A; r: let go of it, then
// Retry; a leading D: its holder lets others delete it.
// Outcome: "status|prompts|destination afterwards|destination read-only".
TEST(CheckedCopy, ConflictsAreSkippedAskedRetriedOrAborted)
{
    struct Case { const char* dest; LONGLONG ticks; bool readOnly; int skipIdentical; const char *answers, *expected; };
    const Case cases[] = {
        {nullptr, 0, false, 0, "", "0|0|source!|0"},  // the source's read-only bit is not carried over
        {"source!", 0, true, 1, "", "0|0|source!|1"},  // identical, skipped
        {"source!", 0, false, 0, "I", "0|1|source!|0"},  // identical, not skipped
        {"source!", 1, false, 1, "I", "0|1|source!|0"},
        {"source!", 1ll << 32, false, 1, "I", "0|1|source!|0"},  // later in the high half
        {"source!!", 0, false, 1, "I", "0|1|source!!|0"},
        {"old", 0, true, 0, "r", "0|1|source!|0"},
        {"old", -36610000000ll, false, 0, "RRRRA", "4|5|old|0"},
        // Windows refuses to open a file whose deletion waits for its last handle (no second prompt there);
        // Wine opens it, so the prompt returns. Either way the file is gone once its holder lets go.
        {"old", 0, false, 0, "DRA", "4|2|<missing>|0"},
        {nullptr, 0, false, 0, "-", "1|0|<missing>|0"},  // a missing source ("-") is no conflict
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        ScratchDir scratch("copy");
        const std::string source = scratch / (*c.answers == '-' ? "none.dll" : "source.dll");
        const std::string dest = scratch / "dest.dll";
        Put(scratch / "source.dll", "source!", 0, FILE_ATTRIBUTE_READONLY);
        if (c.dest)
            Put(dest, c.dest, c.ticks, c.readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
        PromptResponder prompts(IDABORT);
        int handles = CountOpenHandles();
        HeldOpen held(dest, *c.answers == 'D' ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ);
        for (const char* a = c.answers; *a; ++a) {
            if (*a == 'r')
                prompts.SetHandler([&held](const Prompt&) { return held.Release(), IDRETRY; });
            else if (strchr("IRA", *a))
                prompts.Queue(*a == 'I' ? IDIGNORE : *a == 'R' ? IDRETRY : IDABORT);
        }
        int status = CopyFileChecked(source.c_str(), dest.c_str(), c.skipIdentical);
        held.Release();
        EXPECT_EQ(handles, CountOpenHandles()) << "handles leaked: " << c.expected;
        bool readOnly = Exists(dest) && (GetFileAttributesA(dest.c_str()) & FILE_ATTRIBUTE_READONLY);
        EXPECT_EQ(c.expected, std::to_string(status) + "|" + std::to_string(prompts.prompts().size()) + "|" +
                                  ReadFile(dest) + "|" + std::to_string(readOnly));
        if (prompts.prompts().size() == 5) {  // the files' own names, sizes and UTC times
            std::string facts = source + "\nRozmiar: 7\nData modyfikacji: 2013-09-30, 14:05:09\n\nDOCELOWY\nNazwa: " +
                                dest + "\nRozmiar: 3\nData modyfikacji: 2013-09-30, 13:04:08\n\n";
            EXPECT_NE(std::wstring::npos, prompts.prompts()[0].text.find(Wide1250(facts.c_str())));
        }
    }
}

// Sizes are full unsigned 64-bit numbers; the text stays within its buffer with all its lines, and
// only names too long for it give way, keeping their ends.
TEST(CheckedCopy, ConflictTextShowsFullSizesAndCutsOnlyLongNames)
{
    const std::string longSource = "C:\\" + std::string(240, 's') + "\\source-end.jar";
    const std::string longDest = "C:\\" + std::string(240, 'd') + "\\target-end.jar";
    const std::string cases[][2] = {{"a.dll", "b.dll"}, {longSource, longDest}, {"x.jar", longDest}, {longSource, "y"}};
    for (const auto& names : cases) {
        wchar_t text[kConflictTextChars + 1];
        text[kConflictTextChars] = L'#';
        ComposeConflictText({names[0].c_str(), 4294967296ull, 2013, 9, 30, 14, 5, 9},
                            {names[1].c_str(), 18446744073709551615ull, 2001, 2, 3, 4, 5, 6}, text);
        EXPECT_EQ(L'#', text[kConflictTextChars]) << "wrote past the prompt buffer";
        std::wstring shown = text;
        std::wstring wanted = L"Wykryto problem przy próbie skopiowania pliku do katalogu docelowego.\nPodany plik"
                              L" już istnieje.\n\nInformacje o plikach:\n\nŹRÓDŁOWY\nNazwa: ";
        for (int i = 0; i < 2; ++i) {  // a long name that does not fit is cut at the front, marked
            std::wstring name = Wide1250(names[i].c_str());
            size_t at = shown.find(L"Nazwa: ", i == 0 ? 0 : shown.find(L"DOCELOWY")) + 7;
            size_t shownChars = shown.find(L'\n', at) - at;
            bool cut = name.size() > 10 && shownChars < name.size();  // a short name never is
            wanted += cut ? L"..." + name.substr(name.size() - shownChars + 3) : name;
            wanted += i ? L"\nRozmiar: 18446744073709551615\nData modyfikacji: 2001-02-03, 04:05:06\n\n"
                        : L"\nRozmiar: 4294967296\nData modyfikacji: 2013-09-30, 14:05:09\n\nDOCELOWY\nNazwa: ";
        }
        EXPECT_EQ(wanted, shown);
        EXPECT_EQ(names[0].size() + names[1].size() > 20 ? kConflictTextChars - 1 : shown.size(), shown.size())
            << "a cut text uses all its room";
    }
}
