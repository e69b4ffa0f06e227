// Debug output and fatal errors: `vxPrint` (one UTF-8 line on standard
// output), `vxError` (the empty message is the orderly quit), the stop
// protocol on standard error and standard input, and the fatal-signal handler.
#pragma once

#include <string>

#include "runtime/gc.h"
#include "runtime/string.h"

// The framework's own exception type; application code throws subclasses,
// and the host's guarded dispatch turns an escaping one into a fatal stop.
struct ThrowableObject : Object {};

void vxPrint(const String& text);
// Receives every line vxPrint writes (UTF-8, with its line feed) besides
// standard output, such as a log file.
using VXPrintCopy = void (*)(const std::string& line);
// From now on every printed line goes to `copy` as well, starting with the
// first lines the program printed before the call (the first kHeldLines are
// held for it); null stops the copying.
void vxCopyPrintsTo(VXPrintCopy copy);
constexpr int kHeldLines = 64;
void vxDebugLog(const String& text);
[[noreturn]] void vxError(const String& message);
[[noreturn]] void dbg_error(const char* message);
void dbg_stop();
void sighandler(int sig);
// Shows `text` to the person running the program where its output cannot
// reach them, and waits until they dismiss it: on Windows a windowed
// program's message box. False, showing nothing, where the printed lines are
// seen anyway (a console, a terminal, the browser's console).
bool vxShowFailureBox(const String& text);
// The title of every failure box from now on: the program's own name.
void vxSetFailureBoxTitle(const String& title);
// Gives back the descriptors held in reserve since the start, so that what
// runs while the process ends has some even when the program used up the
// rest; the runtime error, the orderly quit and the uncaught exception call
// it before they end the process.
void vxFreeDescriptorReserve();
// Installs `sighandler` for SIGSEGV, SIGILL and SIGFPE.
void vxInstallSignalHandlers();

// The stop protocol's step mode and suspend flag, set by `r`, `s`, `e` and `l`.
extern int dbg_stepmode;
extern int dbg_suspend;
