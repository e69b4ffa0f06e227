// Background data fetches in the browser: data files come from beside the
// page into its in-memory file system a few at a time, in the order they were
// asked for, so what a program needs first is not slowed by what it needs
// later; a file the server does not have is marked missing, as the file
// system's own synchronous fetch (file_system_web.cpp) marks it.
#include <emscripten.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/game.h"
#include "storage/files.h"
#include "storage/module.h"

namespace {
// The files awaited and not yet here, by their path in the page's file system.
std::vector<std::string> awaited;

std::string FileSystemPath(const String& path) {
  String fixed = vx_data_FixDataPath(path);
  return tvPathBytes(VXGame::_game ? VXGame::_game->PathToFilePath(fixed) : tvDesktopFilePath(fixed));
}
}  // namespace

// Whether `path` is in the file system or known to be missing.
EM_JS(int, tarvik_data_ready, (const char* cpath), {
  var path = UTF8ToString(cpath);
  var missing = Module['tarvikMissingFiles'] || {};
  return missing[path] || FS.analyzePath(path).exists ? 1 : 0;
});

// Puts `path` in the queue of background fetches unless it is ready or asked
// for already, and starts as many queued fetches as may run at once.
EM_JS(void, tarvik_data_fetch, (const char* cpath), {
  var kParallelFetches = 4;   // enough to hide the network's round trips
  var path = UTF8ToString(cpath);
  var missing = Module['tarvikMissingFiles'] = Module['tarvikMissingFiles'] || {};
  var fetches = Module['tarvikDataFetches'] = Module['tarvikDataFetches'] || { queue: [], asked: {}, running: 0 };
  if (missing[path] || fetches.asked[path] || FS.analyzePath(path).exists) return;
  fetches.asked[path] = true;
  fetches.queue.push(path);
  var start = function (file) {
    fetches.running += 1;
    fetch(file.substring(1)).then(function (response) {
      if (!response.ok) throw new Error('HTTP ' + response.status);
      return response.arrayBuffer();
    }).then(function (buffer) {
      var bytes = new Uint8Array(buffer);
      Module['tarvikFetchedBytes'] = (Module['tarvikFetchedBytes'] || 0) + bytes.length;
      FS.mkdirTree(PATH.dirname(file));
      FS.writeFile(file, bytes);
    }).catch(function () {
      missing[file] = true;
    }).then(function () {
      fetches.running -= 1;
      while (fetches.running < kParallelFetches && fetches.queue.length > 0) start(fetches.queue.shift());
    });
  };
  while (fetches.running < kParallelFetches && fetches.queue.length > 0) start(fetches.queue.shift());
});

bool vx_data_Prefetch(const String& path) {
  std::string file = FileSystemPath(path);
  if (tarvik_data_ready(file.c_str())) return true;
  tarvik_data_fetch(file.c_str());
  return false;
}

bool vx_data_Ready(const String& path) { return tarvik_data_ready(FileSystemPath(path).c_str()) != 0; }

void vx_data_Await(const String& path) {
  if (vx_data_Prefetch(path)) return;
  std::string file = FileSystemPath(path);
  if (std::find(awaited.begin(), awaited.end(), file) == awaited.end()) awaited.push_back(file);
}

bool vx_data_Awaiting() {
  std::erase_if(awaited, [](const std::string& file) { return tarvik_data_ready(file.c_str()) != 0; });
  return !awaited.empty();
}
