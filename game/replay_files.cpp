// The replayer's file checks on Linux: stat, access and fopen on the path's
// bytes. Relies on POSIX.
#include "game/replay_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "host/timeline.h"

bool FolderWritable(const std::string& folder) {
  struct stat info;
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && access(folder.c_str(), W_OK | X_OK) == 0;
}

bool ReadTimeline(const char* path, std::string* text, std::string* why) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return *why = std::strerror(errno), false;
  struct stat info;
  bool ok = fstat(fileno(file), &info) == 0;
  if (!ok) *why = std::strerror(errno);
  else if (!S_ISREG(info.st_mode)) ok = false, *why = "not a regular file";
  else if (info.st_size > kTimelineMaxBytes) ok = false, *why = "larger than a timeline may be";
  if (ok) {
    // One byte more than the limit shows a file that grew after fstat.
    text->resize(static_cast<size_t>(kTimelineMaxBytes) + 1);
    text->resize(std::fread(text->data(), 1, text->size(), file));
    if (std::ferror(file)) ok = false, *why = std::strerror(errno);
  }
  std::fclose(file);
  return ok;
}
