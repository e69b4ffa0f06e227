// Desktop file access: tarvik:// mapping against the executable's folder,
// UTF-8 paths through fopen, chunked whole-file reads and the state file,
// replaced atomically (temporary file, fsync, rename, folder fsync).
// Relies on POSIX file calls and the collector's external byte count.
#include "storage/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/errors.h"

const char* const kStateFilePath = "./.tarvikstate";
const long long kStateFileCap = 1 << 20;

namespace {

constexpr size_t kReadChunk = 4096;
constexpr size_t kExePathMax = PATH_MAX;
const char* const kTempSuffix = ".tmp";

const String kSchemePrefix("tarvik:");
const String kDataPrefix("tarvik://data/");
const String kInternalPrefix("tarvik://internal/");
const String kExternalPrefix("tarvik://external/");

String appPath;       // the executable's folder, set on the first mapped path
String internalPath;  // appPath + "/internal", set on the first internal path

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

String tvFolderOfExecutable(const String& exePath) {
  String path = exePath.Replace(String("\\"), String("/"));
  int slash = path.FindFromEnd(String("/"));
  if (slash < 0) std::abort();
  return path.Slice(0, slash);
}

String tvExecutableFolder() {
  char buf[kExePathMax];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
  if (n < 0) n = 0;
  return tvFolderOfExecutable(String::FromUtf8(buf, static_cast<int>(n)));
}

String tvMapTarvikPath(const String& path, const String& app, String& internal) {
  if (!path.BeginsWith(kSchemePrefix)) return path;
  if (path.BeginsWith(kDataPrefix)) return app + String("/data/") + path.Slice(kDataPrefix.Length());
  if (path.BeginsWith(kInternalPrefix)) {
    if (internal.Length() == 0) internal = app + String("/internal");
    return internal + String("/") + path.Slice(kInternalPrefix.Length());
  }
  if (path.BeginsWith(kExternalPrefix)) return app + String("/external/") + path.Slice(kExternalPrefix.Length());
  return String();
}

String tvDesktopFilePath(const String& path) {
  if (appPath.Length() == 0) appPath = tvExecutableFolder();
  return tvMapTarvikPath(path, appPath, internalPath);
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

unsigned char* tvReadWholeFile(FILE* file, int* length) {
  std::vector<unsigned char*> chunks;
  size_t total = 0;
  for (;;) {
    unsigned char* chunk = static_cast<unsigned char*>(std::malloc(kReadChunk));
    size_t n = std::fread(chunk, 1, kReadChunk, file);
    chunks.push_back(chunk);
    total += n;
    if (n < kReadChunk) break;
  }
  std::fclose(file);
  // An empty file still gives a block, so a successful load is never null.
  unsigned char* block = static_cast<unsigned char*>(std::malloc(total ? total : 1));
  size_t remaining = total;
  unsigned char* out = block;
  for (unsigned char* chunk : chunks) {
    size_t n = remaining < kReadChunk ? remaining : kReadChunk;
    std::memcpy(out, chunk, n);
    out += n;
    remaining -= n;
    std::free(chunk);
  }
  *length = static_cast<int>(total);
  gc_ext_alloc(static_cast<int>(total));
  return block;
}

String tvReadText(FILE* file) {
  String text = String::Load(file);
  std::fclose(file);
  return text;
}

unsigned char* tvLoadMappedData(const String& filePath, int* length) {
  FILE* file = tvOpenMappedFile(filePath, String("rb"));
  return file ? tvReadWholeFile(file, length) : nullptr;
}

String tvLoadMappedText(const String& filePath) {
  FILE* file = tvOpenMappedFile(filePath, String("rb"));
  return file ? tvReadText(file) : String();
}

String tvReadStateText(FILE* file) {
  struct stat info;
  if (::fstat(fileno(file), &info) == 0 && info.st_size > kStateFileCap) {
    std::fclose(file);
    vxPrint(String(("State file ignored: " + std::to_string(info.st_size) + " bytes is more than the " +
                     std::to_string(kStateFileCap) + " a saved state can hold; starting with defaults")
                        .c_str()));
    return String();
  }
  return tvReadText(file);
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

FILE* tvOpenFile(const String& path, const String& mode) {
  return tvOpenMappedFile(tvDesktopFilePath(path), mode);
}

unsigned char* tvLoadData(const String& path, int* length) {
  return tvLoadMappedData(tvDesktopFilePath(path), length);
}

String tvLoadString(const String& path) { return tvLoadMappedText(tvDesktopFilePath(path)); }

String tvLoadState() {
  FILE* file = tvOpenFile(String(kStateFilePath), String("rb"));
  return file ? tvReadStateText(file) : String();
}

int tvSaveState(const String& state) {
  return tvWriteStateFile(tvDesktopFilePath(String(kStateFilePath)), state);
}
