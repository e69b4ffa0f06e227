// Browser file system calls: the page's in-memory file system is rooted at
// the page's folder, a data file is fetched from beside the page the first
// time it is opened (so only what the program uses is downloaded), and the
// state file is written through to the browser's IndexedDB after every save,
// from where the page puts it back before the program starts (web/tarvik_pre.js).
#include <emscripten.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "storage/files.h"

namespace {
const char* const kDataFolder = "/data/";
constexpr int kPageNameBytes = 256;
constexpr size_t kCopyChunk = 4096;
}  // namespace

// Fetches `path` (under /data/) from the same place beside the page into the
// in-memory file system and answers whether it is there now. A file the
// server does not have is asked for once. The request is synchronous: the
// program's file calls are, and a page's own files come quickly.
EM_JS(int, tarvik_fetch_data_file, (const char* cpath), {
  var path = UTF8ToString(cpath);
  var missing = Module['tarvikMissingFiles'] = Module['tarvikMissingFiles'] || {};
  if (missing[path]) return 0;
  var request = new XMLHttpRequest();
  request.open('GET', path.substring(1), false);
  // Bytes come through unchanged as the low half of each text unit.
  request.overrideMimeType('text/plain; charset=x-user-defined');
  try {
    request.send(null);
  } catch (e) {
    missing[path] = true;
    return 0;
  }
  if (request.status != 200 && request.status != 0) {
    missing[path] = true;
    return 0;
  }
  var text = request.responseText;
  var bytes = new Uint8Array(text.length);
  for (var i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i) & 0xff;
  Module['tarvikFetchedBytes'] = (Module['tarvikFetchedBytes'] || 0) + bytes.length;
  FS.mkdirTree(PATH.dirname(path));
  FS.writeFile(path, bytes);
  return 1;
});

// Stores the file at `path` in IndexedDB. The store finishes after the call
// returns: one that fails then is reported on the console and on the page.
// Answers -1 when the browser keeps no storage for the page.
EM_JS(int, tarvik_store_state_file, (const char* cpath), {
  var path = UTF8ToString(cpath);
  return Module['tarvikStoreFile'] ? Module['tarvikStoreFile'](path) : -1;
});

// The same for the state record itself, which another tab of the page may
// have stored since this one read it: the page then stores the merge of both
// (tarvik_merge_state) instead.
EM_JS(int, tarvik_store_state_record, (const char* cpath), {
  var path = UTF8ToString(cpath);
  return Module['tarvikStoreState'] ? Module['tarvikStoreState'](path) : -1;
});

// The page's file name without ".html", written into `out`.
EM_JS(void, tarvik_page_name, (char* out, int size), {
  var name = decodeURIComponent(location.pathname.split("/").pop()).replace(/[.]html?$/, "");
  stringToUTF8(name, out, size);
});

String tvProgramName() {
  char name[kPageNameBytes] = {};
  tarvik_page_name(name, sizeof name);
  return String::FromUtf8(name, static_cast<int>(std::strlen(name)));
}

// The page's folder is the root of the in-memory file system.
String tvExecutableFolder() { return String(); }

FILE* tvOpenMappedFile(const String& filePath, const String& mode) {
  if (filePath.Length() == 0) return nullptr;
  std::string path = tvPathBytes(filePath);
  struct stat info;
  bool present = ::stat(path.c_str(), &info) == 0;
  if (!present && path.rfind(kDataFolder, 0) == 0) tarvik_fetch_data_file(path.c_str());
  std::string how = mode.ToUtf8();
  FILE* file = std::fopen(path.c_str(), how.c_str());
  if (!file && errno == ENOENT && how[0] == 'r') tvReportMissingFile(path);
  if (file && fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

// The page's files are the program's own: nothing else can stand at the name.
FILE* tvOpenStateFile(const String& filePath) {
  tvBeginStateLoad(filePath);
  if (filePath.Length() == 0) return nullptr;
  FILE* file = std::fopen(tvPathBytes(filePath).c_str(), "rb");
  if (!file && errno != ENOENT) tvNoteStateUnreadable(filePath, std::strerror(errno));
  return file;
}

namespace {
// Keeps the record at `path` as the newest damaged copy, the older copies
// moving down one name (the oldest goes), each stored as the record is.
// False when no copy could be made: the record must not be replaced then.
bool keepDamagedCopy(const std::string& path) {
  for (int n = kDamagedCopies - 1; n > 0; --n) {
    std::string older = tvDamagedCopyName(path, n - 1), newer = tvDamagedCopyName(path, n);
    if (std::rename(older.c_str(), newer.c_str()) == 0) tarvik_store_state_file(newer.c_str());
  }
  FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) return errno == ENOENT;
  std::string newest = tvDamagedCopyName(path, 0);
  FILE* out = std::fopen(newest.c_str(), "wb");
  bool copied = out != nullptr;
  char buffer[kCopyChunk];
  for (size_t n; copied && (n = std::fread(buffer, 1, sizeof buffer, in)) != 0;)
    copied = std::fwrite(buffer, 1, n, out) == n;
  copied = copied && !std::ferror(in);
  std::fclose(in);
  if (out && std::fclose(out) != 0) copied = false;
  if (copied) tarvik_store_state_file(newest.c_str());
  return copied;
}
}  // namespace

// The in-memory copy is written whole, then the stored one replaced in one
// IndexedDB transaction, so storage holds either the old or the new record.
int tvWriteStateFile(const String& filePath, const String& state) {
  if (filePath.Length() == 0 || tvStateUnreadable(filePath)) return -1;
  std::string path = tvPathBytes(filePath);
  if (tvDamagedStateToKeep()) {
    if (!keepDamagedCopy(path)) return -1;
    tvDamagedStateKept();
  }
  std::string bytes;
  EncodeUtf8(state.Data(), state.Length(), bytes);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return -1;
  size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
  bool closed = std::fclose(file) == 0;
  if (written != bytes.size()) return -2;
  if (!closed || tarvik_store_state_record(path.c_str()) != 0) return -1;
  return 0;
}

// A tab runs on one thread: a merge and its save never meet another save of
// its own halfway. Tabs of one page share no lock the program could wait on:
// the page stores each record in one IndexedDB transaction that first reads
// the stored one, and merges the two when another tab stored in between.
void tvLockState(const String&) {}
void tvUnlockState() {}

namespace {
// A record's stored bytes as the program's text, decoded as a load decodes them.
String recordText(const unsigned char* bytes, int length) {
  if (length <= 0) return String();
  FILE* memory = tvOpenMemoryFile(const_cast<unsigned char*>(bytes), static_cast<size_t>(length));
  return memory ? tvReadText(memory) : String();
}
}  // namespace

// The page's way into the application's merge: `mine` is the record this tab
// saved, `base` the stored record it was made from (none: length 0) and
// `stored` the one in storage now. Answers the UTF-8 of the record to store,
// NUL-terminated, in a block the page frees.
extern "C" EMSCRIPTEN_KEEPALIVE char* tarvik_merge_state(const unsigned char* mine, int mineLength,
                                                        const unsigned char* base, int baseLength,
                                                        const unsigned char* stored, int storedLength) {
  String merged = tvMergeState(recordText(mine, mineLength), recordText(base, baseLength),
                               recordText(stored, storedLength));
  std::string bytes;
  EncodeUtf8(merged.Data(), merged.Length(), bytes);
  char* out = static_cast<char*>(std::malloc(bytes.size() + 1));
  if (!out) return nullptr;
  std::memcpy(out, bytes.data(), bytes.size());
  out[bytes.size()] = 0;
  return out;
}
