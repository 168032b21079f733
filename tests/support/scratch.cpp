#include "support.h"

#include <cstdio>

ScratchDir::ScratchDir(const std::string& name)
{
    path_ = "C:\\installer-tests\\" + name;
    RemoveTree(path_);
    MakeDirs(path_);
}

ScratchDir::~ScratchDir()
{
    RemoveTree(path_);
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::string& path) : saved_(CurrentDirectory())
{
    SetCurrentDirectoryA(path.c_str());
}

ScopedCurrentDirectory::~ScopedCurrentDirectory()
{
    SetCurrentDirectoryA(saved_.c_str());
}

HeldOpen::HeldOpen(const std::string& path, DWORD share, DWORD access)
{
    handle_ = CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

void HeldOpen::Release()
{
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

void WriteFile(const std::string& path, const std::string& content)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return;
    fwrite(content.data(), 1, content.size(), f);
    fclose(f);
}

std::string ReadFile(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return "<missing>";
    std::string content;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        content.append(buffer, n);
    fclose(f);
    return content;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeDirs(const std::string& path)
{
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\')
            CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
}

void RemoveTree(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveHostLink(path);  // never into a link: that would empty its target; also one to nowhere
        return;
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL | (attributes & FILE_ATTRIBUTE_DIRECTORY));
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    // Links first: Wine no longer lists a link whose target went before it, and its folder would stay.
    for (int links = 1; links >= 0; --links) {
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE)
            continue;
        do {
            std::string name = entry.cFileName;
            bool link = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (name != "." && name != ".." && link == (links == 1))
                RemoveTree(path + "\\" + name);
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    // Under Wine the hidden console host of a program started without a window outlives it briefly,
    // still in the folder that program started in.
    for (int wait = 0; !RemoveDirectoryA(path.c_str()) && GetLastError() == ERROR_SHARING_VIOLATION && wait < 3000;
         wait += 50)
        Sleep(50);
}

void SetWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second,
                  LONGLONG ticks)
{
    const SYSTEMTIME time = {year, month, 0, day, hour, minute, second, 0};
    FILETIME fileTime;
    SystemTimeToFileTime(&time, &fileTime);
    const ULONGLONG at = ((ULONGLONG)fileTime.dwHighDateTime << 32 | fileTime.dwLowDateTime) + ticks;
    fileTime = {(DWORD)at, (DWORD)(at >> 32)};
    DWORD attributes = GetFileAttributesA(path.c_str());
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        SetFileTime(file, nullptr, nullptr, &fileTime);
        CloseHandle(file);
    }
    SetFileAttributesA(path.c_str(), attributes);
}
