// The uninstall run. The report is the log's lines; with a user they are gathered for a message box.
#include "uninstall.h"

#include <string.h>
#include <windows.h>

#include "../../resources/texts.h"
#include "../base/log.h"
#include "../base/bounded_text.h"
#include "../integrity/package_hashes.h"
#include "exit_codes.h"
#include "instance.h"
#include "../base/ui_text.h"

namespace {

// The box keeps room for the outcome however many files the details name.
enum { kReportChars = 4096, kOutcomeChars = 1024 };

struct Report {
    wchar_t text[kReportChars];
    int used;
    int outcome;  // the details are done; the outcome may use the room kept for it
    int cut;
};
Report g_report;

void Gather(const wchar_t* line)
{
    int length = (int)wcslen(line);
    int room = kReportChars - g_report.used - (g_report.outcome ? 0 : kOutcomeChars);
    if (length + 2 > room) {
        if (!g_report.cut && FormatWideText(g_report.text + g_report.used, kReportChars - g_report.used, L"    ...\n"))
            g_report.used += (int)wcslen(g_report.text + g_report.used);
        g_report.cut = 1;
        return;
    }
    if (FormatWideText(g_report.text + g_report.used, kReportChars - g_report.used, L"%ls\n", line))
        g_report.used += length + 1;
}

void TakeBack(UninstallTally* tally)
{
    LogLine(kLogUninstallHeading);
    UninstallJavaPluginComponents(kPackageHashes, tally);
    LogLine("");
}

int LogOutcome(const UninstallTally& tally)
{
    if (tally.removed + tally.pending + tally.kept + tally.failed + tally.leftOut == 0)
        LogLine(kUninstallNothingFound);
    else
        LogFormat(kUninstallSummaryFormat, tally.removed, tally.pending, tally.kept, tally.failed, tally.leftOut);
    int exitCode = UninstallExitCode(tally);
    LogLine(exitCode == kExitInstallFailure    ? kUninstallFailed
            : exitCode == kExitRestartRequired ? kUninstallAtRestart
                                               : kUninstallDone);
    LogLine(kUninstallDriverNote);
    return exitCode;
}

}  // namespace

int UninstallExitCode(const UninstallTally& tally)
{
    if (tally.failed > 0)
        return kExitInstallFailure;
    return tally.pending > 0 ? kExitRestartRequired : kExitSuccess;
}

int RunUninstall()
{
    UninstallTally tally;
    TakeBack(&tally);
    return LogOutcome(tally);
}

int RunInteractiveUninstall()
{
    if (!ClaimInstance()) {
        PointAtRunningInstance();
        return kExitAnotherInstall;  // nothing was taken back: 0 would say it was
    }
    int exitCode = kExitUserCancel;
    if (ShowMessage(nullptr, kUninstallQuestion, kUninstallCaption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        g_report = Report();
        SetLogSink(Gather);
        UninstallTally tally;
        TakeBack(&tally);
        g_report.outcome = 1;
        exitCode = LogOutcome(tally);
        SetLogSink(nullptr);
        UINT icon = exitCode == kExitInstallFailure ? MB_ICONERROR : MB_ICONINFORMATION;
        ShowMessageWide(nullptr, g_report.text, kUninstallCaption, MB_OK | icon);
    }
    ReleaseInstance();
    return exitCode;
}
