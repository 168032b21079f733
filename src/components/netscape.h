// Paths of a Netscape 4.x installation that the Netscape installer derives from its directory.
#pragma once

// The pattern that lists the user profiles: the `Users` folder beside the installation directory,
// followed by "\*" (C:\Program Files\Netscape\Communicator gives C:\Program Files\Netscape\Users\*).
// Returns 0, leaving pattern empty, when the directory has no parent or the pattern does not fit.
int BuildProfilePattern(const char* installDir, char* pattern);
