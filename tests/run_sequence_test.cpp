// The run sequence with installer tables of the tests' own: order, stopping, and the report byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "copy/bounded_text.h"
#include "resource.h"
#include "shell/run_sequence.h"
#include "texts.h"

namespace {

// What each fake installer returns and writes, and the order in which they were called.
struct Script {
    int legacy = 1, ie = 0, netscape = 0, java = 0, driver = 0;
    std::vector<std::string> calls;
    unsigned driverCode = 99;
};
Script g_script;

int Reply(const char* name, int result, char* message, int capacity)
{
    g_script.calls.push_back(name);
    std::string text = std::string(name) + " message";
    CopyText(message, capacity, text.c_str());
    return result;
}
int FakeLegacy(char* m, int c) { return Reply("legacy", g_script.legacy, m, c); }
int FakeIe(char* m, int c) { return Reply("ie", g_script.ie, m, c); }
int FakeNetscape(char* m, int c) { return Reply("netscape", g_script.netscape, m, c); }
int FakeJava(char* m, int c) { return Reply("java", g_script.java, m, c); }
int FakeDriver(unsigned code, char* m, int c)
{
    g_script.driverCode = code;
    return Reply("driver", g_script.driver, m, c);
}
const InstallerTable kFakes = {FakeLegacy, FakeIe, FakeNetscape, FakeJava, FakeDriver};

struct Report {
    std::string report;
    std::string labels[kReportedComponents];
};

Report RunAll(const RunRequest& request)
{
    g_script.calls.clear();
    RunOutcome outcome;
    RunInstallers(kFakes, request, &outcome);
    char report[kReportBuffer];
    ReportLabels labels[kReportedComponents];
    BuildReport(outcome, report, kReportBuffer, labels);
    Report run;
    run.report = report;
    for (int i = 0; i < kReportedComponents; ++i)
        run.labels[i] = labels[i].text ? labels[i].text : "";
    return run;
}

const RunRequest kEverything = {1, 1, 1, 1, 0};

std::string Line(const char* prefix, const char* outcome, const std::string& message = "")
{
    return std::string(prefix) + outcome + message + "\r\n\r\n";
}

TEST(RunSequence, CallsInOrderAndReportsTheDriverLineSecond)
{
    g_script = Script();
    g_script.legacy = 0;
    g_script.ie = 1;
    g_script.netscape = 3;
    g_script.java = 0;
    g_script.driver = 3;
    Report run = RunAll(kEverything);

    EXPECT_EQ((std::vector<std::string>{"legacy", "ie", "netscape", "java", "driver"}), g_script.calls);
    EXPECT_EQ(Line(kLegacyLinePrefix, "", "legacy message") +
                  Line(kDriverLinePrefix, kOutcomeWarning, "driver message") +
                  Line(kIeLinePrefix, kOutcomeError, "ie message") +
                  Line(kNetscapeLinePrefix, kOutcomeWarning, "netscape message") +
                  Line(kJavaLinePrefix, kOutcomeOk),
              run.report);
    EXPECT_EQ("UWAGA", run.labels[0]);
    EXPECT_EQ("BŁĄD", run.labels[1]);
    EXPECT_EQ("UWAGA", run.labels[2]);
    EXPECT_EQ("OK", run.labels[3]);
}

TEST(RunSequence, SuccessfulLegacyRemovalAndOkResultsShowNoMessage)
{
    g_script = Script();
    Report run = RunAll({0, 0, 1, 1, 0});
    EXPECT_EQ(Line(kDriverLinePrefix, kOutcomeOk) + Line(kJavaLinePrefix, kOutcomeOk), run.report);
    EXPECT_EQ((std::vector<std::string>{"legacy", "java", "driver"}), g_script.calls);
    EXPECT_EQ("", run.labels[1]);
    EXPECT_EQ("", run.labels[2]);
}

TEST(RunSequence, AnAbortStopsTheLaterComponentsAndIsNotReported)
{
    struct Case {
        const char* name;
        int ie, netscape, java;
        std::vector<std::string> calls;
        std::string report;
    };
    const Case cases[] = {
        {"ie aborts", 2, 0, 0, {"legacy", "ie"}, ""},
        {"netscape aborts", 0, 2, 0, {"legacy", "ie", "netscape"}, Line(kIeLinePrefix, kOutcomeOk)},
        {"java aborts", 1, 0, 2, {"legacy", "ie", "netscape", "java"},
         Line(kIeLinePrefix, kOutcomeError, "ie message") + Line(kNetscapeLinePrefix, kOutcomeOk)},
    };
    for (const Case& c : cases) {
        g_script = Script();
        g_script.ie = c.ie;
        g_script.netscape = c.netscape;
        g_script.java = c.java;
        Report run = RunAll(kEverything);
        EXPECT_EQ(c.calls, g_script.calls) << c.name;
        EXPECT_EQ(c.report, run.report) << c.name;
        EXPECT_EQ("", run.labels[0]) << c.name << ": the driver did not run";
    }
}

TEST(RunSequence, NothingCheckedRunsOnlyTheLegacyRemoval)
{
    g_script = Script();
    EXPECT_EQ("", RunAll({0, 0, 0, 0, 0}).report);
    g_script.legacy = 0;
    EXPECT_EQ(Line(kLegacyLinePrefix, "", "legacy message"), RunAll({0, 0, 0, 0, 0}).report);
    EXPECT_EQ((std::vector<std::string>{"legacy"}), g_script.calls);
}

TEST(RunSequence, ReaderSelectionPicksTheDriverCodeOrIsAnError)
{
    const unsigned codes[kReaderTypeCount] = {0, 2, 4, 5};
    for (int index = 0; index < kReaderTypeCount; ++index) {
        g_script = Script();
        RunAll({0, 0, 0, 1, index});
        EXPECT_EQ(codes[index], g_script.driverCode) << index;
    }
    for (int index : {-1, 4, 1000}) {  // -1 is CB_ERR: nothing selected
        g_script = Script();
        Report run = RunAll({0, 0, 0, 1, index});
        EXPECT_EQ((std::vector<std::string>{"legacy"}), g_script.calls) << index;
        EXPECT_EQ(Line(kDriverLinePrefix, kOutcomeError, kReaderOutsideList), run.report) << index;
        EXPECT_EQ("BŁĄD", run.labels[0]);
    }
}

TEST(RunSequence, MissingInstallersAreNotRun)
{
    const InstallerTable legacyOnly = {FakeLegacy, nullptr, nullptr, nullptr, nullptr};
    g_script = Script();
    RunOutcome outcome;
    RunInstallers(legacyOnly, kEverything, &outcome);
    for (int component : {kIe, kNetscape, kJava, kDriver})
        EXPECT_EQ(kNotRun, outcome.result[component]);
}

TEST(RunSequence, LongestMessagesFitTheReport)
{
    RunOutcome outcome;
    for (int i = 0; i < kComponentCount; ++i) {
        outcome.result[i] = i == kLegacy ? 0 : kResultWarning;
        std::string longest(kMessageBuffer - 1, '~');
        CopyText(outcome.message[i], kMessageBuffer, longest.c_str());
    }
    char report[kReportBuffer];
    ReportLabels labels[kReportedComponents];
    BuildReport(outcome, report, kReportBuffer, labels);
    std::string text = report;
    EXPECT_EQ(std::string("\r\n\r\n"), text.substr(text.size() - 4));
    EXPECT_EQ(5 * (kMessageBuffer - 1), (int)std::count(text.begin(), text.end(), '~'));
}

}  // namespace
