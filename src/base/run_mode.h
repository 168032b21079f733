// Whether anyone is at the screen. A run started by a deployment tool (often as SYSTEM, with no visible
// desktop) must never wait for an answer, so every floor that would ask looks here first.
#pragma once

void SetUnattended(int unattended);
int IsUnattended();
