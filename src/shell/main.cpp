// Entry point of instalator.exe: hardening, the welcome prompt and the component dialog.
#include <windows.h>

#include "../../resources/texts.h"
#include "dialog.h"
#include "startup.h"
#include "ui_text.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearchToSystem();
    EnterExecutableFolder();
    if (ShowMessage(nullptr, kWelcomeText, kWelcomeCaption, MB_YESNO) == IDYES)
        RunInstallerDialog(instance, &kProductionInstallers);
    return 0;
}
