// Every text the program shows, spelled as the product defines it. UTF-8 here, Windows-1250 in the binary.
#include "texts.h"

const char kStartFolderText[] =
    "Nie można ustalić katalogu instalatora ani uczynić go katalogiem bieżącym (zbyt długa ścieżka lub znaki "
    "spoza strony kodowej systemu). Instalacja nie zostanie wykonana.\n"
    "\n"
    "Skopiuj pakiet instalacyjny do katalogu o krótkiej nazwie bez liter ze znakami diakrytycznymi i uruchom "
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

const char kLogRuntimeLeftOutFormat[] = "Pominięto środowisko JRE/JDK %s: %s (%s)";
const char kTrustReasonMissing[] = "brak katalogu";
const char kTrustReasonUnreadable[] = "nie można odczytać katalogu ani jego zabezpieczeń";
const char kTrustReasonReparsePoint[] = "katalog jest łączem symbolicznym lub punktem połączenia";
const char kTrustReasonForeignOwner[] = "właścicielem katalogu nie jest administrator";
const char kTrustReasonNullDacl[] = "katalog nie ma listy kontroli dostępu (pełny dostęp dla wszystkich)";
const char kTrustReasonOthersMayWrite[] = "katalog mogą zmieniać użytkownicy bez praw administratora";
