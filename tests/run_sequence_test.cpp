// The run sequence with installer tables of the tests' own: order, stopping, and the report byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/bounded_text.h"
#include "scratch.h"
#include "shell/run_sequence.h"
#include "system.h"
#include "texts.h"

namespace {

// Results the fake installers return (legacy, IE, Netscape, Java, driver), and what they saw.
int g_results[kComponentCount];
std::string g_calls;
std::string g_folders;  // the working directory of each call
unsigned g_driverCode;

int Reply(Component component, char* message, int capacity)
{
    const char* names[] = {"legacy", "ie", "netscape", "java", "driver"};
    g_calls += std::string(g_calls.empty() ? "" : " ") + names[component];
    g_folders += CurrentDirectory() + ";";
    CopyText(message, capacity, (std::string(names[component]) + " message").c_str());
    return g_results[component];
}
int Legacy(char* m, int c) { return Reply(kLegacy, m, c); }
int Ie(char* m, int c) { return Reply(kIe, m, c); }
int Netscape(char* m, int c) { return Reply(kNetscape, m, c); }
int Java(char* m, int c) { return Reply(kJava, m, c); }
int Driver(unsigned code, char* m, int c)
{
    g_driverCode = code;
    return Reply(kDriver, m, c);
}
const InstallerTable kFakes = {Legacy, Ie, Netscape, Java, Driver};

std::string Line(const char* prefix, const char* outcome, const std::string& message = "")
{
    return prefix + std::string(outcome) + message + "\r\n\r\n";
}

struct Case {
    const char* name;
    std::vector<int> results;  // legacy, IE, Netscape, Java, driver
    RunRequest request;
    std::string calls;
    std::string report;
    std::string labels;  // driver, IE, Netscape, Java label texts, "|"-separated
};

TEST(RunSequence, CallsStopsAndReports)
{
    const RunRequest all = {1, 1, 1, 1, 0};
    const Case cases[] = {
        {"driver line second, legacy first on failure", {0, 1, 3, 0, 3}, all, "legacy ie netscape java driver",
         Line(kLegacyLinePrefix, "", "legacy message") + Line(kDriverLinePrefix, kOutcomeWarning, "driver message") +
             Line(kIeLinePrefix, kOutcomeError, "ie message") +
             Line(kNetscapeLinePrefix, kOutcomeWarning, "netscape message") + Line(kJavaLinePrefix, kOutcomeOk),
         "UWAGA|BŁĄD|UWAGA|OK"},
        {"default selection, all good", {1, 0, 0, 0, 0}, {0, 0, 1, 1, 0}, "legacy java driver",
         Line(kDriverLinePrefix, kOutcomeOk) + Line(kJavaLinePrefix, kOutcomeOk), "OK|||OK"},
        {"nothing checked", {1, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, "legacy", "", "|||"},
        {"nothing checked, legacy fails", {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, "legacy",
         Line(kLegacyLinePrefix, "", "legacy message"), "|||"},
        {"IE aborts", {1, 2, 0, 0, 0}, all, "legacy ie", "", "|||"},
        {"Netscape aborts", {1, 0, 2, 0, 0}, all, "legacy ie netscape", Line(kIeLinePrefix, kOutcomeOk), "|OK||"},
        {"Java aborts: the driver is not run", {1, 0, 0, 2, 0}, all, "legacy ie netscape java",
         Line(kIeLinePrefix, kOutcomeOk) + Line(kNetscapeLinePrefix, kOutcomeOk), "|OK|OK|"},
        {"nothing selected in the list", {1, 0, 0, 0, 0}, {0, 0, 0, 1, -1}, "legacy",
         Line(kDriverLinePrefix, kOutcomeError, kReaderOutsideList), "BŁĄD|||"},
        {"index past the list", {1, 0, 0, 0, 0}, {0, 0, 0, 1, 4}, "legacy",
         Line(kDriverLinePrefix, kOutcomeError, kReaderOutsideList), "BŁĄD|||"},
    };
    for (const Case& c : cases) {
        std::copy(c.results.begin(), c.results.end(), g_results);
        g_calls.clear();
        RunOutcome outcome;
        RunInstallers(kFakes, c.request, &outcome);
        char report[kReportBuffer];
        ReportLabels labels[kReportedComponents];
        BuildReport(outcome, report, kReportBuffer, labels);
        std::string labelTexts;
        for (int i = 0; i < kReportedComponents; ++i)
            labelTexts += std::string(i ? "|" : "") + (labels[i].text ? labels[i].text : "");
        EXPECT_EQ(c.calls, g_calls) << c.name;
        EXPECT_EQ(c.report, report) << c.name;
        EXPECT_EQ(c.labels, labelTexts) << c.name;
    }
}

TEST(RunSequence, ReaderTypesPassTheirDriverCodes)
{
    const unsigned codes[kReaderTypeCount] = {0, 2, 4, 5};
    std::fill(g_results, g_results + kComponentCount, 0);
    for (int index = 0; index < kReaderTypeCount; ++index) {
        RunOutcome outcome;
        RunInstallers(kFakes, {0, 0, 0, 1, index}, &outcome);
        EXPECT_EQ(codes[index], g_driverCode) << index;
    }
    const InstallerTable legacyOnly = {Legacy, nullptr, nullptr, nullptr, nullptr};
    RunOutcome outcome;
    RunInstallers(legacyOnly, {1, 1, 1, 1, 0}, &outcome);
    for (int component : {kIe, kNetscape, kJava, kDriver})
        EXPECT_EQ(kNotRun, outcome.result[component]) << "an installer missing from the build is not run";
}

std::string g_stagedRoot;
int StageInto(StagedPackage* staged)
{
    staged->hold = INVALID_HANDLE_VALUE;
    return CopyText(staged->root, kPathBuffer, g_stagedRoot.c_str());
}
int StageNothing(StagedPackage* staged)
{
    staged->hold = INVALID_HANDLE_VALUE;
    staged->root[0] = '\0';
    return 0;
}

TEST(RunSequence, InstallersWorkInTheStagedPackageOrReportItIncomplete)
{
    ScratchDir staged("run-staged"), started("run-started");
    ScopedCurrentDirectory inStarted(started.path());
    g_stagedRoot = staged.path();
    std::fill(g_results, g_results + kComponentCount, 0);
    InstallerTable table = kFakes;
    table.stagePackage = StageInto;
    g_calls.clear();
    g_folders.clear();
    RunOutcome outcome;
    RunInstallers(table, {1, 1, 1, 1, 0}, &outcome);
    EXPECT_EQ("legacy ie netscape java driver", g_calls);
    std::string inStaged;
    for (int i = 0; i < 5; ++i)
        inStaged += staged.path() + ";";
    EXPECT_EQ(inStaged, g_folders);
    EXPECT_EQ(started.path(), CurrentDirectory()) << "restored";

    // Nothing to install from: only the legacy removal runs; the others are incomplete, as a missing
    // package folder makes them, and a reader type outside the list stays that error.
    table.stagePackage = StageNothing;
    for (int index : {0, 7}) {
        g_calls.clear();
        RunInstallers(table, {1, 1, 1, 1, index}, &outcome);
        EXPECT_EQ("legacy", g_calls);
        for (int component : {kIe, kNetscape, kJava, kDriver}) {
            EXPECT_EQ(kResultError, outcome.result[component]) << component;
            EXPECT_STREQ(component == kDriver && index == 7 ? kReaderOutsideList : kMsgIncomplete,
                         outcome.message[component]);
        }
    }
    EXPECT_EQ(started.path(), CurrentDirectory());
}

TEST(RunSequence, LongestMessagesFitTheReport)
{
    RunOutcome outcome;
    for (int i = 0; i < kComponentCount; ++i) {
        outcome.result[i] = i == kLegacy ? 0 : kResultWarning;
        CopyText(outcome.message[i], kMessageBuffer, std::string(kMessageBuffer - 1, '~').c_str());
    }
    char report[kReportBuffer];
    ReportLabels labels[kReportedComponents];
    BuildReport(outcome, report, kReportBuffer, labels);
    std::string text = report;
    EXPECT_EQ("\r\n\r\n", text.substr(text.size() - 4));
    EXPECT_EQ(5 * (kMessageBuffer - 1), (int)std::count(text.begin(), text.end(), '~'));
}

}  // namespace
