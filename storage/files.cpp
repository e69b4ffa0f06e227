// File access on every platform: tarvik:// mapping against the application
// folder, chunked whole-file reads, text loads and the state file's size cap.
// What differs by platform (where the application folder is, how a file is
// opened, how the state file is replaced) is in storage/file_system*.cpp;
// where the state file lives is in storage/state_folder*.cpp.
// Relies on the C library's files and the collector's external byte count.
#include "storage/files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "runtime/errors.h"

const long long kStateFileCap = 1 << 20;

namespace {

constexpr size_t kReadChunk = 4096;

const String kSchemePrefix("tarvik:");
const String kDataPrefix("tarvik://data/");
const String kInternalPrefix("tarvik://internal/");
const String kExternalPrefix("tarvik://external/");

String appPath;       // the executable's folder, set on the first mapped path
String internalPath;  // appPath + "/internal", set on the first internal path

String openedStatePath;      // the state file being read
String unreadableStatePath;  // one that is there but could not be read: never saved over
bool keepDamaged = false;    // the record on disk did not load whole

}  // namespace

const char* const kDamagedSuffix = ".damaged";
const int kDamagedCopies = 3;

void tvBeginStateLoad(const String& filePath) {
  openedStatePath = filePath;
  keepDamaged = false;
}

void tvNoteStateUnreadable(const String& filePath, const std::string& why) {
  if (filePath.Length() == 0) return;
  unreadableStatePath = filePath;
  vxPrint(String(("State file not read: " + filePath.ToUtf8() + ": " + why +
                  "; it is kept as it is, and nothing is saved over it")
                     .c_str()));
}

bool tvStateUnreadable(const String& filePath) {
  return unreadableStatePath.Length() != 0 && filePath == unreadableStatePath;
}

bool tvAnyStateUnreadable() { return unreadableStatePath.Length() != 0; }

void tvKeepDamagedState() { keepDamaged = true; }
bool tvDamagedStateToKeep() { return keepDamaged; }
void tvDamagedStateKept() { keepDamaged = false; }

std::string tvDamagedCopyName(const std::string& filePath, int n) {
  return filePath + kDamagedSuffix + (n == 0 ? std::string() : "." + std::to_string(n));
}

void tvReportMissingFile(const std::string& path) {
  static std::set<std::string> reported;
  if (!reported.insert(path).second) return;
  vxPrint(String(("File not found: " + path).c_str()));
}

String tvFolderOfExecutable(const String& exePath) {
  String path = exePath.Replace(String("\\"), String("/"));
  int slash = path.FindFromEnd(String("/"));
  if (slash < 0) std::abort();
  return path.Slice(0, slash);
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
  std::vector<unsigned char> bytes(static_cast<size_t>(kStateFileCap) + 1);
  size_t n = std::fread(bytes.data(), 1, bytes.size(), file);
  int readError = std::ferror(file) ? errno : 0;
  struct stat info;
  long long claimed = ::fstat(fileno(file), &info) == 0 ? info.st_size : 0;
  std::fclose(file);
  if (readError != 0) {
    tvNoteStateUnreadable(openedStatePath, std::strerror(readError));
    return String();
  }
  if (n > static_cast<size_t>(kStateFileCap)) {
    tvKeepDamagedState();
    std::string size = claimed > kStateFileCap ? std::to_string(claimed) + " bytes" : "its size";
    vxPrint(String(("State file ignored: " + size + " is more than the " + std::to_string(kStateFileCap) +
                    " a saved state can hold; starting with defaults")
                       .c_str()));
    return String();
  }
  if (n == 0) return String();
  // Decoded by the same rules as any text file.
  FILE* memory = tvOpenMemoryFile(bytes.data(), n);
  return memory ? tvReadText(memory) : String();
}

FILE* tvOpenFile(const String& path, const String& mode) {
  return tvOpenMappedFile(tvDesktopFilePath(path), mode);
}

unsigned char* tvLoadData(const String& path, int* length) {
  return tvLoadMappedData(tvDesktopFilePath(path), length);
}

String tvLoadString(const String& path) { return tvLoadMappedText(tvDesktopFilePath(path)); }

String tvLoadState() {
  FILE* file = tvOpenStateFile(tvDesktopFilePath(tvStateFilePath()));
  return file ? tvReadStateText(file) : String();
}

int tvSaveState(const String& state) {
  return tvWriteStateFile(tvDesktopFilePath(tvStateFilePath()), state);
}
