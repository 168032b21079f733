// The loader binds an exe's static imports, and their own imports, before WinMain runs, looking in the
// exe's folder first: a DLL of a dependency's name planted beside the installer in a download folder
// would run with administrator rights before any hardening. So the shipped exe imports only KERNEL32
// and the C runtime, and every other system function it calls goes through a slot defined here. Each
// slot carries the name of the import pointer that the compiler calls through for a dllimport
// function, so call sites stay ordinary Win32 calls, and the linker takes the slot instead of pulling
// the DLL's import library. A call that is not listed here still links, as a static import: the test
// of the exe's import table names it. Only instalator.exe links this file; the tests bind statically.
#include "system_binding.h"

#include <windows.h>

#include "../base/system_library.h"

// name, bytes of arguments (part of the 32-bit import's decorated name)
#define USER32_FUNCTIONS(X)          \
    X(CheckDlgButton, 12)            \
    X(DialogBoxParamW, 20)           \
    X(EnableWindow, 8)               \
    X(EndDialog, 8)                  \
    X(EnumWindows, 8)                \
    X(GetClientRect, 8)              \
    X(GetDlgItem, 8)                 \
    X(GetLastActivePopup, 4)         \
    X(GetWindowRect, 8)              \
    X(GetWindowTextW, 12)            \
    X(GetWindowThreadProcessId, 8)   \
    X(IsDlgButtonChecked, 8)         \
    X(IsIconic, 4)                   \
    X(IsWindowVisible, 4)            \
    X(LoadCursorA, 8)                \
    X(LoadIconW, 8)                  \
    X(MapDialogRect, 8)              \
    X(MessageBoxW, 16)               \
    X(MoveWindow, 24)                \
    X(PostMessageW, 16)              \
    X(SendDlgItemMessageW, 20)       \
    X(SendMessageW, 16)              \
    X(SetCursor, 4)                  \
    X(SetFocus, 4)                   \
    X(SetForegroundWindow, 4)        \
    X(SetWindowTextW, 8)             \
    X(ShowWindow, 8)

#define ADVAPI32_FUNCTIONS(X)                                   \
    X(ConvertStringSecurityDescriptorToSecurityDescriptorA, 16) \
    X(CopySid, 12)                                              \
    X(EqualSid, 8)                                              \
    X(GetAce, 12)                                               \
    X(GetSecurityDescriptorDacl, 16)                            \
    X(GetSecurityDescriptorOwner, 12)                           \
    X(GetSecurityInfo, 32)                                      \
    X(GetTokenInformation, 20)                                  \
    X(GetUserNameW, 8)                                          \
    X(IsValidSid, 4)                                            \
    X(MapGenericMask, 8)                                        \
    X(OpenProcessToken, 12)                                     \
    X(RegCloseKey, 4)                                           \
    X(RegDeleteValueW, 8)                                       \
    X(RegEnumKeyA, 16)                                          \
    X(RegOpenKeyExA, 20)                                        \
    X(RegQueryValueExA, 24)                                     \
    X(RegQueryValueExW, 24)                                     \
    X(RegSetValueExW, 24)

#define BCRYPT_FUNCTIONS(X)               \
    X(BCryptCloseAlgorithmProvider, 8)    \
    X(BCryptCreateHash, 28)               \
    X(BCryptDestroyHash, 4)               \
    X(BCryptFinishHash, 16)               \
    X(BCryptGenRandom, 16)                \
    X(BCryptHashData, 16)                 \
    X(BCryptOpenAlgorithmProvider, 16)

#ifdef _WIN64
#define IMPORT_SLOT_NAME(name, bytes) "__imp_" #name
#else
#define IMPORT_SLOT_NAME(name, bytes) "__imp__" #name "@" #bytes
#endif

#define DEFINE_SLOT(name, bytes) extern "C" void* g_slot_##name asm(IMPORT_SLOT_NAME(name, bytes)); \
    void* g_slot_##name = nullptr;
USER32_FUNCTIONS(DEFINE_SLOT)
ADVAPI32_FUNCTIONS(DEFINE_SLOT)
BCRYPT_FUNCTIONS(DEFINE_SLOT)

namespace {

struct Binding {
    const char* name;
    void** slot;
};

#define BINDING_ENTRY(name, bytes) {#name, &g_slot_##name},
const Binding kUser32[] = {USER32_FUNCTIONS(BINDING_ENTRY)};
const Binding kAdvapi32[] = {ADVAPI32_FUNCTIONS(BINDING_ENTRY)};
const Binding kBcrypt[] = {BCRYPT_FUNCTIONS(BINDING_ENTRY)};

// The library stays loaded for the life of the process: the slots point into it.
int Bind(const char* library, const Binding* bindings, int count, int searchFlags)
{
    HMODULE module = LoadSystemLibrary(library, searchFlags);
    if (!module)
        return 0;
    for (int i = 0; i < count; ++i) {
        *bindings[i].slot = (void*)GetProcAddress(module, bindings[i].name);
        if (!*bindings[i].slot)
            return 0;
    }
    return 1;
}

// Libraries that USER32 and the theme code load only when they first need them (to draw a themed
// button, to start drag and drop), through their delay-load thunks. Where such a load does not honour
// the restricted search (Wine's builtin DLLs take the exe's folder first), a planted copy would still
// run; loaded from the system directory now, every later load by name finds this copy. Not every
// Windows has all of them: a missing one is simply not needed. NSIS preloads for the same reason.
const char* const kLoadedOnDemand[] = {"uxtheme.dll", "msimg32.dll", "ole32.dll",   "dwmapi.dll",
                                       "imm32.dll",   "version.dll", "userenv.dll", "cryptbase.dll"};

}  // namespace

int BindSystemLibraries()
{
    int searchFlags = LoaderHasSearchFlags();
    if (!Bind("user32.dll", kUser32, sizeof kUser32 / sizeof kUser32[0], searchFlags) ||
        !Bind("advapi32.dll", kAdvapi32, sizeof kAdvapi32 / sizeof kAdvapi32[0], searchFlags) ||
        !Bind("bcrypt.dll", kBcrypt, sizeof kBcrypt / sizeof kBcrypt[0], searchFlags))
        return 0;
    for (const char* name : kLoadedOnDemand)
        LoadSystemLibrary(name, searchFlags);  // kept for the life of the process, like the two above
    return 1;
}
