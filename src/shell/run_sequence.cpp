// Runs the selected component installers once and turns their results into the report and labels.
#include "run_sequence.h"

#include "../../resources/resource.h"
#include "../../resources/texts.h"
#include "../base/bounded_text.h"
#include "../base/ui_text.h"
#include "../copy/path.h"

const ReaderType kReaderTypeTable[kReaderTypeCount] = {
    {kReaderType32, 0},
    {kReaderType64, 2},
    {kReaderTypeWin8, 4},
    {kReaderTypeWin8x64, 5},
};

namespace {

// An installer's result, or the missing package's error when there is nothing to install from.
int Incomplete(char* message)
{
    CopyText(message, kMessageBuffer, kMsgIncomplete);
    return kResultError;
}

void RunComponents(const InstallerTable& table, const RunRequest& request, int havePackage, RunOutcome* outcome)
{
    // Needs no package: runs whatever became of the staging.
    if (table.removeLegacyOcfJar)
        outcome->result[kLegacy] = table.removeLegacyOcfJar(outcome->message[kLegacy], kMessageBuffer) ? 1 : 0;

    struct Step {
        int wanted;
        int (*install)(char*, int);
        Component component;
    };
    const Step steps[] = {
        {request.wantIe, table.installIeComponents, kIe},
        {request.wantNetscape, table.installNetscapeComponents, kNetscape},
        {request.wantJava, table.installJavaPluginComponents, kJava},
    };
    for (const Step& step : steps) {
        if (!step.wanted || !step.install)
            continue;
        char* message = outcome->message[step.component];
        outcome->result[step.component] = havePackage ? step.install(message, kMessageBuffer) : Incomplete(message);
        if (outcome->result[step.component] == kResultAborted)
            return;
    }

    if (!request.wantDriver)
        return;
    char* message = outcome->message[kDriver];
    if (request.readerIndex >= 0 && request.readerIndex < kReaderTypeCount) {
        if (table.installReaderDriver)
            outcome->result[kDriver] =
                havePackage ? table.installReaderDriver(kReaderTypeTable[request.readerIndex].driverCode, message,
                                                        kMessageBuffer)
                            : Incomplete(message);
    } else {
        outcome->result[kDriver] = kResultError;
        CopyText(message, kMessageBuffer, kReaderOutsideList);
    }
}

}  // namespace

void RunInstallers(const InstallerTable& table, const RunRequest& request, RunOutcome* outcome)
{
    for (int i = 0; i < kComponentCount; ++i) {
        outcome->result[i] = kNotRun;
        // An installer that broke its contract must not put stale bytes into the report.
        outcome->message[i][0] = '\0';
    }

    // The installers enter their package folders relative to the working directory: from here on that
    // is the staged copy, never the folder the program was started from.
    StagedPackage staged = {{0}, INVALID_HANDLE_VALUE};
    char started[kPathBuffer];
    DWORD n = GetCurrentDirectoryA(kPathBuffer, started);
    int restore = n > 0 && n < kPathBuffer;
    int havePackage = 1;
    // Copying and hashing a folder nobody will use is time a deployment waits for nothing.
    unsigned folders = (request.wantIe && table.installIeComponents ? kFolderMsie : 0) |
                       (request.wantNetscape && table.installNetscapeComponents ? kFolderNs : 0) |
                       (request.wantJava && table.installJavaPluginComponents ? kFolderSun : 0) |
                       (request.wantDriver && table.installReaderDriver && request.readerIndex >= 0 &&
                                request.readerIndex < kReaderTypeCount
                            ? kFolderDrivers
                            : 0);
    if (table.stagePackage)
        havePackage = restore && table.stagePackage(folders, &staged) && SetCurrentDirectoryA(staged.root);

    RunComponents(table, request, havePackage, outcome);

    if (restore)
        SetCurrentDirectoryA(started);
    ReleaseStagedPackage(&staged);
}

void BuildReport(const RunOutcome& outcome, char* report, int capacity, ReportLabels labels[kReportedComponents])
{
    CopyText(report, capacity, "");
    if (outcome.result[kLegacy] == 0) {
        AppendText(report, capacity, kLegacyLinePrefix);
        AppendText(report, capacity, outcome.message[kLegacy]);
        AppendText(report, capacity, kLineEnd);
    }

    struct Line {
        Component component;
        const char* prefix;
        int labelId;
    };
    // The driver runs last but is reported first.
    const Line lines[kReportedComponents] = {
        {kDriver, kDriverLinePrefix, IDT_STATUS_DRIVERS},
        {kIe, kIeLinePrefix, IDT_STATUS_IE},
        {kNetscape, kNetscapeLinePrefix, IDT_STATUS_NETSCAPE},
        {kJava, kJavaLinePrefix, IDT_STATUS_JAVA},
    };
    for (int i = 0; i < kReportedComponents; ++i) {
        const Line& line = lines[i];
        int result = outcome.result[line.component];
        labels[i].labelId = line.labelId;
        labels[i].text = nullptr;
        if (result == kNotRun || result == kResultAborted)
            continue;
        AppendText(report, capacity, line.prefix);
        if (result == kResultOk) {
            AppendText(report, capacity, kOutcomeOk);
            labels[i].text = kLabelOk;
        } else {
            AppendText(report, capacity, result == kResultError ? kOutcomeError : kOutcomeWarning);
            AppendText(report, capacity, outcome.message[line.component]);
            labels[i].text = result == kResultError ? kLabelError : kLabelWarning;
        }
        AppendText(report, capacity, kLineEnd);
    }
}

void RunSequence(HWND dialog, const InstallerTable& table)
{
    RunRequest request;
    request.wantIe = IsDlgButtonChecked(dialog, IDC_CHECK_IE) != 0;
    request.wantNetscape = IsDlgButtonChecked(dialog, IDC_CHECK_NETSCAPE) != 0;
    request.wantJava = IsDlgButtonChecked(dialog, IDC_CHECK_JAVA) != 0;
    request.wantDriver = IsDlgButtonChecked(dialog, IDC_CHECK_DRIVERS) != 0;
    request.readerIndex = (int)SendDlgItemMessageW(dialog, IDC_READER_TYPE, CB_GETCURSEL, 0, 0);

    HCURSOR saved = SetCursor(LoadCursor(nullptr, IDC_WAIT));

    static RunOutcome outcome;  // 3 KiB of messages: kept off the stack of the dialog procedure
    RunInstallers(table, request, &outcome);

    static char report[kReportBuffer];
    ReportLabels labels[kReportedComponents];
    BuildReport(outcome, report, kReportBuffer, labels);
    for (const ReportLabels& label : labels) {
        if (label.text)
            SetItemProgramText(dialog, label.labelId, label.text);
    }
    SetItemProgramText(dialog, IDE_REPORT, report);

    SetCursor(saved);

    const int frozen[] = {IDC_CHECK_IE, IDC_CHECK_NETSCAPE, IDC_CHECK_JAVA, IDC_CHECK_DRIVERS};
    for (int id : frozen)
        EnableWindow(GetDlgItem(dialog, id), FALSE);
    ShowWindow(GetDlgItem(dialog, IDC_READER_TYPE), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDT_STATUS_DRIVERS), SW_SHOW);
}
