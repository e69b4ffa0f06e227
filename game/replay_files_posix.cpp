// The replayer's files on Linux and in the browser: stat, access and fopen on
// the path's bytes; a recording created exclusively, or replaced through a
// temporary file, fsync and rename. Relies on POSIX.
#include "game/replay_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

namespace {
constexpr mode_t kNewFileMode = 0666;  // before the umask, as any program's new file
constexpr mode_t kPermissionBits = 07777;
// The temporary file's name: the replaced file's own, then a unique ending.
const char* const kTempPattern = ".XXXXXX";
}  // namespace

bool OpenRecording(const char* path, bool replace, Recording* recording, std::string* why) {
  struct stat info;
  bool exists = ::stat(path, &info) == 0;
  if (!exists && errno != ENOENT) return *why = std::strerror(errno), false;
  if (exists && !S_ISREG(info.st_mode)) return *why = "not a regular file", false;
  if (exists && !replace) return *why = "the file exists (--replace records over it)", false;
  int fd = -1;
  if (exists) {
    // A link is followed, so it stays a link to the new recording.
    char* real = ::realpath(path, nullptr);
    if (!real) return *why = std::strerror(errno), false;
    recording->path = real;
    std::free(real);
    recording->temp = recording->path + kTempPattern;
    fd = ::mkstemp(recording->temp.data());
    if (fd >= 0) ::fchmod(fd, info.st_mode & kPermissionBits);
  } else {
    recording->path = path;
    fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
  }
  if (fd < 0) {
    *why = errno == EEXIST ? "the file exists (--replace records over it)" : std::strerror(errno);
    recording->temp.clear();
    return false;
  }
  recording->file = ::fdopen(fd, "w");
  if (recording->file) return true;
  *why = std::strerror(errno);
  ::close(fd);
  ::unlink(recording->temp.empty() ? path : recording->temp.c_str());
  recording->temp.clear();
  return false;
}

bool FinishRecording(Recording* recording, std::string* why) {
  FILE* file = recording->file;
  recording->file = nullptr;
  if (!file) return true;
  // 0 while every step worked; an event lost earlier leaves only ferror.
  int error = std::fflush(file) == 0 ? 0 : errno;
  bool ok = error == 0 && !std::ferror(file);
  if (ok && ::fsync(fileno(file)) != 0) ok = false, error = errno;
  if (std::fclose(file) != 0 && ok) ok = false, error = errno;
  if (ok && !recording->temp.empty() && ::rename(recording->temp.c_str(), recording->path.c_str()) != 0)
    ok = false, error = errno;
  if (!ok) {
    *why = error ? std::strerror(error) : "an event could not be written";
    if (!recording->temp.empty()) ::unlink(recording->temp.c_str());
  }
  recording->temp.clear();
  return ok;
}
