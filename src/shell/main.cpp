// Entry point of instalator.exe: hardening, the welcome prompt and the component dialog.
#include <windows.h>

#include "../../resources/texts.h"
#include "../base/system_library.h"
#include "dialog.h"
#include "startup.h"
#include "system_binding.h"
#include "ui_text.h"

enum { kExitBindingFailed = 1603 };  // ERROR_INSTALL_FAILURE

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearchToSystem();
    // Nothing of USER32, ADVAPI32 or BCRYPT exists before this; without them not even a message can be
    // shown.
    if (!BindSystemLibraries())
        return kExitBindingFailed;
    EnterExecutableFolder();
    if (ShowMessage(nullptr, kWelcomeText, kWelcomeCaption, MB_YESNO) == IDYES)
        RunInstallerDialog(instance, &kProductionInstallers);
    return 0;
}
