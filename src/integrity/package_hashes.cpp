// Looking up the sealed package and hashing files with the platform's own SHA-256 (CNG).
#include "package_hashes.h"

#include <string.h>
#include <windows.h>

#include "cng.h"

namespace {

enum { kReadChunk = 16384 };

}  // namespace

const PackageFile* FindPackageFile(const PackageHashTable& table, const char* path)
{
    for (int i = 0; path && i < table.count; ++i) {
        if (_stricmp(table.files[i].path, path) == 0)
            return &table.files[i];
    }
    return nullptr;
}

int BeginSha256(Sha256* state)
{
    void* algorithm = nullptr;
    void* hash = nullptr;
    state->algorithm = nullptr;
    state->hash = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, kCngSha256, nullptr, 0) != 0)
        return 0;
    // Null object buffer: CNG keeps the hash object itself (Windows 7 and later).
    if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) != 0) {
        BCryptCloseAlgorithmProvider(algorithm, 0);
        return 0;
    }
    state->algorithm = algorithm;
    state->hash = hash;
    return 1;
}

int UpdateSha256(Sha256* state, const void* data, unsigned long size)
{
    return state->hash && BCryptHashData(state->hash, (UCHAR*)data, size, 0) == 0;
}

int FinishSha256(Sha256* state, unsigned char digest[kSha256Bytes])
{
    int done = state->hash && BCryptFinishHash(state->hash, digest, kSha256Bytes, 0) == 0;
    if (state->hash)
        BCryptDestroyHash(state->hash);
    if (state->algorithm)
        BCryptCloseAlgorithmProvider(state->algorithm, 0);
    state->hash = nullptr;
    state->algorithm = nullptr;
    return done;
}

int HashFile(const char* path, unsigned char digest[kSha256Bytes])
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    Sha256 state;
    int ok = BeginSha256(&state);
    unsigned char chunk[kReadChunk];
    DWORD got = 0;
    while (ok && (ok = ReadFile(file, chunk, sizeof chunk, &got, nullptr) != FALSE) && got > 0)
        ok = UpdateSha256(&state, chunk, got);
    ok = FinishSha256(&state, digest) && ok;
    CloseHandle(file);
    return ok;
}
