// The ground floor: bounded text, and texts on screen whatever the system's code page for non-Unicode programs
// (program texts read as Polish, file names as the system wrote them). Run under 1250 and again under 1252.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/bounded_text.h"
#include "base/log.h"
#include "base/ui_text.h"
#include "copy/copy_file.h"
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
    wchar_t small[4];
    EXPECT_EQ(3, WidenProgramText(kLabelError, small, 4));
    EXPECT_STREQ(L"BŁĄ", small) << "cut to the buffer, terminated";

    // Byte 0xF1 is ñ in 1252 and ń in 1250: a name the system wrote in its own code page.
    wchar_t prompt[kConflictTextChars];
    ComposeConflictText({"C:\\Espa\xF1" "a.dll"}, {"C:\\b.dll"}, prompt);
    const std::wstring shown = std::wstring(L"ŹRÓDŁOWY\nNazwa: C:\\Espa") + (GetACP() == 1252 ? L"ñ" : L"ń");
    EXPECT_NE(std::wstring::npos, std::wstring(prompt).find(shown + L"a.dll\n")) << "code page " << GetACP();

    // The log likewise: program text (%s and the format itself) as Polish, a name from the system (%@) as written.
    static std::wstring logged;
    SetLogSink([](const wchar_t* line) { logged += std::wstring(line) + L"|"; });
    LogFormat("Ś %s %@ %d %lu %%", "\xF1", "C:\\Espa\xF1" "a", -7, 4000000000ul);
    LogLine("Ą\r\n\nB\n");
    SetLogSink(nullptr);
    const std::wstring expected = L"Ś ń C:\\Espa" + std::wstring(GetACP() == 1252 ? L"ñ" : L"ń") + L"a -7 4000000000 %|Ą||B|";
    EXPECT_EQ(expected, logged);
}

}  // namespace
