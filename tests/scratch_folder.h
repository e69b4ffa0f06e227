// A working folder of a test's own: made fresh under the system's temporary
// folder and entered on construction, left and removed with everything in it
// on destruction. The game saves ./.tarvikstate in the working folder, so each
// test that may save keeps its state file to itself. A death test's child
// that runs the test again from its start (always on Windows, which cannot
// fork) works in its parent's folder, so the parent finds what it saved.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <random>
#include <string>

class ScratchFolder {
 public:
  // A name nobody holds: the folder is made only when it did not exist, and
  // only its owner may enter it.
  ScratchFolder() : previous_(std::filesystem::current_path()) {
    const char* parent = std::getenv(kVariable);
    if (!GTEST_FLAG_GET(internal_run_death_test).empty() && parent && *parent) {
      path_ = parent;
      std::filesystem::current_path(path_);
      return;
    }
    std::random_device seed;
    std::mt19937_64 names(seed());
    std::error_code error;
    for (int i = 0; i < kTries && path_.empty(); ++i) {
      std::filesystem::path candidate =
          std::filesystem::temp_directory_path() / ("tarvik-test-" + std::to_string(names() % 1000000000));
      if (std::filesystem::create_directory(candidate, error)) path_ = candidate;
    }
    if (path_.empty()) return;
    owned_ = true;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, error);
    std::filesystem::current_path(path_);
    Announce(path_.string());
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    if (!owned_) return;
    Announce(std::string());
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Empty when no folder could be made (the test then stays where it was).
  const std::filesystem::path& Path() const { return path_; }

 private:
  static constexpr int kTries = 100;
  static constexpr const char* kVariable = "TARVIK_SCRATCH_FOLDER";

  // Names the folder in the environment a death test's child inherits.
  // putenv keeps the text it is given, so the text lives as long as the process.
  static void Announce(const std::string& folder) {
    static std::string entry;
    entry = std::string(kVariable) + "=" + folder;
    putenv(entry.data());
  }

  std::filesystem::path previous_;
  std::filesystem::path path_;
  bool owned_ = false;
};
