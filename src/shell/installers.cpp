// The component installers that this build runs.
#include "../components/components.h"
#include "run_sequence.h"

const InstallerTable kProductionInstallers = {
    RemoveLegacyOcfJar,
    nullptr,  // Internet Explorer
    nullptr,  // Netscape 4.x
    InstallJavaPluginComponents,
    nullptr,  // reader driver
};
