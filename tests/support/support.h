// What the tests share: scratch files and folders on the prefix's C: drive, facts about the process
// and the prefix, the pieces of the Wine world that many tests build, answering message boxes, and
// driving the dialog from inside or the exe from outside.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "shell/run_sequence.h"

// A fresh folder C:\installer-tests\<name>; removed with everything in it on destruction.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

// Makes the working directory `path` for the life of the object.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string& path);
    ~ScopedCurrentDirectory();

private:
    std::string saved_;
};

// An open handle that keeps a file "in use" (read access, read sharing), as a loaded DLL would.
class HeldOpen {
public:
    explicit HeldOpen(const std::string& path, DWORD share = FILE_SHARE_READ, DWORD access = GENERIC_READ);
    ~HeldOpen() { Release(); }
    void Release();

private:
    HANDLE handle_;
};

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);  // "<missing>" when it cannot be read
bool Exists(const std::string& path);
void MakeDirs(const std::string& path);          // every missing folder of the path
void RemoveTree(const std::string& path);        // files and folders, read-only ones included
// Sets the last-write time (UTC, plus ticks of 100 ns) of a file.
void SetWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second,
                  LONGLONG ticks = 0);

// Open handles of this process (files, keys, find handles, ...), counted through the kernel.
int CountOpenHandles();

std::string SystemDirectory();
// Whether this is the shipped 32-bit build on 64-bit Windows (WOW64). Its system directory is SysWOW64
// behind the name system32, it sees the 32-bit registry view (WOW6432Node) and the restart's operations
// are carried out by the 64-bit session manager, which takes system32 for the real one. The 64-bit build,
// which runs where 32-bit code cannot, sees everything under its own name.
bool UnderWow64();
std::string WindowsDirectory();
std::string CurrentDirectory();

// A Unix path (as CMake knows it) in the form Wine's programs use: the Z: drive maps the Unix root.
std::string FromUnixPath(const char* unixPath);

// Unsafe folders as Wine shows them: it starts host programs by their Z: path, reads a host symbolic
// link as a reparse point, a host owner other than the Wine user as ANONYMOUS LOGON, and turns a DACL
// entry for Everyone into the mode bits of "other" (chmod o+w). Each waits until the change shows.
void MakeHostLink(const std::string& link, const std::string& target);
void RemoveHostLink(const std::string& link);  // Wine's own calls act on the link's target; none: nothing
void GiveToAnotherOwner(const std::string& path);  // needs root on the host
void LetEveryoneChange(const std::string& path);

// The operations the next restart carries out (PendingFileRenameOperations): the raw multi-string, or
// one line "from>to" a pair (a deletion's target is empty, a replacement's starts with "!").
// SetPendingRenames puts a raw value back; "" removes it.
std::string PendingRenames(bool raw = false);
void SetPendingRenames(const std::string& raw);

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
};

// Every file below folder with its content, keyed by its path below folder; or, not deep, every file
// in folder with its size.
std::map<std::string, std::string> Files(const std::string& folder, bool deep = true);
// The names in folder, sorted and separated by spaces, a folder's with a trailing backslash.
std::string List(const std::string& folder);

struct Prompt {
    std::wstring caption;
    std::wstring text;
    HWND window;
};

// While alive, every message box shown on the constructing thread is answered: by the next queued
// answer, else by the handler, else by the default answer. The component dialog itself is left alone.
// The first one of a process shows and answers a box of its own, so that user32's lasting handles are
// open before a test counts handles.
class PromptResponder {
public:
    explicit PromptResponder(int defaultAnswer = IDOK);
    ~PromptResponder();
    PromptResponder(const PromptResponder&) = delete;
    PromptResponder& operator=(const PromptResponder&) = delete;

    void Queue(int answer) { queued_.push_back(answer); }
    // Called for each prompt when no answer is queued; returns the button id to press.
    void SetHandler(std::function<int(const Prompt&)> handler) { handler_ = std::move(handler); }

    const std::vector<Prompt>& prompts() const { return prompts_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    void OnActivate(HWND window);
    void OnDestroy(HWND window);

    HHOOK hook_;
    int defaultAnswer_;
    std::vector<int> queued_;
    std::function<int(const Prompt&)> handler_;
    std::vector<Prompt> prompts_;
};

// Windows-1250 program text as UTF-16, for comparing with what a window shows.
std::wstring Wide1250(const char* text);

// Drives a running instalator.exe from another process, as a user would: finds its windows, presses
// its buttons and reads what they show.
class OutsideInstaller {
public:
    OutsideInstaller() = default;
    ~OutsideInstaller();  // ends the process if it is still running
    OutsideInstaller(const OutsideInstaller&) = delete;
    OutsideInstaller& operator=(const OutsideInstaller&) = delete;

    // Starts exePath with workingDir as the current directory, the arguments after its name and, unless
    // empty, an environment block of "NAME=value\0" entries. Returns false if it could not start.
    bool Start(const std::string& exePath, const std::string& workingDir, const std::wstring& arguments = L"",
               const std::wstring& environment = L"");
    // The same for names that no code page can spell.
    bool Start(const std::wstring& exePath, const std::wstring& workingDir, const std::wstring& arguments = L"",
               const std::wstring& environment = L"");

    // A top-level window of the process: the message box with this caption, or the component dialog.
    HWND WaitForMessageBox(const std::wstring& caption, int timeoutMs = 15000);
    HWND WaitForDialog(int timeoutMs = 15000);
    // Waits (60 s at most) for the end: "<exit code>", after "window|" if the process showed any window meanwhile.
    std::string Ended();
    bool WaitForExit(int timeoutMs, DWORD* exitCode = nullptr);

    DWORD processId() const { return info_.dwProcessId; }

private:
    PROCESS_INFORMATION info_ = {};
};

std::wstring TextOf(HWND window);                 // WM_GETTEXT, answered by the owning process
std::wstring ItemTextOf(HWND dialog, int id);
std::wstring MessageBoxText(HWND box);
void Click(HWND dialog, int id);                  // a button click as the user makes it
void PressKey(HWND window, WORD key);             // a key pressed and released, into the window in front
// Waits until the text of a dialog item starts with prefix.
bool WaitForItemText(HWND dialog, int id, const std::wstring& prefix, int timeoutMs = 30000);
std::string Utf8(const std::wstring& text);
// A Windows-1250 literal of a test as UTF-8, as the log holds it.
inline std::string U8(const char* text) { return Utf8(Wide1250(text)); }

// Shows the real component dialog (template 101) modally in this process with `table` behind its Install
// button and calls `script` with the dialog window once it is up. Returns whether the dialog ended by
// itself; one still open 5 s after the script returned is ended by force.
bool RunDialog(const InstallerTable* table, const std::function<void(HWND)>& script);

// A press of a button as the dialog manager delivers it.
void Press(HWND dialog, int id);
int WindowHeight(HWND window);
