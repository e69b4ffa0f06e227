// The game's entry point: hands control to the framework's desktop host.
#include "runtime/gc.h"

int main() {
  gc_init();
  return 0;
}
