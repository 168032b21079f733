@echo off
rem Stands where the reader vendor's driver installer goes; it installs nothing and says so.
echo.
echo  Sterownik czytnika kart GemPC Twin / GemPC Tokens
echo  dla systemu Windows 7/XP/Vista/2000, 32-bit
echo.
echo  Ten pakiet nie zawiera instalatora sterownika od producenta czytnika.
echo  Nic nie zainstalowano.
echo.
echo  Pobierz od producenta czytnika instalator sterownika dla tego systemu,
echo  zapisz go w folderze
echo     %~dp0
echo  a w pliku twin.bat zamiast tego tekstu wpisz polecenie jego uruchomienia.
echo  Potem uruchom instalator ponownie.
echo.
pause
