// The checked copy on the prefix's file system, and its conflict text composed for sizes and names no disk holds.
#include <gtest/gtest.h>

#include "copy/copy_file.h"
#include "copy/restart_operations.h"
#include "support.h"

// A read-only source "source!" over a destination (none, or its content and write time against the source's,
// in 100 ns) held in use so that CopyFileA fails. Prompts get the answer (I, A); r: let go, then Retry; D: its
// holder lets others delete it, Retry, then Abort; -: no source. Outcome: "status|prompts|destination|read-only".
TEST(CheckedCopy, ConflictsAreSkippedAskedRetriedOrAborted)
{
    // Writes a file last written at 2013-09-30 14:05:09 UTC plus ticks of 100 ns, with the given attributes.
    auto put = [](const std::string& path, const char* content, LONGLONG ticks, DWORD attributes) {
        WriteFile(path, content);
        SetWriteTime(path, 2013, 9, 30, 14, 5, 9, ticks);
        SetFileAttributesA(path.c_str(), attributes);
    };
    struct Case { const char* dest; LONGLONG ticks; bool readOnly; int skip; char answer; const char* expected; };
    const Case cases[] = {
        {nullptr, 0, false, 0, 'A', "0|0|source!|0"},  // the source's read-only bit is not carried over
        {"source!", 0, true, 1, 'A', "0|0|source!|1"},  // identical, skipped
        {"source!", 1, false, 1, 'I', "0|1|source!|0"},
        {"source!", 1ll << 32, false, 1, 'I', "0|1|source!|0"},  // later in the high half
        {"source!!", 0, false, 1, 'I', "0|1|source!!|0"},
        {"old", 0, true, 0, 'r', "0|1|source!|0"},
        // Windows refuses to open a file whose deletion waits for its last handle (no second prompt there);
        // Wine opens it, so the prompt returns. Either way the file is gone once its holder lets go.
        {"old", -36610000000ll, false, 0, 'D', "4|2|<missing>|0"},
        {nullptr, 0, false, 0, '-', "1|0|<missing>|0"},  // a missing source is no conflict
    };
    for (const Case& c : cases) {
        ScratchDir scratch("copy");
        const std::string source = scratch / (c.answer == '-' ? "none" : "source.dll"), dest = scratch / "dest.dll";
        put(scratch / "source.dll", "source!", 0, FILE_ATTRIBUTE_READONLY);
        if (c.dest)
            put(dest, c.dest, c.ticks, c.readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
        PromptResponder prompts(c.answer == 'I' ? IDIGNORE : IDABORT);
        HeldOpen held(dest, c.answer == 'D' ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ);
        if (c.answer == 'r')
            prompts.SetHandler([&held](const Prompt&) { return held.Release(), IDRETRY; });
        if (c.answer == 'D')
            prompts.Queue(IDRETRY);
        int status = CopyFileChecked(source.c_str(), dest.c_str(), c.skip);
        held.Release();
        bool readOnly = Exists(dest) && (GetFileAttributesA(dest.c_str()) & FILE_ATTRIBUTE_READONLY);
        EXPECT_EQ(c.expected, std::to_string(status) + "|" + std::to_string(prompts.prompts().size()) + "|" +
                                  ReadFile(dest) + "|" + std::to_string(readOnly)) << "case " << &c - cases;
        if (c.ticks < 0 && !prompts.prompts().empty()) {  // the files' own names, sizes and UTC times
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
    const std::wstring head = L"Wykryto problem przy próbie skopiowania pliku do katalogu docelowego.\nPodany plik"
                              L" już istnieje.\n\nInformacje o plikach:\n\nŹRÓDŁOWY\nNazwa: ";
    const std::wstring mid = L"\nRozmiar: 4294967296\nData modyfikacji: 2013-09-30, 14:05:09\n\nDOCELOWY\nNazwa: ";
    const std::wstring tail = L"\nRozmiar: 18446744073709551615\nData modyfikacji: 2001-02-03, 04:05:06\n\n";
    auto shown = [](const std::string& name, size_t chars) {  // cut at the front and marked; a short name never is
        std::wstring whole = Wide1250(name.c_str());
        return name.size() > 10 && chars < whole.size() ? L"..." + whole.substr(whole.size() - chars + 3) : whole;
    };
    const std::string cases[][2] = {{"a.dll", "b.dll"}, {longSource, longDest}, {"x.jar", longDest}, {longSource, "y"}};
    for (const auto& names : cases) {
        std::wstring text(kConflictTextChars + 1, L'#');
        ComposeConflictText({names[0].c_str(), 4294967296ull, 2013, 9, 30, 14, 5, 9},
                            {names[1].c_str(), 18446744073709551615ull, 2001, 2, 3, 4, 5, 6}, &text[0]);
        EXPECT_EQ(L'#', text[kConflictTextChars]) << "wrote past the prompt buffer";
        const std::wstring seen = text.c_str();
        const size_t sourceChars = seen.find(mid) - head.size();
        const size_t destChars = seen.size() - head.size() - sourceChars - mid.size() - tail.size();
        EXPECT_EQ(head + shown(names[0], sourceChars) + mid + shown(names[1], destChars) + tail, seen);
        EXPECT_EQ(names[0].size() + names[1].size() > 20 ? kConflictTextChars - 1 : seen.size(), seen.size())
            << "a cut text uses all its room";
    }
}

// The restart's operations as the registry holds them ('|' for each string's end): only whole pairs at the
// path go, every other byte stays, and a value that is not a list of pairs stays whole.
TEST(RestartOperations, OnlyThePairsAtThePathAreWithdrawn)
{
    const std::string saved = PendingRenames(true), p = "C:\\x\\p.dll", w = p + ".ocf-new";
    const std::string system = SystemDirectory() + "\\ocfpcsc1.dll";  // the restart's name: SysWOW64 under WOW64
    const std::string real =
        "\\??\\" + WindowsDirectory() + (UnderWow64() ? "\\syswow64" : "\\system32") + "\\ocfpcsc1.dll";
    const std::string other = "\\??\\C:\\o\\a||\\??\\C:\\o\\n|!\\??\\C:\\o\\k|";
    struct Case { const char* what; std::string value, path, from; bool below; std::string after; int result; };
    const Case cases[] = {
        {"deletions among others, one as Windows 11 may write it",
         other + "\\??\\C:\\X\\P.DLL||\\??\\C:\\o\\b||*1\\??\\" + p + "||", p, "", false,
         other + "\\??\\C:\\o\\b|||", 2},
        {"moves onto it; it moved away stays",
         "\\??\\" + w + "|!\\??\\" + p + "|\\??\\" + p + "|\\??\\C:\\o\\q|" + other, p, "", false,
         "\\??\\" + p + "|\\??\\C:\\o\\q|" + other + "|", 1},
        {"only the move from the waiting file",
         "\\??\\C:\\o\\b|!\\??\\" + p + "|\\??\\" + w + "|!\\??\\" + p + "|", p, w, false,
         "\\??\\C:\\o\\b|!\\??\\" + p + "||", 1},
        {"nothing but ours: no value left", "\\??\\" + p + "||\\??\\" + p + "||", p, "", false, "", 2},
        {"nothing at the path", other, p, "", false, other + "|", 0},
        {"no value", "", p, "", false, "", 0},
        {"a pair without its second string", other + "\\??\\" + p + "|", p, "", false, other + "\\??\\" + p + "|", -1},
        {"the system directory as the restart names it", other + real + "||", system, "", false, other + "|", 1},
        {"below a folder, not beside it", "\\??\\C:\\t\\f\\sun\\a||\\??\\C:\\t\\f2\\a||\\??\\C:\\t\\f\\b|\\??\\C:\\c|"
         "\\??\\C:\\t\\f||", "C:\\t\\f", "", true, "\\??\\C:\\t\\f2\\a||\\??\\C:\\t\\f\\b|\\??\\C:\\c||", 2},
    };
    auto raw = [](std::string text) {
        for (char& ch : text)
            ch = ch == '|' ? '\0' : ch;
        return text;
    };
    for (const Case& c : cases) {
        // Closed by one more empty string, as Windows writes it; the broken value is not.
        SetPendingRenames(c.value.empty() ? "" : raw(c.value + (c.result < 0 ? "" : "|")));
        int result = c.below ? WithdrawDeletionsBelow(c.path.c_str())
                             : WithdrawAtRestart(c.path.c_str(), c.from.empty() ? nullptr : c.from.c_str());
        std::string after = PendingRenames(true);
        for (char& ch : after)
            ch = ch == '\0' ? '|' : ch;
        EXPECT_EQ(c.after + " " + std::to_string(c.result), after + " " + std::to_string(result)) << c.what;
    }
    SetPendingRenames(saved);
}
