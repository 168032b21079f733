// Scratch files and folders on the Wine prefix's C: drive, removed when the test ends.
#pragma once

#include <windows.h>

#include <string>

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
// Sets the last-write time (UTC) of a file.
void SetWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second);
