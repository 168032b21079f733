@echo off
rem Stands where the reader vendor's driver installer goes; it installs nothing and says so.
rem The package is sealed when the installer is built: change this file in package/content/Drivers
rem and build again, never in a built package.
echo.
echo  Sterownik czytnika kart GemPC Twin / GemPC Tokens
echo  dla systemu Windows 8, 32-bit
echo.
echo  Ten pakiet nie zawiera instalatora sterownika od producenta czytnika.
echo  Nic nie zainstalowano.
echo.
echo  Instalator zna pliki pakietu z czasu swojej budowy (SHA-256) i uruchamia
echo  tylko je: plik dodany lub zmieniony w gotowym pakiecie nie zostanie uruchomiony.
echo.
echo  Pobierz od producenta czytnika instalator sterownika dla tego systemu,
echo  zapisz go w projekcie instalatora w folderze package\content\Drivers,
echo  tam w pliku twin8.bat zamiast tego tekstu wpisz polecenie jego uruchomienia
echo  i zbuduj instalator na nowo (./run.sh --stage-only).
echo.
pause
