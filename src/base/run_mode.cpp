// The one switch between a run with a user and a run without one.
#include "run_mode.h"

namespace {
int g_unattended = 0;
}

void SetUnattended(int unattended)
{
    g_unattended = unattended != 0;
}

int IsUnattended()
{
    return g_unattended;
}
