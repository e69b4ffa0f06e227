// Where the state file lives on Linux and in the browser: the working
// directory, or the per-user state folder a program asks for
// ($XDG_STATE_HOME/name or ~/.local/state/name, made private when missing).
// Relies on POSIX folders and the environment.
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/errors.h"
#include "storage/files.h"

const char* const kStateFilePath = "./.tarvikstate";
namespace {
String stateFilePath(kStateFilePath);
}  // namespace

String tvStateFilePath() { return stateFilePath; }

namespace {
constexpr mode_t kPrivateFolder = 0700;
const char* const kStateFileName = ".tarvikstate";

// Makes every missing folder of `path` private, as the per-user folders
// are; one that is there already is left as it is.
bool makeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    if (::mkdir(part.c_str(), kPrivateFolder) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
}  // namespace

bool tvUseStateFolder(const String& name) {
  if (name.Length() == 0) {
    stateFilePath = String(kStateFilePath);
    return true;
  }
  std::string folder;
  const char* xdg = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  if (xdg && xdg[0] == '/') folder = xdg;
  else if (home && home[0] == '/') folder = std::string(home) + "/.local/state";
  std::string narrow = tvPathBytes(name);
  if (folder.empty() || narrow.find('/') != std::string::npos || narrow == "." || narrow == "..") {
    tvPrintLine("State folder not used: no place for \"" + narrow +
                "\" (HOME is not set); the state file stays in the working directory");
    return false;
  }
  folder += "/" + narrow;
  if (!makeFolders(folder)) {
    tvPrintLine("State folder not used: " + folder + " cannot be made: " + std::strerror(errno) +
                "; the state file stays in the working directory");
    return false;
  }
  stateFilePath = tvPathText(folder + "/" + kStateFileName);
  return true;
}
