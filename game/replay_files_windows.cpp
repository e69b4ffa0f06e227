// The replayer's file checks on Windows. Paths come from the command line in
// the system's code page, and the C library's narrow calls take them so.
// A folder's "may write" is its read-only attribute (execute does not apply).
#include <sys/stat.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "game/replay_files.h"
#include "host/timeline.h"

namespace {
constexpr int kWriteAccess = 2;
}  // namespace

bool FolderWritable(const std::string& folder) {
  struct _stat64 info;
  return _stat64(folder.c_str(), &info) == 0 && (info.st_mode & _S_IFDIR) && _access(folder.c_str(), kWriteAccess) == 0;
}

bool ReadTimeline(const char* path, std::string* text, std::string* why) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return *why = std::strerror(errno), false;
  struct _stat64 info;
  bool ok = _fstat64(_fileno(file), &info) == 0;
  if (!ok) *why = std::strerror(errno);
  else if (!(info.st_mode & _S_IFREG)) ok = false, *why = "not a regular file";
  else if (info.st_size > kTimelineMaxBytes) ok = false, *why = "larger than a timeline may be";
  if (ok) {
    // One byte more than the limit shows a file that grew after the size was read.
    text->resize(static_cast<size_t>(kTimelineMaxBytes) + 1);
    text->resize(std::fread(text->data(), 1, text->size(), file));
    if (std::ferror(file)) ok = false, *why = std::strerror(errno);
  }
  std::fclose(file);
  return ok;
}
