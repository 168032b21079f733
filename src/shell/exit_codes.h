// Exit codes by the Windows Installer conventions that deployment tools (Intune, Configuration Manager,
// PDQ) read. An interactive installation ends with 0, unless it could not start on its package (1603).
#pragma once

enum ExitCode {
    kExitSuccess = 0,
    kExitInvalidParameter = 87,     // ERROR_INVALID_PARAMETER: a switch not understood
    kExitInstallFailure = 1603,     // ERROR_INSTALL_FAILURE: a component reported "BŁĄD"
    kExitAnotherInstall = 1618,     // ERROR_INSTALL_ALREADY_RUNNING: try again later
    kExitRestartRequired = 3010,    // ERROR_SUCCESS_REBOOT_REQUIRED: done, restart the computer
};
