// Entry point of instalator.exe: hardening, the welcome prompt and the component dialog.
#include <windows.h>

#include "../../resources/texts.h"
#include "dialog.h"
#include "startup.h"
#include "ui_text.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearchToSystem();
    // The installers name their package folders relative to the working directory: run from
    // whatever folder the process inherited, they would copy and start that folder's files.
    if (!EnterExecutableFolder()) {
        ShowMessage(nullptr, kStartFolderText, kWelcomeCaption, MB_OK | MB_ICONERROR);
        return ERROR_INSTALL_FAILURE;
    }
    if (ShowMessage(nullptr, kWelcomeText, kWelcomeCaption, MB_YESNO) == IDYES)
        RunInstallerDialog(instance, &kProductionInstallers);
    return 0;
}
