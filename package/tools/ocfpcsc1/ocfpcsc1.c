/* Stand-in for the OCF PC/SC bridge library of the installer package: a DLL that loads and unloads
   cleanly and says what it is. It gives no access to card readers. */
#include <windows.h>

__declspec(dllexport) const char* OcfPcscStandIn(void)
{
    return "ocfpcsc1 stand-in of the installer package (no card access)";
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
