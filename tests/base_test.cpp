// The ground floor: bounded text, and texts on screen whatever the system's code page for non-Unicode
// programs (the program's own texts read as Polish, file names as the system wrote them). Run under
// 1250 and again under 1252.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/bounded_text.h"
#include "base/ui_text.h"
#include "copy/copy_file.h"
#include "prompts.h"
#include "scratch.h"
#include "texts.h"

namespace {

TEST(BoundedText, CopyAppendAndFormatNeverPassTheCapacity)
{
    // Each call writes into 6 of 8 bytes: "whether it fitted:text:the byte past the capacity".
    char buffer[8];
    memset(buffer, '#', sizeof buffer);
    auto state = [&](int fitted) { return std::to_string(fitted) + ":" + buffer + ":" + buffer[6] + " "; };
    std::string seen = state(CopyText(buffer, 6, "abcde"));
    seen += state(CopyText(buffer, 6, "abcdef"));
    CopyText(buffer, 6, "ab");
    seen += state(AppendText(buffer, 6, "cd"));
    seen += state(AppendText(buffer, 6, "efg"));
    seen += state(FormatText(buffer, 6, "#%d", 1234));
    seen += state(FormatText(buffer, 6, "#%d", 12345));
    EXPECT_EQ("1:abcde:# 0:abcde:# 1:abcd:# 0:abcde:# 1:#1234:# 0:#1234:# ", seen);
    EXPECT_EQ(0, CopyText(nullptr, 6, "x") + CopyText(buffer, 0, "x"));
}

TEST(UiText, ProgramTextsWidenAsWindows1250AndFileNamesInTheSystemCodePage)
{
    wchar_t wide[64], small[4];
    WidenProgramText(kLabelError, wide, 64);
    EXPECT_STREQ(L"BŁĄD", wide);
    EXPECT_EQ(3, WidenProgramText(kLabelError, small, 4));
    EXPECT_STREQ(L"BŁĄ", small) << "cut to the buffer, terminated";

    // Byte 0xF1 is ñ in 1252 and ń in 1250: a name the system wrote in its own code page.
    ScratchDir folder("Espa\xF1" "a");
    WriteFile(folder / "source.dll", "new bridge");
    WriteFile(folder / "target.dll", "old bridge, in use");
    HeldOpen inUse(folder / "target.dll");
    PromptResponder prompts;
    prompts.Queue(IDIGNORE);
    EXPECT_EQ(kCopyDone, CopyFileChecked((folder / "source.dll").c_str(), (folder / "target.dll").c_str(), 0));

    ASSERT_EQ(1u, prompts.prompts().size());
    const std::wstring shown = std::wstring(L"C:\\installer-tests\\Espa") + (GetACP() == 1252 ? L"ñ" : L"ń") + L"a";
    EXPECT_NE(std::wstring::npos, prompts.prompts()[0].text.find(L"ŹRÓDŁOWY\nNazwa: " + shown + L"\\source.dll\n"))
        << "code page " << GetACP();
}

}  // namespace
