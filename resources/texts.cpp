// Every text the program shows, spelled as the product defines it. UTF-8 here, Windows-1250 in the binary.
#include "texts.h"

const char kStartFolderText[] =
    "Nie można ustalić folderu instalatora ani uczynić go folderem bieżącym (zbyt długa ścieżka lub znaki "
    "spoza strony kodowej systemu). Instalacja nie zostanie wykonana.\n"
    "\n"
    "Skopiuj pakiet instalacyjny do folderu o krótkiej nazwie bez liter ze znakami diakrytycznymi i uruchom "
    "instalator ponownie.";
const char kWelcomeCaption[] = "Instalator czytnika kart mikropr. dla przeglądarek internetowych";
const char kWelcomeText[] =
    "Za chwilę rozpocznie się instalacja i konfiguracja środowiska obsługi czytnika kart mikroprocesorowych,\n"
    "dla współpracy z przeglądarkami internetowymi: MS Internet Explorer i tych pracujących\n"
    "na bazie silnika Sun Java Plug-in (m.in. przeglądarki: Mozilla, Netscape 7.x, Opera)\n"
    "\n"
    "Instalator spróbuje samodzielnie wykryć przeglądarki zainstalowane na tym komputerze i dokonać dla nich\n"
    "konfiguracji odpowiedniego środowiska. Dlatego też należy mieć już zainstalowane przeglądarki internetowe,\n"
    "które mają współpracować z czytnikiem kart, lub gdy ich nie ma, opuścić ten instalator, zainstalować wymagane\n"
    "przeglądarki i uruchomić go ponownie.\n"
    "\n"
    "Czy chcesz kontynuować instalacje ?";
const char kDialogCaptionFormat[] = "Instalator czytnika kart mikroproc. [v%d.%d]";
const char kDetailsButtonFormat[] = "&Szczegóły %s";
const char kDetailsShow[] = ">>";
const char kDetailsHide[] = "<<";
const char kCloseButton[] = "&Zamknij";
const char kRestartCaption[] = "Info";
const char kRestartText[] = "Dla poprawnego zakończenia instalacji konieczne jest zrestartowanie komputera.";
const char kReaderType32[] = "GemPC(Twin,Tokens)-Win7/XP/Vista/2000-32bit";
const char kReaderType64[] = "GemPC(Twin,Tokens)-Win7/XP/Vista/2000-64bit";
// The missing parenthesis is how the product has always shown this entry.
const char kReaderTypeWin8[] = "GemPC(Twin,Tokens-Win8-32bit";
const char kReaderTypeWin8x64[] = "GemPC(Twin,Tokens)-Win8-64bit";

const char kReaderOutsideList[] = "Wybór czytnika kart spoza dostępnej listy";
const char kLegacyLinePrefix[] = "Detekcja/deinstalacja poprzedniego środowiska OCF: BŁĄD - ";
const char kDriverLinePrefix[] = "Instalacja sterownika czytnika kart: ";
const char kIeLinePrefix[] = "Instalacja komponentów dla MS Internet Explorera: ";
const char kNetscapeLinePrefix[] = "Instalacja komponentów dla Netscape 4.x: ";
const char kJavaLinePrefix[] = "Instalacja komponentów dla Sun Java Plug-in: ";
const char kOutcomeOk[] = "OK";
const char kOutcomeError[] = "BŁĄD - ";
const char kOutcomeWarning[] = "UWAGA - ";
const char kLabelOk[] = "OK";
const char kLabelError[] = "BŁĄD";
const char kLabelWarning[] = "UWAGA";
const char kLineEnd[] = "\r\n\r\n";

const char kConflictCaption[] = "Problem kopiowania pliku";
const char kConflictFormat[] =
    "Wykryto problem przy próbie skopiowania pliku do katalogu docelowego.\n"
    "Podany plik już istnieje.\n"
    "\n"
    "Informacje o plikach:\n"
    "\n"
    "ŹRÓDŁOWY\n"
    "Nazwa: %ls\n"
    "Rozmiar: %I64u\n"
    "Data modyfikacji: %d-%02d-%02d, %02d:%02d:%02d\n"
    "\n"
    "DOCELOWY\n"
    "Nazwa: %ls\n"
    "Rozmiar: %I64u\n"
    "Data modyfikacji: %d-%02d-%02d, %02d:%02d:%02d\n"
    "\n";

const char kMsgLegacyDeleteFailed[] = "Błąd kasowania pliku ocf1.2.jar w katalogu systemowym";
const char kMsgUserAbort[] = "Przerwa na życzenie użytkownika";
const char kMsgIncomplete[] = "Instalator jest niekompletny";
const char kMsgNoSystemDir[] = "Błąd ustalenia katalogu systemowego";
const char kMsgCopyErrorFormat[] = "Błąd kopiowania pliku: kod #%d, plik: `%s'";
const char kMsgNetscapeNotFound[] = "Nie wykryto zainstalownej przeglądarki Netscape 4.x";
const char kMsgNetscapeNoProfile[] =
    "Nie skopiowano pliku opencard.properties do żadnego z profilów użytkowników przeglądarki Netscape";
const char kMsgNetscapePartialFormat[] =
    "Niepełna kopia pliku opencard.properties dla profilów użytkowników przeglądarki Netscape; kod operacji: OP%dPF%d";
const char kMsgJavaNotFound[] =
    "Nie wykryto instalacji środowiska JRE/JDK lub aplikacja nie była uruchamiona z prawami administratora";
const char kMsgJavaNone[] = "Nie zainstalowano sterowników OCF dla żadnego środowiska JRE/JDK";
const char kMsgJavaPartialFormat[] = "Niepełna instalacja sterowników OCF dla środowiska JRE/JDK; kod operacji: VM%dOL%dOP%dJP%d";
const char kMsgBridgeCopyFailed[] = "Błąd kopiowania biblioteki obsługi czytników PC/SC: ocfpcsc1.dll";
const char kMsgInvalidReaderType[] = "Nieprawidłowy typ czytnika";
const char kMsgDriverStartFormat[] = "Błąd uruchomienia zewn. sterownika: Drivers\\%s";
const char kMsgGemplusPresent[] = "Wykryto już zainstalowany w systemie czytnik rodziny GEMPLUS";
const char kMsgDriverFailedFormat[] = "Instalator sterownika Drivers\\%s zakończył się kodem błędu %lu";
const char kMsgDriverStillRunningFormat[] =
    "Instalator sterownika Drivers\\%s nie zakończył się w ciągu %lu s (/DRIVERWAIT); nadal działa";

const char kShortCaption[] = "Instalator czytnika kart mikroproc.";
const char kUsageLine[] =
    "Użycie: instalator.exe [/S [/READER=n] [/NODRIVER] [/NOJAVA] [/DRIVERWAIT=s] [/LOG=plik]] [/?]"
    " lub instalator.exe /UNINSTALL [/S [/LOG=plik]]";
const char kUsageDetails[] =
    "/S\t\tinstalacja bez okien i pytań, dla narzędzi wdrożeniowych\n"
    "/READER=n\ttyp czytnika kart, pozycja 1 do 4 listy z okna instalatora (domyślnie typ\n"
    "\t\tdla uruchomionej wersji Windows: Win8 od Windows 8, 64-bit w 64-bitowym systemie)\n"
    "/NODRIVER\tbez sterownika czytnika kart\n"
    "/NOJAVA\t\tbez komponentów dla Sun Java Plug-in\n"
    "/DRIVERWAIT=s\tile sekund czekać na instalator sterownika (domyślnie 600; 0 - nie czekać)\n"
    "/LOG=plik\tdziennik instalacji (domyślnie plik z datą w folderze %TEMP%)\n"
    "/UNINSTALL\tusuwa składniki dla Sun Java Plug-in i biblioteki ocfpcsc1.dll, ocfpcsc164.dll z katalogu\n"
    "\t\tsystemowego, tylko pliki niezmienione od instalacji\n"
    "/?\t\tten opis\n"
    "\n"
    "Kody wyjścia przy /S: 3010 - zainstalowano, wymagany restart komputera; 1603 - błąd instalacji\n"
    "(także kod błędu instalatora sterownika lub brak jego końca w czasie /DRIVERWAIT);\n"
    "1618 - trwa inna instalacja, spróbuj później; 87 - nieprawidłowy parametr.\n"
    "Kody wyjścia przy /UNINSTALL: 0 - usunięto lub nie było czego usuwać; 3010 - reszta po restarcie;\n"
    "1603 - błąd usuwania; 1602 - odpowiedź Nie na pytanie (bez /S).";
const char kBadSwitchPrefix[] = "Nieprawidłowy parametr: ";
const char kAlreadyRunningText[] =
    "Instalator jest już uruchomiony. Dokończ instalację w jego oknie, zanim uruchomisz go ponownie.";

const char kLogVersionFormat[] = "Wersja programu: %d.%d";
const char kLogStartLabel[] = "Początek (UTC): ";
const char kLogEndLabel[] = "Koniec (UTC): ";
const char kLogExitCodeLabel[] = "Kod wyjścia: ";
const char kLogComputerLabel[] = "Komputer: ";
const char kLogUserLabel[] = "Użytkownik: ";
const char kLogCommandLineLabel[] = "Wiersz poleceń: ";
const char kLogInProgress[] = "(w toku)";
const char kLogSelectionHeading[] = "Wybrane składniki:";
const char kLogReportHeading[] = "Raport:";
const char kLogStatusHeading[] = "Etykiety stanu:";
const char kLogEntryFormat[] = "    %s";
const char kLogNamedEntryFormat[] = "    %s: %s";
const char kComponentNameDrivers[] = "Sterowniki czytnika kart";
const char kComponentNameIe[] = "Komponenty dla MS Internet Explorer";
const char kComponentNameNetscape[] = "Komponenty dla Netscape 4.x";
const char kComponentNameJava[] = "Komponenty dla Sun Java Plug-in";

const char kLogStagingFolderFormat[] = "Kopia pakietu z %@ w %@";
const char kLogStagingFailedFormat[] = "Nie można utworzyć folderu kopii pakietu w %@";
const char kLogFileDiffersFormat[] = "Plik pakietu różni się od zapisanego przy budowie: %s";
const char kLogFileUnreadableFormat[] = "Brak pliku pakietu lub nie można go odczytać: %s";
const char kLogFileNotWrittenFormat[] = "Nie można zapisać kopii pliku pakietu: %s";
const char kLogFolderStagedFormat[] = "Folder pakietu %s sprawdzony (plików: %d)";
const char kLogFolderLeftOutFormat[] = "Folder pakietu %s pominięty: jest niekompletny lub zmieniony";
const char kLogEarlierRemovedFormat[] = "Usunięto kopię pakietu z poprzedniego uruchomienia: %@";
const char kLogEarlierLeftFormat[] = "Kopia pakietu z poprzedniego uruchomienia zostaje do restartu: %@";
const char kLogEarlierNotOursFormat[] = "Folder o nazwie kopii pakietu nie pochodzi od tego programu i zostaje: %@ (%s)";
const char kLogNotMarkedFormat[] = "Nie oznaczono kopii pakietu do usunięcia przy restarcie: %@";

const char kLogReplaceAtRestartFormat[] =
    "Plik w użyciu, zostanie zastąpiony przy ponownym uruchomieniu komputera: %@";
const char kLogRestartDeletionWithdrawnFormat[] =
    "Wycofano usunięcie przy ponownym uruchomieniu komputera: %@";
const char kLogRestartMoveWithdrawnFormat[] =
    "Wycofano zastąpienie przy ponownym uruchomieniu komputera: %@ (plikiem %@)";
const char kLogRestartUnreadableFormat[] =
    "Nie można sprawdzić operacji zaplanowanych na ponowne uruchomienie komputera: %@";

const char kLogPackageFolderFailed[] =
    "Nie można ustalić folderu instalatora ani uczynić go folderem bieżącym (zbyt długa ścieżka lub znaki spoza "
    "strony kodowej systemu); niczego nie zainstalowano.";
const char kLogRuntimeLeftOutFormat[] = "Środowisko JRE/JDK %@ pominięte: %s (%@)";
const char kLogDriverEndedFormat[] = "Instalator sterownika Drivers\\%s zakończył się, kod wyjścia: %lu";
const char kLogDriverStillRunningFormat[] =
    "Instalator sterownika Drivers\\%s nadal działa po %lu s; pozostawiono go uruchomionego, wynik nieznany";

const char kLogReaderGivenFormat[] = "Typ czytnika z /READER=%d: %s";
const char kLogWindowsFromKernelFormat[] =
    "System: Windows %lu.%lu.%lu (wersja pliku kernel32.dll; RtlGetVersion: %lu.%lu.%lu), %s (%s)";
const char kLogWindowsVersionFormat[] = "System: Windows %lu.%lu.%lu (RtlGetVersion), %s (%s)";
const char kLogWindowsVersionUnreadFormat[] = "System: Windows w nieznanej wersji (ani z kernel32.dll, ani z RtlGetVersion), %s (%s)";
const char kLogReaderChosenFormat[] = "Typ czytnika bez /READER: %s, bo system to %s, %s";
const char kWindows64Bit[] = "64-bitowy";
const char kWindows32Bit[] = "32-bitowy";
const char kWindows8OrLater[] = "Windows 8 (6.2) lub nowszy";
const char kWindowsBefore8[] = "Windows starszy niż 8 (6.2)";
const char kWindowsUnknownEra[] = "Windows w nieznanej wersji";
const char* const kBitnessSourceTexts[4] = {"IsWow64Process2", "IsWow64Process", "program 64-bitowy",
                                            "nie ustalono, przyjęto 32-bitowy"};

const char kTrustReasonMissing[] = "brak folderu";
const char kTrustReasonUnreadable[] = "nie można odczytać folderu ani jego zabezpieczeń";
const char kTrustReasonReparsePoint[] = "folder jest łączem symbolicznym lub punktem połączenia";
const char kTrustReasonForeignOwner[] = "właścicielem folderu nie jest administrator";
const char kTrustReasonNullDacl[] = "folder nie ma listy kontroli dostępu (pełny dostęp dla wszystkich)";
const char kTrustReasonOthersMayWrite[] = "folder mogą zmieniać użytkownicy bez praw administratora";
const char kTrustReasonNotMadeHere[] = "folder nie ma zabezpieczeń nadawanych przez instalator";

const char kUninstallCaption[] = "Odinstalowanie składników czytnika kart";
const char kUninstallQuestion[] =
    "Program usunie składniki zainstalowane dla Sun Java Plug-in.\n"
    "\n"
    "Ze wszystkich zarejestrowanych środowisk JRE/JDK: pliki ocf1.2.jar,\n"
    "opencard.properties i ocfpcsc1.dll; ich własne pliki java.policy\n"
    "wrócą z kopii zapasowych.\n"
    "Z katalogu systemowego: biblioteki ocfpcsc1.dll i ocfpcsc164.dll.\n"
    "\n"
    "Usunięte zostaną tylko pliki niezmienione od instalacji.\n"
    "\n"
    "Czy chcesz kontynuować?";
const char kLogUninstallHeading[] = "Odinstalowanie:";
const char kLogUninstallRemovedFormat[] = "    Usunięto: %@";
const char kLogUninstallRestoredFormat[] = "    Przywrócono własny plik środowiska z kopii zapasowej: %@";
const char kLogUninstallAtRestartFormat[] =
    "    Plik w użyciu, zostanie usunięty przy ponownym uruchomieniu komputera: %@";
const char kLogUninstallRestoreAtRestartFormat[] =
    "    Plik w użyciu, własny plik środowiska zostanie przywrócony przy ponownym uruchomieniu komputera: %@";
const char kLogUninstallChangedFormat[] = "    Pozostawiono, plik inny niż w pakiecie instalacyjnym: %@";
const char kLogUninstallBackupStaysFormat[] = "    Pozostawiono kopię zapasową: %@";
const char kLogUninstallNoBackupFormat[] =
    "    Pozostawiono, brak kopii zapasowej własnego pliku środowiska: %@";
const char kLogUninstallUnreadableFormat[] = "    BŁĄD odczytu pliku: %@";
const char kLogUninstallFailedFormat[] = "    BŁĄD usuwania pliku: %@";
const char kLogUninstallRestoreFailedFormat[] = "    BŁĄD przywracania własnego pliku środowiska: %@";
const char kUninstallSummaryFormat[] =
    "Usunięte lub przywrócone pliki: %d, oczekujące na ponowne uruchomienie: %d, pozostawione: %d, błędy: %d, "
    "pominięte środowiska JRE/JDK: %d";
const char kUninstallNothingFound[] = "Nie znaleziono plików zainstalowanych przez ten program.";
const char kUninstallDone[] = "Odinstalowanie zakończone.";
const char kUninstallAtRestart[] =
    "Odinstalowanie zostanie dokończone przy ponownym uruchomieniu komputera.";
const char kUninstallFailed[] = "Odinstalowanie nie powiodło się w całości.";
const char kUninstallDriverNote[] =
    "Sterownik czytnika kart należy do jego producenta i usuwa się go z systemowej listy programów "
    "(Panel sterowania > Programy i funkcje).";
