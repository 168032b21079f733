// Times CopyTree over a generated tree against the cheapest way to do the same work (a plain loop of
// CreateDirectoryA and CopyFileA over the known names) and against what a user would reach for
// (xcopy /E /I /Y through cmd). Prints the median wall times and their ratios.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "copy/copy_file.h"
#include "copy/copy_tree.h"
#include "copy/path.h"

namespace {

const char kBase[] = "C:\\copy-tree-bench";
const int kTopFolders = 20;
const int kSubFolders = 9;      // below each top folder: 20 + 20 * 9 = 200 folders
const int kFilesPerFolder = 10; // 2,000 files

struct Tree {
    std::vector<std::string> folders;  // relative to the tree's root, parents first
    std::vector<std::string> files;
};

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

int CountFiles(const std::string& path)
{
    int count = 0;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            count += CountFiles(path + "\\" + name);
        else
            ++count;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return count;
}

Tree Generate(const std::string& root)
{
    Tree tree;
    CreateDirectoryA(root.c_str(), nullptr);
    for (int t = 0; t < kTopFolders; ++t) {
        std::string top = "pkg" + std::to_string(t);
        tree.folders.push_back(top);
        for (int s = 0; s < kSubFolders; ++s)
            tree.folders.push_back(top + "\\classes" + std::to_string(s));
    }
    for (const std::string& folder : tree.folders) {
        CreateDirectoryA((root + "\\" + folder).c_str(), nullptr);
        for (int f = 0; f < kFilesPerFolder; ++f) {
            std::string file = folder + "\\Class" + std::to_string(f) + ".class";
            tree.files.push_back(file);
            // 1 to 8 KiB, like the small class and property files of the package.
            std::string content((size_t)(1024 * (1 + (tree.files.size() % 8))), (char)('a' + f));
            HANDLE h = CreateFileA((root + "\\" + file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            WriteFile(h, content.data(), (DWORD)content.size(), &written, nullptr);
            CloseHandle(h);
        }
    }
    return tree;
}

double Seconds(LARGE_INTEGER start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (double)(now.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
}

int RunCommand(const std::string& command)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = command;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (int)code;
}

// The CopyFileChecked loop separates the walk's own cost from what each checked copy adds to CopyFileA.
enum Method { kCopyTreeMethod, kCheckedLoop, kPlainLoop, kXcopy, kCmdStart, kMethods };
const char* const kNames[kMethods] = {"CopyTree", "CopyFileChecked loop", "CopyFileA loop", "xcopy /E /I /Y",
                                      "cmd /c rem (start-up only)"};

// One timed copy into a fresh destination; returns the seconds, or a negative value on failure.
double TimeOnce(Method method, const Tree& tree, const std::string& dest)
{
    RemoveTree(dest);
    if (method != kXcopy)
        CreateDirectoryA(dest.c_str(), nullptr);  // CopyTree fills an existing folder; xcopy /I makes its own
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    bool ok = true;
    switch (method) {
    case kCopyTreeMethod: {
        char failed[kPathBuffer];
        ok = CopyTree("src\\*", dest.c_str(), 1, failed) == 0;
        break;
    }
    case kPlainLoop:
        for (const std::string& folder : tree.folders)
            ok = CreateDirectoryA((dest + "\\" + folder).c_str(), nullptr) && ok;
        for (const std::string& file : tree.files)
            ok = CopyFileA(("src\\" + file).c_str(), (dest + "\\" + file).c_str(), FALSE) && ok;
        break;
    case kCheckedLoop:
        for (const std::string& folder : tree.folders)
            ok = CreateDirectoryA((dest + "\\" + folder).c_str(), nullptr) && ok;
        for (const std::string& file : tree.files)
            ok = CopyFileChecked(("src\\" + file).c_str(), (dest + "\\" + file).c_str(), 0) == 0 && ok;
        break;
    case kXcopy:
        ok = RunCommand("cmd.exe /c xcopy /E /I /Y /Q src \"" + dest + "\" >NUL") == 0;
        break;
    case kCmdStart:
        ok = RunCommand("cmd.exe /c rem") == 0;
        break;
    default:
        break;
    }
    double seconds = Seconds(start);
    if (method != kCmdStart && CountFiles(dest) != (int)tree.files.size())
        ok = false;
    return ok ? seconds : -1.0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    int repeats = argc > 1 ? atoi(argv[1]) : 5;
    if (repeats < 1)
        repeats = 1;
    const std::string base = kBase;
    RemoveTree(base);
    CreateDirectoryA(base.c_str(), nullptr);
    Tree tree = Generate(base + "\\src");
    SetCurrentDirectoryA(base.c_str());
    const std::string dest = base + "\\dest";
    printf("tree: %d files in %d folders, %d repeats (after one warm-up round)\n", (int)tree.files.size(),
           (int)tree.folders.size(), repeats);

    std::vector<double> times[kMethods];
    int status = 0;
    for (int round = 0; round <= repeats; ++round) {
        for (int i = 0; i < kMethods; ++i) {
            Method method = (Method)((i + round) % kMethods);  // rotate, so no method always goes first
            double seconds = TimeOnce(method, tree, dest);
            if (seconds < 0) {
                fprintf(stderr, "%s failed\n", kNames[method]);
                status = 1;
            } else if (round > 0) {
                times[method].push_back(seconds);
            }
        }
    }
    SetCurrentDirectoryA("C:\\");
    RemoveTree(base);
    if (status != 0)
        return status;

    double median[kMethods];
    for (int m = 0; m < kMethods; ++m) {
        median[m] = Median(times[m]);
        printf("%-30s median %8.1f ms  (min %8.1f, max %8.1f)\n", kNames[m], median[m] * 1000,
               *std::min_element(times[m].begin(), times[m].end()) * 1000,
               *std::max_element(times[m].begin(), times[m].end()) * 1000);
    }
    printf("CopyTree / CopyFileA loop: %.3f\n", median[kCopyTreeMethod] / median[kPlainLoop]);
    printf("CopyTree / CopyFileChecked loop: %.3f\n", median[kCopyTreeMethod] / median[kCheckedLoop]);
    printf("CopyTree / xcopy:          %.3f\n", median[kCopyTreeMethod] / median[kXcopy]);
    return 0;
}
