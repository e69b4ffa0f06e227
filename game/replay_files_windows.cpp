// The replayer's files on Windows. Paths come from the command line in the
// system's code page, and the C library's narrow calls take them so. A
// folder's "may write" is its read-only attribute (execute does not apply);
// a replaced recording is moved over the old file with MoveFileExA.
#include <fcntl.h>
#include <sys/stat.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "game/replay_files.h"
#include "host/timeline.h"

namespace {
constexpr int kWriteAccess = 2;
// The temporary file's name: the replaced file's own, then a unique ending.
const char* const kTempPattern = ".XXXXXX";
constexpr int kNewFile = _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT | _O_NOINHERIT;
const char* const kExists = "the file exists (--replace records over it)";
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

bool OpenRecording(const char* path, bool replace, Recording* recording, std::string* why) {
  struct _stat64 info;
  bool exists = _stat64(path, &info) == 0;
  if (!exists && errno != ENOENT) return *why = std::strerror(errno), false;
  if (exists && !(info.st_mode & _S_IFREG)) return *why = "not a regular file", false;
  if (exists && !replace) return *why = kExists, false;
  recording->path = path;
  int fd = -1;
  if (exists) {
    recording->temp = recording->path + kTempPattern;
    if (_mktemp_s(recording->temp.data(), recording->temp.size() + 1) == 0)
      fd = _open(recording->temp.c_str(), kNewFile, _S_IREAD | _S_IWRITE);
  } else {
    fd = _open(path, kNewFile, _S_IREAD | _S_IWRITE);
  }
  if (fd < 0) {
    *why = errno == EEXIST ? kExists : std::strerror(errno);
    recording->temp.clear();
    return false;
  }
  recording->file = _fdopen(fd, "w");
  if (recording->file) return true;
  *why = std::strerror(errno);
  _close(fd);
  _unlink(recording->temp.empty() ? path : recording->temp.c_str());
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
  if (ok && _commit(_fileno(file)) != 0) ok = false, error = errno;
  if (std::fclose(file) != 0 && ok) ok = false, error = errno;
  std::string reason = error ? std::strerror(error) : "an event could not be written";
  if (ok && !recording->temp.empty() &&
      !MoveFileExA(recording->temp.c_str(), recording->path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false;
    reason = "it could not take the old file's place (Windows error " + std::to_string(GetLastError()) + ")";
  }
  if (!ok) {
    *why = reason;
    if (!recording->temp.empty()) _unlink(recording->temp.c_str());
  }
  recording->temp.clear();
  return ok;
}
