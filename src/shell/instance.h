// One installer at a time on the machine: two would copy over each other's files and answer each
// other's prompts.
#pragma once

// Claims the machine-wide guard. Returns 1 when no other installer runs; the guard is then held until
// ReleaseInstance. Returns 0 when another one runs (or someone keeps the guard's name from us).
int ClaimInstance();
void ReleaseInstance();

// Brings the window of the installer that runs already to the front: its conflict prompt, else its
// dialog (or the notice that dialog shows), else its welcome prompt. An unattended one shows none.
void BringRunningInstanceToFront();
