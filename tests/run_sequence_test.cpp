// The run sequence with installer tables of the tests' own: which installers run, in which order, with
// which driver code and in which folder, and the report and labels their results make, byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/bounded_text.h"
#include "scratch.h"
#include "shell/run_sequence.h"
#include "system.h"
#include "texts.h"

namespace {

// The fakes return the digit at their place in g_results (legacy, IE, Netscape, Java, driver), give
// their name as the message (with a sixth digit the longest message) and log each call, the driver's
// with its code, and the folder it ran in by its last letter: s the staged root, w where the run started.
std::string g_results, g_calls, g_where, g_stageTo;

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
// Stages into g_stageTo; with none it fails, as when the package cannot be staged.
int Stage(StagedPackage* staged)
{
    staged->hold = INVALID_HANDLE_VALUE;
    return CopyText(staged->root, kPathBuffer, g_stageTo.c_str()) && !g_stageTo.empty();
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
    for (const auto& name : names) {
        for (size_t at; (at = text.find(name[0])) != std::string::npos;)
            text.replace(at, strlen(name[0]), name[1]);
    }
    return text;
}

enum Setup { kInPlace, kStaged, kNotStaged, kLegacyOnly };
struct Case {
    const char* results;
    RunRequest request;  // IE, Netscape, Java, driver, reader index
    Setup setup;
    std::string seen;    // calls|where|labels (driver, IE, Netscape, Java)|report
};

TEST(RunSequence, CallsStopsAndReports)
{
    const RunRequest all = {1, 1, 1, 1, 3};
    const std::string incomplete = "ie: error incomplete/netscape: error incomplete/java: error incomplete/";
    const Case cases[] = {
        // The driver runs last and is reported first; the legacy removal reports only what it could not do.
        {"01303", all, kInPlace,
         "legacy ie netscape java driver5|wwwww|UWAGA,BŁĄD,UWAGA,OK|legacy: legacy/driver: warning driver/"
         "ie: error ie/netscape: warning netscape/java: OK/"},
        {"10000", {0, 0, 1, 1, 0}, kInPlace, "legacy java driver0|www|OK,,,OK|driver: OK/java: OK/"},
        {"00000", {0, 0, 0, 1, 2}, kInPlace, "legacy driver4|ww|OK,,,|legacy: legacy/driver: OK/"},
        {"10000", {0, 0, 0, 0, 0}, kInPlace, "legacy|w|,,,|"},
        // A user's abort ends the run and is not reported.
        {"12000", all, kInPlace, "legacy ie|ww|,,,|"},
        {"10200", all, kInPlace, "legacy ie netscape|www|,OK,,|ie: OK/"},
        {"10020", all, kInPlace, "legacy ie netscape java|wwww|,OK,OK,|ie: OK/netscape: OK/"},
        {"10000", {0, 0, 0, 1, -1}, kInPlace, "legacy|w|BŁĄD,,,|driver: error outside/"},
        {"10000", {0, 0, 0, 1, 4}, kInPlace, "legacy|w|BŁĄD,,,|driver: error outside/"},
        {"00000", all, kLegacyOnly, "legacy|w|,,,|legacy: legacy/"},  // the others are missing from the build
        {"10000", {1, 1, 1, 1, 1}, kStaged, "legacy ie netscape java driver2|sssss|OK,OK,OK,OK|"
                                            "driver: OK/ie: OK/netscape: OK/java: OK/"},
        // Nothing to install from: only the legacy removal runs, the rest is incomplete as a missing
        // package folder makes it, and a reader type outside the list stays that error.
        {"10000", all, kNotStaged, "legacy|w|BŁĄD,BŁĄD,BŁĄD,BŁĄD|driver: error incomplete/" + incomplete},
        {"10000", {1, 1, 1, 1, 7}, kNotStaged, "legacy|w|BŁĄD,BŁĄD,BŁĄD,BŁĄD|driver: error outside/" + incomplete},
        // The longest messages all fit the report.
        {"033330", all, kInPlace,
         "legacy ie netscape java driver5|wwwww|UWAGA,UWAGA,UWAGA,UWAGA|legacy: longest/driver: warning longest/"
         "ie: warning longest/netscape: warning longest/java: warning longest/"},
    };
    ScratchDir staged("run-in-s"), started("run-in-w");
    ScopedCurrentDirectory inStarted(started.path());
    for (const Case& c : cases) {
        g_results = c.results;
        g_calls = g_where = "";
        g_stageTo = c.setup == kStaged ? staged.path() : "";
        InstallerTable table = {Install<kLegacy>, Install<kIe>, Install<kNetscape>, Install<kJava>, Driver,
                                c.setup == kInPlace ? nullptr : Stage};
        if (c.setup == kLegacyOnly)
            table = {Install<kLegacy>};
        RunOutcome outcome;
        RunInstallers(table, c.request, &outcome);
        char report[kReportBuffer];
        ReportLabels labels[kReportedComponents];
        BuildReport(outcome, report, kReportBuffer, labels);
        std::string seen = g_calls + "|" + g_where + "|";
        for (int i = 0; i < kReportedComponents; ++i)
            seen += std::string(i ? "," : "") + (labels[i].text ? labels[i].text : "");
        EXPECT_EQ(c.seen, seen + "|" + Short(report)) << c.results << " " << c.setup;
        EXPECT_EQ(started.path(), CurrentDirectory()) << "restored";
    }
}

}  // namespace
