#include "support.h"

#include <algorithm>
#include <vector>

#include "base/log.h"
#include "base/ui_text.h"
#include "copy/copy_tree.h"

std::string AddRuntime(const std::string& version, const std::string& home, bool jdk, const std::string& registered)
{
    const std::string lib = home + (jdk ? "\\jre\\lib" : "\\lib"), value = registered.empty() ? home : registered;
    for (const std::string& folder : {home + "\\bin", lib + "\\ext", lib + "\\security"})
        MakeDirs(folder);
    CopyFileA(FromUnixPath(TEST_BINARY_DIR "/java_stand_in.exe").c_str(), (home + "\\bin\\java.exe").c_str(), FALSE);
    const std::string key =
        std::string("SOFTWARE\\JavaSoft\\") + (jdk ? "Java Development Kit\\" : "Java Runtime Environment\\") + version;
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), "JavaHome", REG_SZ, value.c_str(), (DWORD)value.size() + 1);
    return lib;
}

void RemoveRuntimes()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft");
}

void CopyStagedPackage(const std::string& folder, const std::string& part)
{
    MakeDirs(folder);
    const std::string from = FromUnixPath(STAGED_PACKAGE_DIR) + (part.empty() ? "" : "\\" + part) + "\\*";
    CopyTree(from.c_str(), folder.c_str(), 1, nullptr);
}

namespace {
std::string g_captured;
void Capture(const wchar_t* line)  // as Windows-1250, the tests' literals
{
    char narrow[kLogLineChars];
    NarrowToProgramText(line, narrow, kLogLineChars);
    g_captured += std::string(narrow) + "\n";
}
}  // namespace

LogCapture::LogCapture()
{
    g_captured.clear();
    SetLogSink(Capture);
}
LogCapture::~LogCapture()
{
    SetLogSink(nullptr);
}
const std::string& LogCapture::text() const
{
    return g_captured;
}

namespace {
void Collect(const std::string& folder, bool deep, const std::string& at, std::map<std::string, std::string>* files)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
        const std::string name = entry.cFileName, path = folder + "\\" + name;
        if (name == "." || name == "..")
            continue;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            (*files)[at + name] = deep ? ReadFile(path) : std::to_string(entry.nFileSizeLow);
        else if (deep)
            Collect(path, deep, at + name + "\\", files);
    }
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
}
}  // namespace

std::map<std::string, std::string> Files(const std::string& folder, bool deep)
{
    std::map<std::string, std::string> files;
    Collect(folder, deep, "", &files);
    return files;
}

std::string List(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
        if (strcmp(entry.cFileName, ".") && strcmp(entry.cFileName, ".."))
            names.push_back(entry.cFileName + std::string(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "\\" : ""));
    }
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : " ") + name;
    return text;
}
