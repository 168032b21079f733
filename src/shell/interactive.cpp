// The interactive installation and the usage box.
#include "interactive.h"

#include "../../resources/texts.h"
#include "../base/bounded_text.h"
#include "../base/ui_text.h"
#include "dialog.h"
#include "exit_codes.h"
#include "instance.h"

namespace {
enum { kUsageChars = 2048 };
}

int RunInteractive(HINSTANCE instance, const InstallerTable& table)
{
    if (!ClaimInstance()) {
        PointAtRunningInstance();
        return kExitSuccess;
    }
    if (ShowMessage(nullptr, kWelcomeText, kWelcomeCaption, MB_YESNO) == IDYES)
        RunInstallerDialog(instance, &table);
    ReleaseInstance();
    return kExitSuccess;
}

int ShowPackageFolderFailure()
{
    ShowMessage(nullptr, kStartFolderText, kWelcomeCaption, MB_OK | MB_ICONERROR);
    return kExitInstallFailure;
}

int ShowUsage(const CommandLine& command, int understood)
{
    wchar_t text[kUsageChars];
    wchar_t usage[kUsageChars];
    wchar_t details[kUsageChars];
    wchar_t prefix[64];
    WidenProgramText(kUsageLine, usage, kUsageChars);
    WidenProgramText(kUsageDetails, details, kUsageChars);
    WidenProgramText(kBadSwitchPrefix, prefix, 64);
    if (understood)
        FormatWideText(text, kUsageChars, L"%ls\n\n%ls", usage, details);
    else
        FormatWideText(text, kUsageChars, L"%ls%ls\n\n%ls\n\n%ls", prefix, command.bad, usage, details);
    ShowMessageWide(nullptr, text, kShortCaption, MB_OK | (understood ? MB_ICONINFORMATION : MB_ICONWARNING));
    return understood ? kExitSuccess : kExitInvalidParameter;
}
