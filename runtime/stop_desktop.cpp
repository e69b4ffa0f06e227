// The desktop stop: after a runtime error the process waits on standard
// input for an attached development tool's commands, which come through a
// pipe; a person at a terminal is no such tool, so with a terminal (or no
// input) the process ends at once with status -1.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/errors.h"

namespace {
constexpr int kStopLineMax = 255;
}  // namespace

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
  if (isatty(STDIN_FILENO)) std::exit(-1);
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
