// The run sequence with installer tables of the tests' own: which installers run, in which order, with
// which driver code and in which folder, and the report and labels their results make, byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/bounded_text.h"
#include "shell/run_sequence.h"
#include "support.h"
#include "texts.h"

namespace {

// The fakes return the digit at their place in g_results (legacy, IE, Netscape, Java, driver), give
// their name as the message (with a sixth digit the longest message) and log each call, the driver's
// with its code, and the folder it ran in by its last letter: s the staged root, w where the run started.
std::string g_results, g_calls, g_where;

int Reply(Component component, char* message, int capacity, const std::string& code = "")
{
    const char* names[] = {"legacy", "ie", "netscape", "java", "driver"};
    g_calls += (g_calls.empty() ? "" : " ") + std::string(names[component]) + code;
    g_where += CurrentDirectory().back();
    CopyText(message, capacity, g_results.size() > 5 ? std::string(kMessageBuffer - 1, '~').c_str() : names[component]);
    return g_results[component] - '0';
}
template <Component component> int Install(char* m, int c) { return Reply(component, m, c); }
int Driver(unsigned code, char* m, int c) { return Reply(kDriver, m, c, std::to_string(code)); }
// The staging logs the package folders it was asked for, as PackageFolders bits.
int Stage(unsigned folders, StagedPackage* staged)
{
    g_calls = "stage" + std::to_string(folders);
    return CopyText(staged->root, kPathBuffer, "C:\\installer-tests\\run-in-s");
}
int NotStaged(unsigned folders, StagedPackage*)  // as when the package cannot be staged
{
    g_calls = "stage" + std::to_string(folders);
    return 0;
}

// The report with the program's texts in short, so that a case reads as a line; still byte for byte.
std::string Short(std::string text)
{
    const std::string longest(kMessageBuffer - 1, '~');
    const char* names[][2] = {
        {kLegacyLinePrefix, "legacy: "}, {kDriverLinePrefix, "driver: "}, {kIeLinePrefix, "ie: "},
        {kNetscapeLinePrefix, "netscape: "}, {kJavaLinePrefix, "java: "}, {kOutcomeError, "error "},
        {kOutcomeWarning, "warning "}, {kLineEnd, "/"}, {kMsgIncomplete, "incomplete"},
        {kReaderOutsideList, "outside"}, {longest.c_str(), "longest"}};
    for (const auto& name : names)
        for (size_t at; (at = text.find(name[0])) != std::string::npos;)
            text.replace(at, strlen(name[0]), name[1]);
    return text;
}

struct Case {
    const char* results;  // with one digit, the build has the legacy removal only
    RunRequest request;   // IE, Netscape, Java, driver, reader index
    int (*stage)(unsigned, StagedPackage*);
    std::string seen;     // calls|where, then where after the run|labels (driver, IE, Netscape, Java)|report
};

TEST(RunSequence, CallsStopsAndReports)
{
    const RunRequest all = {1, 1, 1, 1, 3};
    const std::string incomplete = "ie: error incomplete/netscape: error incomplete/java: error incomplete/";
    const Case cases[] = {
        // The driver runs last and is reported first; the legacy removal reports only what it could not do.
        {"01303", all, nullptr,
         "legacy ie netscape java driver5|wwwwww|UWAGA,BŁĄD,UWAGA,OK|legacy: legacy/driver: warning driver/"
         "ie: error ie/netscape: warning netscape/java: OK/"},
        {"10000", {0, 0, 1, 0, 0}, nullptr, "legacy java|www|,,,OK|java: OK/"},
        {"00000", {0, 0, 0, 1, 2}, nullptr, "legacy driver4|www|OK,,,|legacy: legacy/driver: OK/"},
        // A user's abort ends the run and is not reported.
        {"12000", all, nullptr, "legacy ie|www|,,,|"},
        {"10020", all, nullptr, "legacy ie netscape java|wwwww|,OK,OK,|ie: OK/netscape: OK/"},
        {"10000", {0, 0, 0, 1, -1}, nullptr, "legacy|ww|BŁĄD,,,|driver: error outside/"},
        {"10000", {0, 0, 0, 1, 4}, nullptr, "legacy|ww|BŁĄD,,,|driver: error outside/"},
        {"0", all, nullptr, "legacy|ww|,,,|legacy: legacy/"},
        {"10000", {1, 1, 1, 1, 1}, Stage, "stage15 legacy ie netscape java driver2|sssssw|OK,OK,OK,OK|"
                                          "driver: OK/ie: OK/netscape: OK/java: OK/"},
        // Only the folders of what runs are staged: without the driver no Drivers, without Java no sun.
        {"10000", {0, 0, 1, 0, 0}, Stage, "stage4 legacy java|ssw|,,,OK|java: OK/"},
        {"10000", {0, 0, 0, 1, 2}, Stage, "stage8 legacy driver4|ssw|OK,,,|driver: OK/"},
        // Nothing to install from: all but the legacy removal incomplete; a reader outside the list stays that.
        {"10000", all, NotStaged, "stage15 legacy|ww|BŁĄD,BŁĄD,BŁĄD,BŁĄD|driver: error incomplete/" + incomplete},
        {"10000", {1, 1, 1, 1, 7}, NotStaged, "stage7 legacy|ww|BŁĄD,BŁĄD,BŁĄD,BŁĄD|driver: error outside/" + incomplete},
        // The longest messages all fit the report.
        {"033330", {1, 1, 1, 1, 0}, nullptr,
         "legacy ie netscape java driver0|wwwwww|UWAGA,UWAGA,UWAGA,UWAGA|legacy: longest/driver: warning longest/"
         "ie: warning longest/netscape: warning longest/java: warning longest/"},
    };
    ScratchDir staged("run-in-s"), started("run-in-w");
    ScopedCurrentDirectory inStarted(started.path());
    for (const Case& c : cases) {
        g_results = c.results;
        g_calls = g_where = "";
        const InstallerTable table = strlen(c.results) == 1 ? InstallerTable{Install<kLegacy>}
            : InstallerTable{Install<kLegacy>, Install<kIe>, Install<kNetscape>, Install<kJava>, Driver, c.stage};
        RunOutcome outcome;
        RunInstallers(table, c.request, &outcome);
        char report[kReportBuffer];
        ReportLabels labels[kReportedComponents];
        BuildReport(outcome, report, kReportBuffer, labels);
        std::string seen = g_calls + "|" + g_where + CurrentDirectory().back() + "|";
        for (int i = 0; i < kReportedComponents; ++i)
            seen += std::string(i ? "," : "") + (labels[i].text ? labels[i].text : "");
        EXPECT_EQ(c.seen, seen + "|" + Short(report)) << c.results;
    }
}

}  // namespace
