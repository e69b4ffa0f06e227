// Windows gives a process handles until memory runs out, and its sockets are
// not C library descriptors: there is no small table to run out of, so
// nothing is held in reserve for the exit.
#include "runtime/errors.h"

void vxFreeDescriptorReserve() {}
