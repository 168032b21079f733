// Reads the switches from the command line. Nothing is guessed: an unknown switch, a repeated one or
// a malformed value is refused as a whole, so that a deployment never runs with something the
// administrator did not ask for.
#include "command_line.h"

#include <windows.h>

#include "../base/bounded_text.h"
#include "../components/reader_driver.h"
#include "run_sequence.h"

namespace {

enum SwitchId { kSilent, kHelp, kReader, kNoDriver, kNoJava, kLog, kUninstall, kDriverWait };

struct Switch {
    const wchar_t* name;
    SwitchId id;
    int takesValue;
};

const Switch kSwitches[] = {
    {L"S", kSilent, 0},         {L"?", kHelp, 0},         {L"READER", kReader, 1},
    {L"NODRIVER", kNoDriver, 0}, {L"NOJAVA", kNoJava, 0}, {L"LOG", kLog, 1},
    {L"UNINSTALL", kUninstall, 0}, {L"DRIVERWAIT", kDriverWait, 1},
};

// The switches that shape an unattended run; the dialog has its own controls for them.
const unsigned kShapingSwitches = 1u << kReader | 1u << kNoDriver | 1u << kNoJava | 1u << kLog | 1u << kDriverWait;
// The switches that choose what to install: an uninstall that meets one was asked for something else.
const unsigned kInstallSwitches = 1u << kReader | 1u << kNoDriver | 1u << kNoJava | 1u << kDriverWait;

const wchar_t* SkipBlanks(const wchar_t* p)
{
    while (*p == L' ' || *p == L'\t')
        ++p;
    return p;
}

// The program's name ends at the next quote when it starts with one, else at white space, as the C
// runtime reads it; a quoted name may hold blanks.
const wchar_t* SkipProgramName(const wchar_t* p)
{
    if (*p == L'"') {
        for (++p; *p && *p != L'"'; ++p) {
        }
        return *p ? p + 1 : p;
    }
    while (*p && *p != L' ' && *p != L'\t')
        ++p;
    return p;
}

// Copies the next argument into out: white space ends it outside quotes, and quotes only group
// (/LOG="C:\Log files\a.log"). Backslashes are plain characters, so a quoted folder may end in one.
// Sets *cut when the argument did not fit.
const wchar_t* NextArgument(const wchar_t* p, wchar_t* out, int cap, int* cut)
{
    int n = 0;
    bool quoted = false;
    *cut = 0;
    for (; *p && (quoted || (*p != L' ' && *p != L'\t')); ++p) {
        if (*p == L'"')
            quoted = !quoted;
        else if (n < cap - 1)
            out[n++] = *p;
        else
            *cut = 1;
    }
    out[n] = L'\0';
    return p;
}

int SetValue(SwitchId id, const wchar_t* value, CommandLine* parsed)
{
    switch (id) {
    case kSilent:
        parsed->silent = 1;
        return 1;
    case kHelp:
        parsed->help = 1;
        return 1;
    case kNoDriver:
        parsed->noDriver = 1;
        return 1;
    case kNoJava:
        parsed->noJava = 1;
        return 1;
    case kUninstall:
        parsed->uninstall = 1;
        return 1;
    case kReader:
        // One digit, counted from 1 as the list shows the entries.
        if (value[0] < L'1' || value[0] >= L'1' + kReaderTypeCount || value[1] != L'\0')
            return 0;
        parsed->readerIndex = value[0] - L'1';
        return 1;
    case kDriverWait: {
        // Digits only, so that neither a sign nor a unit is guessed at; six keep the milliseconds in range.
        unsigned long seconds = 0;
        int digits = 0;
        for (; value[digits] >= L'0' && value[digits] <= L'9'; ++digits) {
            if (digits == 6)
                return 0;
            seconds = seconds * 10 + (unsigned long)(value[digits] - L'0');
        }
        if (digits == 0 || value[digits] != L'\0' || seconds > kMaxDriverWait)
            return 0;
        parsed->driverWait = seconds;
        return 1;
    }
    case kLog: {
        if (value[0] == L'\0')
            return 0;
        DWORD n = GetFullPathNameW(value, kLogPathChars, parsed->logPath, nullptr);
        if (n == 0 || n >= kLogPathChars) {
            parsed->logPath[0] = L'\0';
            return 0;
        }
        return 1;
    }
    }
    return 0;
}

// Applies one argument; returns 0 when it is not a switch given as it should be.
int ApplySwitch(const wchar_t* argument, CommandLine* parsed, unsigned* seen)
{
    if (argument[0] != L'/')
        return 0;
    const wchar_t* name = argument + 1;
    const wchar_t* equals = wcschr(name, L'=');
    size_t nameLength = equals ? (size_t)(equals - name) : wcslen(name);
    for (const Switch& known : kSwitches) {
        if (wcslen(known.name) != nameLength || _wcsnicmp(name, known.name, nameLength) != 0)
            continue;
        unsigned bit = 1u << known.id;
        if ((*seen & bit) || (equals != nullptr) != (known.takesValue != 0))
            return 0;
        *seen |= bit;
        return SetValue(known.id, equals ? equals + 1 : nullptr, parsed);
    }
    return 0;
}

}  // namespace

int ParseCommandLine(const wchar_t* commandLine, CommandLine* parsed)
{
    *parsed = CommandLine();
    parsed->readerIndex = -1;
    parsed->driverWait = kDefaultDriverWait;
    wchar_t argument[kArgumentChars];
    wchar_t firstShaping[kBadSwitchChars] = L"";
    wchar_t firstInstall[kBadSwitchChars] = L"";
    unsigned seen = 0;
    int understood = 1;
    const wchar_t* p = SkipProgramName(commandLine ? commandLine : L"");
    for (p = SkipBlanks(p); *p; p = SkipBlanks(p)) {
        int cut = 0;
        p = NextArgument(p, argument, kArgumentChars, &cut);
        unsigned before = seen;
        if (!cut && ApplySwitch(argument, parsed, &seen)) {
            if ((seen & ~before & kShapingSwitches) && !firstShaping[0])
                FormatWideText(firstShaping, kBadSwitchChars, L"%ls", argument);
            if ((seen & ~before & kInstallSwitches) && !firstInstall[0])
                FormatWideText(firstInstall, kBadSwitchChars, L"%ls", argument);
            continue;
        }
        if (understood)
            FormatWideText(parsed->bad, kBadSwitchChars, L"%ls", argument);
        understood = 0;
    }
    // Without /S the dialog asks for all of this itself: a switch that would be silently ignored there
    // is refused instead.
    if (understood && !parsed->silent && firstShaping[0]) {
        FormatWideText(parsed->bad, kBadSwitchChars, L"%ls", firstShaping);
        understood = 0;
    }
    if (understood && parsed->uninstall && firstInstall[0]) {
        FormatWideText(parsed->bad, kBadSwitchChars, L"%ls", firstInstall);
        understood = 0;
    }
    return understood;
}
