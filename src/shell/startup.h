// Process start-up: where the package is.
#pragma once

// Makes the folder that holds the executable the working directory. Returns 1 on success.
int EnterExecutableFolder();
