// The runtime's output and stop paths. A runtime error reports itself and
// then waits on standard input for an attached development tool; a process
// without one sees end of input and ends with status -1.
#include "runtime/errors.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int dbg_stepmode = 0;
int dbg_suspend = 0;

namespace {
constexpr int kStopLineMax = 255;
std::string printBuffer;  // reused by every line
}  // namespace

void vxPrint(const String& text) {
  printBuffer.clear();
  EncodeUtf8(text.Data(), text.Length(), printBuffer);
  printBuffer += '\n';
  std::fputs(printBuffer.c_str(), stdout);
  std::fflush(stdout);
}

void vxDebugLog(const String& text) { vxPrint(text); }

void vxError(const String& message) {
  if (message.Length() == 0) std::exit(0);
  std::string narrow = message.ToNarrow();
  dbg_error(narrow.c_str());
}

void dbg_error(const char* message) {
  for (;;) {
    vxPrint(String("Tarvik Runtime Error : ") + String(message));
    vxPrint(String());
    dbg_stop();
  }
}

// Writes the `debug()` text of the object at the typed address, but only
// when the address is a live collected object: anything else is ignored.
static void debugObjectAt(const char* text) {
  void* p = nullptr;
  if (std::sscanf(text, "%p", &p) != 1 || !gc_is_live_object(p)) return;
  gc_object* g = static_cast<gc_object*>(p);
  if (Object* o = dynamic_cast<Object*>(g)) {
    std::fputs(o->debug().ToUtf8().c_str(), stderr);
    std::fflush(stderr);
  }
}

void dbg_stop() {
  std::fprintf(stderr, "{{~~%s~~}}\n", "");
  std::fputs("\n", stderr);
  std::fflush(stderr);
  char line[kStopLineMax + 2];
  for (;;) {
    if (!std::fgets(line, sizeof line, stdin)) std::exit(-1);
    size_t n = std::strlen(line);
    if (n == 0 || line[n - 1] != '\n') std::exit(-1);
    line[n - 1] = 0;
    switch (line[0]) {
      case '?':
        continue;
      case '@':
        debugObjectAt(line + 1);
        continue;
      case 'r':
      case 's':
      case 'e':
      case 'l':
        dbg_stepmode = line[0] == 'r' ? 0 : line[0];
        dbg_suspend = (line[0] == 's' || line[0] == 'e') ? 1 : 0;
        return;
      case 'q':
        std::exit(0);
      default:
        std::printf("????? %s ?????", line);
        std::fflush(stdout);
        std::exit(-1);
    }
  }
}

void sighandler(int sig) {
  const char* what = "Unknown signal";
  if (sig == SIGSEGV) what = "Memory access violation";
  else if (sig == SIGILL) what = "Illegal instruction";
  else if (sig == SIGFPE) what = "Floating point exception";
  dbg_error(what);
}

void vxInstallSignalHandlers() {
  std::signal(SIGSEGV, sighandler);
  std::signal(SIGILL, sighandler);
  std::signal(SIGFPE, sighandler);
}
