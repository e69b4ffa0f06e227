// Desktop file system calls: the executable's folder from /proc, files
// opened by UTF-8 path (folders refused), the state file opened without
// blocking, and replaced atomically (a temporary file of its own, fsync,
// rename, folder fsync, the folder locked meanwhile) so a crash or a second
// copy saving at the same moment leaves a whole record. Relies on POSIX.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/errors.h"
#include "storage/files.h"

namespace {

constexpr size_t kExePathMax = PATH_MAX;
// The temporary file's name: the state file's own, then a unique ending.
const char* const kTempPattern = ".XXXXXX";
// Whoever saves first holds the folder's lock; a copy saving at the same time
// waits this long at most before saving anyway (its record is still whole).
constexpr int kLockTries = 200;
constexpr useconds_t kLockWaitMicros = 10000;
// A damaged record's copy is the player's own, as the state folder is.
constexpr mode_t kPrivateFile = 0600;
constexpr size_t kCopyChunk = 4096;

// The folder part of a file path.
std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void reportUnsaved(const std::string& path, const std::string& why) {
  tvPrintLine("State file not saved: " + path + ": " + why + "; the previous record is kept");
}

// Where the record goes: a state file that is a symbolic link is replaced
// where the link points, so the link stays a link. Empty when that place is
// not a file the record may replace (a folder, a device, a link to nothing).
std::string saveTarget(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return path;
  if (S_ISLNK(info.st_mode)) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return std::string();
    std::string target = real;
    std::free(real);
    return ::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? target : std::string();
  }
  return S_ISREG(info.st_mode) ? path : std::string();
}

// Holds an advisory lock on the folder for one save, so copies of a program
// sharing a folder save one after another. Never blocks for long: a copy
// that cannot have the lock in time saves without it.
// The folder descriptor of a lock held across a merge and its save
// (tvLockState), or -1.
int heldLock = -1;

// Takes the folder's lock on `fd`, waiting kLockTries times at most.
void lockFolder(int fd) {
  for (int i = 0; fd >= 0 && i < kLockTries; ++i) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return;
    ::usleep(kLockWaitMicros);
  }
}

class FolderLock {
 public:
  // Under a lock this process holds already, the same lock is shared.
  explicit FolderLock(const std::string& folder)
      : fd(heldLock >= 0 ? ::dup(heldLock) : ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    lockFolder(fd);
  }
  ~FolderLock() {
    if (fd >= 0) ::close(fd);
  }
  // Makes a finished rename durable; failure only weakens durability.
  void Sync() {
    if (fd >= 0) ::fsync(fd);
  }

 private:
  int fd;
};

// Writes all of `bytes`; false with errno set on the first failure.
bool writeAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Keeps the record at `target` as the newest damaged copy, the older copies
// moving down one name (the oldest goes). A hard link costs no copy; where
// the file system has none, the bytes are copied. False, with errno, when no
// copy could be made: the record must not be replaced then.
bool keepDamagedCopy(const std::string& target) {
  for (int n = kDamagedCopies - 1; n > 0; --n)
    ::rename(tvDamagedCopyName(target, n - 1).c_str(), tvDamagedCopyName(target, n).c_str());
  std::string newest = tvDamagedCopyName(target, 0);
  if (::link(target.c_str(), newest.c_str()) == 0 || errno == ENOENT) return true;
  int in = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno == ENOENT;
  int out = ::open(newest.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateFile);
  bool copied = out >= 0;
  char buffer[kCopyChunk];
  for (ssize_t n; copied && (n = ::read(in, buffer, sizeof buffer)) != 0;)
    copied = n > 0 ? writeAll(out, std::string(buffer, static_cast<size_t>(n))) : errno == EINTR;
  copied = copied && ::fsync(out) == 0;
  int error = errno;
  ::close(in);
  if (out >= 0) ::close(out);
  if (!copied && out >= 0) ::unlink(newest.c_str());
  errno = error;
  return copied;
}

}  // namespace

String tvProgramName() {
  char buf[kExePathMax];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
  std::string path(buf, n > 0 ? static_cast<size_t>(n) : 0);
  size_t slash = path.rfind('/');
  return tvPathText(path.substr(slash == std::string::npos ? 0 : slash + 1));
}

String tvExecutableFolder() {
  char buf[kExePathMax];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
  if (n < 0) n = 0;
  return tvFolderOfExecutable(tvPathText(std::string(buf, static_cast<size_t>(n))));
}

// fopen opens a folder for reading on Linux, and every read then fails: a
// folder is refused here so it loads as null, as a missing file does.
FILE* tvOpenMappedFile(const String& filePath, const String& mode) {
  if (filePath.Length() == 0) return nullptr;
  std::string path = tvPathBytes(filePath), how = mode.ToUtf8();
  FILE* file = std::fopen(path.c_str(), how.c_str());
  if (!file && errno == ENOENT && how[0] == 'r') tvReportMissingFile(path);
  struct stat info;
  if (file && fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

// Opened without blocking, so a pipe or a device at the state file's name
// cannot stop the start; anything but a regular file is refused.
FILE* tvOpenStateFile(const String& filePath) {
  tvBeginStateLoad(filePath);
  if (filePath.Length() == 0) return nullptr;
  std::string path = tvPathBytes(filePath);
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    // Only a file that is not there is no record; any other failure leaves
    // a record that must not be saved over.
    if (errno != ENOENT) tvNoteStateUnreadable(filePath, std::strerror(errno));
    return nullptr;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    tvPrintLine("State file ignored: " + path + " is not a regular file; starting with defaults");
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FILE* file = ::fdopen(fd, "rb");
  if (!file) {
    tvNoteStateUnreadable(filePath, std::strerror(errno));
    ::close(fd);
    return nullptr;
  }
  return file;
}

void tvLockState(const String& filePath) {
  if (heldLock >= 0 || filePath.Length() == 0) return;
  std::string path = tvPathBytes(filePath);
  std::string target = saveTarget(path);
  heldLock = ::open(folderOf(target.empty() ? path : target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  lockFolder(heldLock);
}

void tvUnlockState() {
  if (heldLock >= 0) ::close(heldLock);
  heldLock = -1;
}

// A temporary file of this save's own (created exclusively, so a link or a
// pipe planted at any name is never opened), written, synced and renamed
// over the record, with the folder locked and synced.
int tvWriteStateFile(const String& filePath, const String& state) {
  if (filePath.Length() == 0) return -1;
  std::string path = tvPathBytes(filePath);
  if (tvStateUnreadable(filePath)) {
    reportUnsaved(path, "it could not be read");
    return -1;
  }
  std::string target = saveTarget(path);
  if (target.empty()) {
    reportUnsaved(path, "it is not a regular file");
    return -1;
  }
  std::string folder = folderOf(target);
  FolderLock lock(folder);
  if (tvDamagedStateToKeep()) {
    if (!keepDamagedCopy(target)) {
      reportUnsaved(path, std::string("the damaged record could not be kept: ") + std::strerror(errno));
      return -1;
    }
    tvDamagedStateKept();
  }
  std::string temp = target + kTempPattern;
  int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    reportUnsaved(path, std::strerror(errno));
    return -1;
  }
  std::string bytes;
  EncodeUtf8(state.Data(), state.Length(), bytes);
  bool written = writeAll(fd, bytes);
  int writeError = errno;
  bool synced = written && ::fsync(fd) == 0;
  bool closed = ::close(fd) == 0;
  if (!written) {
    ::unlink(temp.c_str());
    reportUnsaved(path, std::strerror(writeError));
    return -2;
  }
  if (!synced || !closed || ::rename(temp.c_str(), target.c_str()) != 0) {
    int error = errno;
    ::unlink(temp.c_str());
    reportUnsaved(path, std::strerror(error));
    return -1;
  }
  lock.Sync();
  return 0;
}
