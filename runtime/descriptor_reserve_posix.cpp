// A few file descriptors held from the start and given back just before the
// process ends: a program that has used every descriptor it may open (its
// next socket failed) still has some for what runs during the exit. Exit
// handlers finish files, and the sanitizers probe memory through a pipe: left
// without one, they report each object destroyed at exit as having no type.
#include <fcntl.h>
#include <unistd.h>

#include "runtime/errors.h"

namespace {
constexpr int kReservedDescriptors = 2;

struct Reserve {
  int descriptors[kReservedDescriptors];
  Reserve() {
    for (int& d : descriptors) d = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  }
};
Reserve reserve;
}  // namespace

void vxFreeDescriptorReserve() {
  for (int& d : reserve.descriptors) {
    if (d >= 0) ::close(d);
    d = -1;
  }
}
