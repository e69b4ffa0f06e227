// File access on every platform: tarvik:// mapping against the application
// folder, chunked whole-file reads, text loads and the state file's size cap.
// What differs by platform (where the application folder is, how a file is
// opened, how the state file is replaced) is in storage/file_system*.cpp;
// where the state file lives is in storage/state_folder*.cpp.
// Relies on the C library's files and the collector's external byte count.
#include "storage/files.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "runtime/errors.h"

const long long kStateFileCap = 1 << 20;
const long long kDataFileMaxBytes = INT_MAX;

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
VXStateMerge stateMerge = nullptr;

constexpr unsigned kEscapedByte = 0xDC00;  // a byte that is not UTF-8, kept as 0xDC00 + byte
constexpr unsigned kEscapedFirst = 0xDC80, kEscapedLast = 0xDCFF;
constexpr unsigned kHighSurrogate = 0xD800, kLowSurrogate = 0xDC00, kSurrogateEnd = 0xE000;
constexpr unsigned kSupplementary = 0x10000, kLastCodePoint = 0x10FFFF;

// The length of the well-formed UTF-8 sequence at b[i] and its code point;
// 0 when it is not one (a stray byte, an overlong or cut-off form, a
// surrogate's encoding).
size_t utf8Sequence(const unsigned char* b, size_t n, size_t i, unsigned* code) {
  unsigned c = b[i];
  size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || i + length > n) return 0;
  unsigned value = length == 1 ? c : c & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    if ((b[i + k] & 0xC0) != 0x80) return 0;
    value = value << 6 | (b[i + k] & 0x3F);
  }
  static const unsigned kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kLeast[length] || value > kLastCodePoint || (value >= kHighSurrogate && value < kSurrogateEnd))
    return 0;
  *code = value;
  return length;
}
}  // namespace

String tvPathText(const std::string& bytes) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
  std::u16string units;
  for (size_t i = 0; i < bytes.size();) {
    unsigned code = 0;
    size_t length = utf8Sequence(b, bytes.size(), i, &code);
    if (length == 0) {
      units += static_cast<Char>(kEscapedByte + b[i++]);
    } else if (code >= kSupplementary) {
      code -= kSupplementary;
      units += static_cast<Char>(kHighSurrogate + (code >> 10));
      units += static_cast<Char>(kLowSurrogate + (code & 0x3FF));
      i += length;
    } else {
      units += static_cast<Char>(code);
      i += length;
    }
  }
  return String(units.data(), static_cast<int>(units.size()));
}

std::string tvPathBytes(const String& path) {
  std::string out;
  const Char* u = path.Data();
  int n = path.Length();
  for (int i = 0; i < n; ++i) {
    unsigned c = u[i];
    bool pair = c >= kHighSurrogate && c < kLowSurrogate && i + 1 < n && u[i + 1] >= kLowSurrogate &&
                u[i + 1] < kSurrogateEnd;
    if (pair) {
      unsigned code = kSupplementary + ((c - kHighSurrogate) << 10) + (u[++i] - kLowSurrogate);
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (c >= kEscapedFirst && c <= kEscapedLast) {
      out += static_cast<char>(c - kEscapedByte);
    } else {
      EncodeUtf8(u + i, 1, out);
    }
  }
  return out;
}

void tvPrintLine(const std::string& utf8) { vxPrint(tvPathText(utf8)); }

const char* const kDamagedSuffix = ".damaged";
const int kDamagedCopies = 3;

void tvBeginStateLoad(const String& filePath) { openedStatePath = filePath; }

void tvNoteStateUnreadable(const String& filePath, const std::string& why) {
  if (filePath.Length() == 0) return;
  unreadableStatePath = filePath;
  tvPrintLine("State file not read: " + tvPathBytes(filePath) + ": " + why +
              "; it is kept as it is, and nothing is saved over it");
}

bool tvStateUnreadable(const String& filePath) {
  return unreadableStatePath.Length() != 0 && filePath == unreadableStatePath;
}

bool tvAnyStateUnreadable() { return unreadableStatePath.Length() != 0; }

void tvKeepDamagedState() { keepDamaged = true; }
bool tvDamagedStateToKeep() { return keepDamaged; }
void tvDamagedStateKept() { keepDamaged = false; }

std::string tvDamagedCopyName(const std::string& filePath, int n) {
  std::string name = filePath + kDamagedSuffix;
  if (n != 0) name += '.' + std::to_string(n);
  return name;
}

void tvSetStateMerge(VXStateMerge merge) { stateMerge = merge; }

String tvMergeState(const String& mine, const String& base, const String& stored) {
  return stateMerge ? stateMerge(mine, base, stored) : mine;
}

void tvReportMissingFile(const std::string& path) {
  static std::set<std::string> reported;
  if (!reported.insert(path).second) return;
  tvPrintLine("File not found: " + path);
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
    if (!chunk) gc_out_of_memory();
    size_t n = std::fread(chunk, 1, kReadChunk, file);
    chunks.push_back(chunk);
    total += n;
    if (n < kReadChunk) break;
    if (total > kDataFileMaxBytes) {
      // A length must fit an int: a stream that runs on past that is no data
      // file (a file that says so up front is refused before any read).
      for (unsigned char* c : chunks) std::free(c);
      std::fclose(file);
      tvPrintLine("File too large: more than " + std::to_string(kDataFileMaxBytes) + " bytes");
      return nullptr;
    }
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
  gc_ext_alloc(static_cast<long long>(total));
  return block;
}

String tvReadText(FILE* file) {
  String text = String::Load(file);
  std::fclose(file);
  return text;
}

namespace {
// False, with a line naming it, when `file` says it holds more than a
// length can count: it is refused (and closed) before a byte is read.
bool fitsALength(FILE* file, const String& filePath) {
  struct stat info;
  if (::fstat(fileno(file), &info) != 0 || info.st_size <= kDataFileMaxBytes) return true;
  std::fclose(file);
  tvPrintLine("File too large: " + tvPathBytes(filePath) + " holds " + std::to_string(info.st_size) +
              " bytes, more than the " + std::to_string(kDataFileMaxBytes) + " a file may hold to be loaded");
  return false;
}
}  // namespace

unsigned char* tvLoadMappedData(const String& filePath, int* length) {
  FILE* file = tvOpenMappedFile(filePath, String("rb"));
  return file && fitsALength(file, filePath) ? tvReadWholeFile(file, length) : nullptr;
}

String tvLoadMappedText(const String& filePath) {
  FILE* file = tvOpenMappedFile(filePath, String("rb"));
  return file && fitsALength(file, filePath) ? tvReadText(file) : String();
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
