// The program's log: every printed line copied into a file as well, for a
// program whose standard output nobody sees (a windowed Windows program). A
// fresh file each run with the previous one kept beside it, each line written
// through at once, and a cap on one run's bytes, so a run that prints without
// end cannot fill the disk. The file itself is the platform's
// (storage/log_file*.cpp).
#include "runtime/errors.h"
#include "storage/files.h"

const long long kLogMaxBytes = 1 << 20;
const char* const kOldLogSuffix = ".old";

namespace {
const char* const kLogFull = "Log full: the rest of this run's lines are not kept\n";
long long logBytes = 0;
bool logFull = false;

void CopyToLog(const std::string& line) {
  if (logFull) return;
  if (logBytes + static_cast<long long>(line.size()) > kLogMaxBytes) {
    logFull = true;
    tvWriteLogFile(kLogFull);
    return;
  }
  logBytes += static_cast<long long>(line.size());
  tvWriteLogFile(line);
}
}  // namespace

bool tvKeepLog(const String& filePath) {
  std::string why;
  if (!tvOpenLogFile(filePath, &why)) {
    vxCopyPrintsTo(nullptr);
    tvPrintLine("Log not kept: " + tvPathBytes(filePath) + ": " + why);
    return false;
  }
  logBytes = 0;
  logFull = false;
  vxCopyPrintsTo(CopyToLog);
  return true;
}
