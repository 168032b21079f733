// The run sequence: the component installers called in their fixed order, and the summary report.
#pragma once

#include <windows.h>

#include "../components/components.h"
#include "../integrity/staging.h"

enum { kMessageBuffer = 592, kReportBuffer = 3552 };

// How the run sequence reaches the component installers. An entry left null is not installed in this
// build and is treated as not run.
struct InstallerTable {
    int (*removeLegacyOcfJar)(char* message, int capacity);  // non-zero: nothing to report
    int (*installIeComponents)(char* message, int capacity);
    int (*installNetscapeComponents)(char* message, int capacity);
    int (*installJavaPluginComponents)(char* message, int capacity);
    int (*installReaderDriver)(unsigned driverCode, char* message, int capacity);
    // Makes the package root the installers work in, with the package folders (PackageFolders) of the
    // components that run; null: they work in the current directory.
    int (*stagePackage)(unsigned folders, StagedPackage* staged);
};

extern const InstallerTable kProductionInstallers;

struct ReaderType {
    const char* name;
    unsigned driverCode;
};
enum { kReaderTypeCount = 4 };
extern const ReaderType kReaderTypeTable[kReaderTypeCount];

// Kept in a result slot for a component that did not run.
enum { kNotRun = -1 };
enum Component { kLegacy, kIe, kNetscape, kJava, kDriver, kComponentCount };

struct RunRequest {
    int wantIe;
    int wantNetscape;
    int wantJava;
    int wantDriver;
    int readerIndex;  // list index in the reader-type box; anything outside the table is an error
};

struct RunOutcome {
    int result[kComponentCount];  // kNotRun for a component that did not run
    char message[kComponentCount][kMessageBuffer];
};

// The status label of each reported component, in report order.
struct ReportLabels {
    int labelId;
    const char* text;  // null: the component is not reported and its label stays empty
};
enum { kReportedComponents = 4 };

// Stages the package, then calls the installers in order from the staged root, stopping after a user's
// abort; the working directory is restored afterwards. Without a staged root every wanted component
// that needs the package is reported incomplete and not called.
void RunInstallers(const InstallerTable& table, const RunRequest& request, RunOutcome* outcome);

// Builds the summary report and the status label texts (driver, Internet Explorer, Netscape, Java).
void BuildReport(const RunOutcome& outcome, char* report, int capacity,
                 ReportLabels labels[kReportedComponents]);

// The whole first press of Install: reads the dialog's choices, runs, reports and freezes the controls.
void RunSequence(HWND dialog, const InstallerTable& table);
