// The component installers that this build runs.
#include "../components/components.h"
#include "../integrity/staging.h"
#include "run_sequence.h"

const InstallerTable kProductionInstallers = {
    RemoveLegacyOcfJar,
    InstallIeComponents,
    InstallNetscapeComponents,
    InstallJavaPluginComponents,
    InstallReaderDriver,
    StagePackageForRun,
};
