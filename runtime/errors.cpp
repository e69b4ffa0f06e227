// The runtime's output and error paths. A runtime error reports itself and
// then stops (runtime/stop*.cpp: what a stop does differs by platform); a
// fatal fault reaches it through runtime/fatal_faults*.cpp.
#include "runtime/errors.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

int dbg_stepmode = 0;
int dbg_suspend = 0;

namespace {
std::string printBuffer;  // reused by every line
VXPrintCopy printCopy = nullptr;
// The first lines printed, until a copy is asked for; they are dropped then.
std::vector<std::string> heldLines;
bool holding = true;
}  // namespace

void vxPrint(const String& text) {
  printBuffer.clear();
  EncodeUtf8(text.Data(), text.Length(), printBuffer);
  printBuffer += '\n';
  std::fputs(printBuffer.c_str(), stdout);
  std::fflush(stdout);
  if (printCopy) printCopy(printBuffer);
  else if (holding && heldLines.size() < static_cast<size_t>(kHeldLines)) heldLines.push_back(printBuffer);
}

void vxCopyPrintsTo(VXPrintCopy copy) {
  printCopy = copy;
  if (copy)
    for (const std::string& line : heldLines) copy(line);
  heldLines.clear();
  heldLines.shrink_to_fit();
  holding = false;
}

void vxDebugLog(const String& text) { vxPrint(text); }

void vxError(const String& message) {
  if (message.Length() == 0) {
    vxFreeDescriptorReserve();
    std::exit(0);
  }
  std::string bytes = message.ToUtf8();
  dbg_error(bytes.c_str());
}

void dbg_error(const char* message) {
  vxFreeDescriptorReserve();
  for (;;) {
    String report = String("Tarvik Runtime Error : ") + String(message);
    vxPrint(report);
    vxPrint(String());
    vxShowFailureBox(report);
    dbg_stop();
  }
}
