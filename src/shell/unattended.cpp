// The unattended installation: no window at all, not even a prompt; the log says what the dialog
// would have said, and the exit code says it to the deployment tool.
#include "unattended.h"

#include "../../resources/resource.h"
#include "../../resources/texts.h"
#include "../base/log.h"
#include "../base/run_mode.h"
#include "../components/reader_driver.h"
#include "exit_codes.h"
#include "instance.h"
#include "log_file.h"
#include "reader_choice.h"
#include "uninstall.h"

namespace {

const char* ComponentName(int labelId)
{
    switch (labelId) {
    case IDT_STATUS_DRIVERS:
        return kComponentNameDrivers;
    case IDT_STATUS_IE:
        return kComponentNameIe;
    case IDT_STATUS_NETSCAPE:
        return kComponentNameNetscape;
    default:
        return kComponentNameJava;
    }
}

int Install(const CommandLine& command, const InstallerTable& table)
{
    // The dialog's defaults; Internet Explorer and Netscape stay out of reach, as they are there.
    RunRequest request = {};
    request.wantJava = !command.noJava;
    request.wantDriver = !command.noDriver;
    request.readerIndex = -1;
    if (request.wantDriver) {
        request.readerIndex = ChooseReaderIndex(command.readerIndex);
        // A deployment tool reads the exit code as the outcome: the driver's own has to be part of it.
        SetDriverWait(command.driverWait);
    }

    LogLine(kLogSelectionHeading);
    if (request.wantDriver)
        LogFormat(kLogNamedEntryFormat, kComponentNameDrivers, kReaderTypeTable[request.readerIndex].name);
    if (request.wantJava)
        LogFormat(kLogEntryFormat, kComponentNameJava);
    LogLine("");

    RunOutcome outcome;
    RunInstallers(table, request, &outcome);

    char report[kReportBuffer];
    ReportLabels labels[kReportedComponents];
    BuildReport(outcome, report, kReportBuffer, labels);
    LogLine("");
    LogLine(kLogReportHeading);
    LogLine(report);
    LogLine(kLogStatusHeading);
    for (const ReportLabels& label : labels) {
        if (label.text)
            LogFormat(kLogNamedEntryFormat, ComponentName(label.labelId), label.text);
    }
    return UnattendedExitCode(outcome);
}

}  // namespace

int UnattendedExitCode(const RunOutcome& outcome)
{
    if (outcome.result[kLegacy] == 0)
        return kExitInstallFailure;
    for (int component = kIe; component < kComponentCount; ++component) {
        int result = outcome.result[component];
        if (result == kResultError || result == kResultAborted)
            return kExitInstallFailure;
    }
    return kExitRestartRequired;
}

int RunUnattended(const CommandLine& command, int understood, int inPackage, const InstallerTable& table)
{
    SetUnattended(1);
    // Before the log: a second instance must not take over the first one's /LOG file.
    if (!ClaimInstance())
        return kExitAnotherInstall;
    OpenRunLog(command.logPath);
    int exitCode = kExitSuccess;
    if (!understood) {
        LogLabeledWide(kBadSwitchPrefix, command.bad);
        LogLine(kUsageLine);
        exitCode = kExitInvalidParameter;
    } else if (command.help) {
        LogLine(kUsageLine);
    } else if (command.uninstall) {
        exitCode = RunUninstall();
    } else if (!inPackage) {
        LogLine(kLogPackageFolderFailed);
        exitCode = kExitInstallFailure;
    } else {
        exitCode = Install(command, table);
    }
    CloseRunLog(exitCode);
    ReleaseInstance();
    return exitCode;
}
