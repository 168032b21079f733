// The environment block every started program gets (the started programs themselves are watched in
// the Java and reader driver tests).
#include <gtest/gtest.h>

#include <string>

#include "integrity/clean_process.h"

namespace {

// "A=1|B=2" as a block: entries NUL-separated, ended by an empty one.
std::wstring Block(std::wstring entries)
{
    for (wchar_t& c : entries)
        c = c == L'|' ? L'\0' : c;
    return entries + std::wstring(entries.empty() ? 1 : 2, L'\0');
}

TEST(CleanEnvironment, DropsWhatSteersJavaOrAShellAndSetsTheSystemInterpreter)
{
    const std::wstring comspec = L"COMSPEC=C:\\windows\\system32\\cmd.exe", temp = L"C:\\windows\\Temp\\ocfinst-1\\temp";
    const std::wstring temps = L"TEMP=" + temp + L"|TMP=" + temp;
    const struct { std::wstring inherited, cleaned; } cases[] = {
        {L"", L"CLASSPATH=.|" + comspec + L"|" + temps},
        {L"=C:=C:\\pkg|ALLUSERSPROFILE=1|classpath=C:\\evil|CLASSPATHS=2|COMMONPROGRAMFILES=3|ComSpec=C:\\evil.exe"
         L"|COMSPEC2=4|JAVA_HOME=5|JAVA_TOOL_OPTIONS=-javaagent:x|PATH=6|_JAVA_OPTIONS=-Dx|jdk_java_options=-Dx",
         L"=C:=C:\\pkg|ALLUSERSPROFILE=1|CLASSPATH=.|CLASSPATHS=2|COMMONPROGRAMFILES=3|" + comspec +
             L"|COMSPEC2=4|JAVA_HOME=5|PATH=6|" + temps},
        // As SYSTEM both name C:\Windows\Temp, where any user may plant what a started program loads.
        {L"PATH=6|SystemRoot=C:\\windows|Temp=C:\\windows\\Temp|TEMPLATE=7|tmp=C:\\windows\\Temp|TMPDIR=8|windir=9",
         L"CLASSPATH=.|" + comspec + L"|PATH=6|SystemRoot=C:\\windows|" + L"TEMP=" + temp + L"|TEMPLATE=7|TMP=" + temp +
             L"|TMPDIR=8|windir=9"},
    };
    for (const auto& c : cases) {
        const std::wstring inherited = Block(c.inherited), expected = Block(c.cleaned);
        wchar_t out[512];
        EXPECT_EQ((int)expected.size(), BuildCleanEnvironment(inherited.c_str(), comspec.c_str() + 8, temp.c_str(), out,
                                                              512));
        EXPECT_EQ(expected, std::wstring(out, expected.size()));
        // Exactly as large as needed fits; one character less writes nothing past it and reports 0.
        out[expected.size() - 1] = L'#';
        EXPECT_EQ(0, BuildCleanEnvironment(inherited.c_str(), comspec.c_str() + 8, temp.c_str(), out,
                                           (int)expected.size() - 1));
        EXPECT_EQ(L'#', out[expected.size() - 1]);
    }
    wchar_t out[512];
    EXPECT_EQ(0, BuildCleanEnvironment(Block(L"").c_str(), comspec.c_str() + 8, L"", out, 512)) << "no TEMP of ours";
}

}  // namespace
