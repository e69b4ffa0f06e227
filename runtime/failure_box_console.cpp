// Where a program shows a failure besides its output: on Linux and in the
// browser its lines reach a terminal, the desktop's journal or the console,
// and the window itself can show the rest, so there is no box to show.
#include "runtime/errors.h"

void vxSetFailureBoxTitle(const String&) {}

bool vxShowFailureBox(const String&) { return false; }
