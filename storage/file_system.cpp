// Desktop file system calls: the executable's folder from /proc, files
// opened by UTF-8 path (folders refused), and the state file replaced
// atomically (temporary file, fsync, rename, folder fsync) so a crash at any
// moment leaves either the old or the new record. Relies on POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

#include "storage/files.h"

namespace {

constexpr size_t kExePathMax = PATH_MAX;
const char* const kTempSuffix = ".tmp";

// The folder part of a file path, for syncing the folder after a rename.
std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Makes a finished rename durable; failure only weakens durability, not the file.
void syncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

String tvExecutableFolder() {
  char buf[kExePathMax];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
  if (n < 0) n = 0;
  return tvFolderOfExecutable(String::FromUtf8(buf, static_cast<int>(n)));
}

// fopen opens a folder for reading on Linux, and every read then fails: a
// folder is refused here so it loads as null, as a missing file does.
FILE* tvOpenMappedFile(const String& filePath, const String& mode) {
  if (filePath.Length() == 0) return nullptr;
  FILE* file = std::fopen(filePath.ToUtf8().c_str(), mode.ToUtf8().c_str());
  struct stat info;
  if (file && fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

int tvWriteStateFile(const String& filePath, const String& state) {
  if (filePath.Length() == 0) return -1;
  std::string target = filePath.ToUtf8();
  std::string temp = target + kTempSuffix;
  FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) return -1;
  std::string bytes;
  EncodeUtf8(state.Data(), state.Length(), bytes);
  size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
  bool flushed = std::fflush(file) == 0 && ::fsync(fileno(file)) == 0;
  bool closed = std::fclose(file) == 0;
  if (written != bytes.size()) {
    std::remove(temp.c_str());
    return -2;
  }
  if (!flushed || !closed || std::rename(temp.c_str(), target.c_str()) != 0) {
    std::remove(temp.c_str());
    return -1;
  }
  syncFolder(folderOf(target));
  return 0;
}
