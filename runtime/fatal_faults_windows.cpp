// Fatal faults on Windows: a hardware fault is a structured exception, not a
// signal, so an unhandled-exception filter names it with the same words the
// Linux signal handler uses and reports it as a runtime error. Faults raised
// through the C library (raise) still come as signals.
#include <windows.h>

#include <csignal>

#include "runtime/errors.h"

namespace {

const char* const kMemoryFault = "Memory access violation";
const char* const kIllegalInstruction = "Illegal instruction";
const char* const kArithmeticFault = "Floating point exception";

const char* FaultName(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
      return kMemoryFault;
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
      return kIllegalInstruction;
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
      return kArithmeticFault;
    default:
      return "Unknown signal";
  }
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
  dbg_error(FaultName(info->ExceptionRecord->ExceptionCode));
}

}  // namespace

void sighandler(int sig) {
  const char* what = "Unknown signal";
  if (sig == SIGSEGV) what = kMemoryFault;
  else if (sig == SIGILL) what = kIllegalInstruction;
  else if (sig == SIGFPE) what = kArithmeticFault;
  dbg_error(what);
}

void vxInstallSignalHandlers() {
  SetUnhandledExceptionFilter(OnUnhandledException);
  std::signal(SIGSEGV, sighandler);
  std::signal(SIGILL, sighandler);
  std::signal(SIGFPE, sighandler);
}
