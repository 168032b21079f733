// The CNG functions this program calls, declared as imports from bcrypt.dll. MinGW's bcrypt.h declares
// them as plain functions, which the linker would bind through a static import of bcrypt.dll that the
// loader resolves before the start-up hardening; as imports they go through the start-up binding table.
#pragma once

#include <windows.h>

extern "C" {
__declspec(dllimport) LONG WINAPI BCryptOpenAlgorithmProvider(void** algorithm, const wchar_t* id,
                                                              const wchar_t* implementation, ULONG flags);
__declspec(dllimport) LONG WINAPI BCryptCloseAlgorithmProvider(void* algorithm, ULONG flags);
__declspec(dllimport) LONG WINAPI BCryptCreateHash(void* algorithm, void** hash, UCHAR* object, ULONG objectBytes,
                                                   UCHAR* secret, ULONG secretBytes, ULONG flags);
__declspec(dllimport) LONG WINAPI BCryptHashData(void* hash, UCHAR* input, ULONG bytes, ULONG flags);
__declspec(dllimport) LONG WINAPI BCryptFinishHash(void* hash, UCHAR* output, ULONG bytes, ULONG flags);
__declspec(dllimport) LONG WINAPI BCryptDestroyHash(void* hash);
__declspec(dllimport) LONG WINAPI BCryptGenRandom(void* algorithm, UCHAR* buffer, ULONG bytes, ULONG flags);
}

#define kCngSha256 L"SHA256"
enum { kCngSystemPreferredRng = 0x00000002 };  // BCRYPT_USE_SYSTEM_PREFERRED_RNG
