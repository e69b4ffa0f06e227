// The log file on Linux and in the browser: the previous run's renamed aside,
// then a file opened for appending. Only a regular file at the name is taken
// for a log: anything else there (a folder, a pipe, which would block the
// program's every line) is left alone, and no log is kept.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "storage/files.h"

namespace {
constexpr mode_t kLogMode = 0600;
int logFile = -1;
}  // namespace

bool tvOpenLogFile(const String& filePath, std::string* why) {
  std::string path = tvPathBytes(filePath);
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    *why = "not a regular file";
    return false;
  }
  if (std::rename(path.c_str(), (path + kOldLogSuffix).c_str()) != 0 && errno != ENOENT) {
    *why = std::strerror(errno);
    return false;
  }
  int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW, kLogMode);
  if (file < 0) {
    *why = std::strerror(errno);
    return false;
  }
  if (fstat(file, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(file);
    *why = "not a regular file";
    return false;
  }
  if (logFile >= 0) ::close(logFile);
  logFile = file;
  return true;
}

void tvWriteLogFile(const std::string& bytes) {
  if (logFile < 0) return;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(logFile, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}
