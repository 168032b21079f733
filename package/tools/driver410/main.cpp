// Stands in the package for the driver installer of reader driver code 1 (410.exe). It installs
// nothing: it tells the user which file belongs here and where to put it.
#include <windows.h>

#include <stdio.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    wchar_t folder[MAX_PATH + 1];
    DWORD n = GetModuleFileNameW(nullptr, folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        n = 0;
    folder[n] = L'\0';
    for (DWORD i = n; i > 0; --i) {
        if (folder[i - 1] == L'\\') {
            folder[i] = L'\0';
            break;
        }
    }

    wchar_t text[1024];
    _snwprintf(text, 1024,
               L"Ten pakiet nie zawiera instalatora sterownika od producenta czytnika. "
               L"Nic nie zostało zainstalowane.\n\n"
               L"Pobierz od producenta czytnika instalator sterownika i zapisz go w folderze\n%ls\n"
               L"jako 410.exe, w miejsce tego programu. Potem uruchom instalator ponownie.",
               folder);
    text[1023] = L'\0';
    MessageBoxW(nullptr, text, L"Sterownik czytnika kart (410.exe)", MB_OK | MB_ICONINFORMATION);
    return 1;  // no driver was installed
}
