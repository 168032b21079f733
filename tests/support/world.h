// The pieces of the Wine world that many tests build: Java runtimes, copies of the package, the
// program's log, folder listings.
#pragma once

#include <map>
#include <string>

// Registers a runtime under HKLM\SOFTWARE\JavaSoft (a JDK under "Java Development Kit", its lib below
// "jre") with bin\java.exe the recording stand-in: it appends "<command line>|<working directory>"
// to calls.log where it runs. JavaHome is `registered` when given, else home. Returns the lib folder.
std::string AddRuntime(const std::string& version, const std::string& home, bool jdk = false,
                       const std::string& registered = "");
void RemoveRuntimes();

// A copy of the staged package, or of one of its folders ("sun"), into folder, which is made.
void CopyStagedPackage(const std::string& folder, const std::string& part = "");

// The program's log lines, one "\n" each, while the capture lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    const std::string& text() const;
    void Clear();
};

// Every file below folder with its content, keyed by its path below folder; or, not deep, every file
// in folder with its size.
std::map<std::string, std::string> Files(const std::string& folder, bool deep = true);
// The names in folder, sorted and separated by spaces, a folder's with a trailing backslash.
std::string List(const std::string& folder);
