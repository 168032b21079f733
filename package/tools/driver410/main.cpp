// Stands in the package for the driver installer of reader driver code 1 (410.exe). It installs
// nothing: it tells the user which file belongs here and how it gets into the package.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    // The package is sealed when the installer is built, so the vendor's program has to go into the
    // installer's sources, not into a built package.
    MessageBoxW(nullptr,
                L"Ten pakiet nie zawiera instalatora sterownika od producenta czytnika. "
                L"Nic nie zostało zainstalowane.\n\n"
                L"Instalator zna pliki pakietu z czasu swojej budowy (SHA-256) i uruchamia tylko je: "
                L"plik dodany lub zmieniony w gotowym pakiecie nie zostanie uruchomiony.\n\n"
                L"Pobierz od producenta czytnika instalator sterownika, zapisz go w projekcie instalatora "
                L"w folderze package\\content\\Drivers jako 410.exe (zastąpi w pakiecie ten program) "
                L"i zbuduj instalator na nowo.",
                L"Sterownik czytnika kart (410.exe)", MB_OK | MB_ICONINFORMATION);
    return 1;  // no driver was installed
}
