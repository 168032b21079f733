// The exe's load configuration. Windows 10 1607 and later resolve the static imports of an exe whose
// load configuration holds DependentLoadFlags LOAD_LIBRARY_SEARCH_SYSTEM32 from the system directory
// only, so even an import someone adds by mistake cannot be planted beside the installer. GNU ld does
// not point the PE header at this structure; the build does (cmake/set_load_config.sh).
#include <windows.h>

#include <stddef.h>

#ifndef _WIN64
// The first 64 bytes of IMAGE_LOAD_CONFIG_DIRECTORY32, the size the x86 loader has always accepted; the
// safe exception handler fields after them are left out, as for an image built without them. Spelled
// out because the toolchain's header still calls DependentLoadFlags "Reserved1".
struct LoadConfig32 {
    DWORD size;
    DWORD timeDateStamp;
    WORD majorVersion, minorVersion;
    DWORD globalFlagsClear, globalFlagsSet, criticalSectionDefaultTimeout;
    DWORD deCommitFreeBlockThreshold, deCommitTotalFreeThreshold, lockPrefixTable;
    DWORD maximumAllocationSize, virtualMemoryThreshold, processHeapFlags, processAffinityMask;
    WORD csdVersion;
    WORD dependentLoadFlags;
    DWORD editList;
    DWORD securityCookie;
};
static_assert(sizeof(LoadConfig32) == 64 && offsetof(LoadConfig32, dependentLoadFlags) == 54, "PE layout");

extern "C" const LoadConfig32 _load_config_used = {
    sizeof(LoadConfig32),
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // time stamp to affinity mask: none
    0,                                      // CSDVersion
    0x0800,                                 // DependentLoadFlags: LOAD_LIBRARY_SEARCH_SYSTEM32
    0, 0,                                   // no edit list, no security cookie
};
#endif
