// The ground floor: bounded text, and texts on screen whatever the system's code page for non-Unicode
// programs (the program's own texts read as Polish, file names as the system wrote them). Run under
// 1250 and again under 1252.
#include <gtest/gtest.h>

#include <windows.h>

#include "base/bounded_text.h"
#include "base/ui_text.h"
#include "copy/copy_file.h"
#include "prompts.h"
#include "scratch.h"
#include "texts.h"

namespace {

TEST(BoundedText, CopyAppendAndFormatNeverPassTheCapacity)
{
    char buffer[8];
    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(1, CopyText(buffer, 6, "abcde"));
    EXPECT_STREQ("abcde", buffer);
    EXPECT_EQ(0, CopyText(buffer, 6, "abcdef"));
    EXPECT_STREQ("abcde", buffer);
    EXPECT_EQ('#', buffer[6]);

    CopyText(buffer, 6, "ab");
    EXPECT_EQ(1, AppendText(buffer, 6, "cd"));
    EXPECT_EQ(0, AppendText(buffer, 6, "efg"));
    EXPECT_STREQ("abcde", buffer);

    EXPECT_EQ(1, FormatText(buffer, 6, "#%d", 1234));
    EXPECT_STREQ("#1234", buffer);
    EXPECT_EQ(0, FormatText(buffer, 6, "#%d", 12345));
    EXPECT_STREQ("#1234", buffer);
    EXPECT_EQ('#', buffer[6]);

    EXPECT_EQ(0, CopyText(nullptr, 6, "x"));
    EXPECT_EQ(0, CopyText(buffer, 0, "x"));
}

TEST(UiText, ProgramTextsAreWidenedAsWindows1250)
{
    wchar_t wide[64];
    WidenProgramText(kLabelError, wide, 64);
    EXPECT_STREQ(L"BŁĄD", wide);
    WidenProgramText(kConflictCaption, wide, 64);
    EXPECT_STREQ(L"Problem kopiowania pliku", wide);

    wchar_t small[4];
    EXPECT_EQ(3, WidenProgramText(kLabelError, small, 4));
    EXPECT_STREQ(L"BŁĄ", small) << "cut to the buffer, terminated";
}

TEST(UiText, ConflictPromptShowsFileNamesInTheSystemCodePage)
{
    // Byte 0xF1 is ñ in 1252 and ń in 1250: a name the system wrote in its own code page.
    ScratchDir folder("Espa\xF1" "a");
    WriteFile(folder / "source.dll", "new bridge");
    WriteFile(folder / "target.dll", "old bridge, in use");
    HeldOpen inUse(folder / "target.dll");

    PromptResponder prompts;
    prompts.Queue(IDIGNORE);
    EXPECT_EQ(kCopyDone, CopyFileChecked((folder / "source.dll").c_str(), (folder / "target.dll").c_str(), 0));

    ASSERT_EQ(1u, prompts.prompts().size());
    const Prompt& prompt = prompts.prompts()[0];
    EXPECT_EQ(L"Problem kopiowania pliku", prompt.caption);
    const std::wstring folderName = GetACP() == 1252 ? L"España" : L"Espańa";
    EXPECT_NE(std::wstring::npos, prompt.text.find(L"Nazwa: C:\\installer-tests\\" + folderName + L"\\source.dll\n"))
        << "code page " << GetACP();
    EXPECT_NE(std::wstring::npos, prompt.text.find(L"ŹRÓDŁOWY\n"));
    EXPECT_NE(std::wstring::npos, prompt.text.find(L"Podany plik już istnieje."));
}

}  // namespace
