// Entry point of instalator.exe: start-up hardening, then the choice of run.
#include <windows.h>

#include "../base/system_library.h"
#include "command_line.h"
#include "exit_codes.h"
#include "interactive.h"
#include "startup.h"
#include "system_binding.h"
#include "unattended.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearchToSystem();
    // Nothing of USER32, ADVAPI32 or BCRYPT exists before this; without them not even a message can be
    // shown.
    if (!BindSystemLibraries())
        return kExitInstallFailure;
    CommandLine command;
    // Before the working directory changes: a relative /LOG names a file where the caller stands.
    int understood = ParseCommandLine(GetCommandLineW(), &command);
    // The installers name the package relative to the working directory: from whatever folder the
    // process inherited they would copy and start that folder's files. The usage needs no package.
    int inPackage = EnterExecutableFolder();
    if (command.silent)
        return RunUnattended(command, understood, inPackage, kProductionInstallers);
    if (!understood || command.help)
        return ShowUsage(command, understood);
    if (!inPackage)
        return ShowPackageFolderFailure();
    return RunInteractive(instance, kProductionInstallers);
}
