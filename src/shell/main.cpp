// Entry point of instalator.exe: start-up hardening, then the choice of run.
#include <windows.h>

#include "command_line.h"
#include "interactive.h"
#include "startup.h"
#include "unattended.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearchToSystem();
    CommandLine command;
    // Before the working directory changes: a relative /LOG names a file where the caller stands.
    int understood = ParseCommandLine(GetCommandLineW(), &command);
    EnterExecutableFolder();
    if (command.silent)
        return RunUnattended(command, understood, kProductionInstallers);
    if (!understood || command.help)
        return ShowUsage(command, understood);
    return RunInteractive(instance, kProductionInstallers);
}
