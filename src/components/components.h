// The component installers. Each takes a message buffer (may be null) and its capacity, writes one
// message there only when its result is not success, and leaves the working directory as it found it.
#pragma once

// 1 when nothing stands in the way (deleted, absent, no system directory), 0 on a failed deletion.
int RemoveLegacyOcfJar(char* message, int capacity);

// ComponentResult. An abort ends the run sequence; a warning means partly done, nothing found to
// install into, or already present.
enum ComponentResult { kResultOk = 0, kResultError = 1, kResultAborted = 2, kResultWarning = 3 };

int InstallIeComponents(char* message, int capacity);
int InstallNetscapeComponents(char* message, int capacity);
int InstallJavaPluginComponents(char* message, int capacity);
int InstallReaderDriver(unsigned driverCode, char* message, int capacity);
