// A read-only stream over bytes in memory, on Linux and in the browser: the
// C library's own fmemopen, which reads the bytes where they are.
#include "storage/files.h"

FILE* tvOpenMemoryFile(unsigned char* bytes, size_t length) { return fmemopen(bytes, length, "rb"); }
