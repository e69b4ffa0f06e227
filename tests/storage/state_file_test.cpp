// The state file: exact bytes written, the decoding rules on reading back,
// failure codes, and that killing a saving process at any moment leaves the
// previous or the new record whole. Each test works in its own temporary
// working directory, since the file is ./.tarvikstate.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "host/game.h"
#include "storage/files.h"
#include "storage/module.h"

namespace {

class StateFile : public testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    dir_ = std::filesystem::temp_directory_path() / ("tarvik_state_" + std::to_string(getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }

  static std::vector<int> fileBytes() {
    std::ifstream in(".tarvikstate", std::ios::binary);
    std::vector<int> bytes;
    for (std::istreambuf_iterator<char> it(in), end; it != end; ++it) bytes.push_back(*it & 0xFF);
    return bytes;
  }
  static void writeBytes(const std::vector<int>& bytes) {
    std::ofstream out(".tarvikstate", std::ios::binary | std::ios::trunc);
    for (int b : bytes) out.put(static_cast<char>(b));
  }
  static std::vector<int> loaded() {
    String s = vx_app_LoadState();
    return std::vector<int>(s.Data(), s.Data() + s.Length());
  }
  static String units(std::initializer_list<int> u) {
    std::vector<Char> c(u.begin(), u.end());
    return String(c.data(), static_cast<int>(c.size()));
  }

  std::filesystem::path previous_, dir_;
};

}  // namespace

TEST_F(StateFile, SavesUtf8AndLoadsTheSameUnitsBack) {
  EXPECT_EQ(tvSaveState(units({0xE9, '|', 0x20AC})), 0);
  EXPECT_EQ(fileBytes(), (std::vector<int>{0xC3, 0xA9, 0x7C, 0xE2, 0x82, 0xAC}));
  EXPECT_EQ(loaded(), (std::vector<int>{0xE9, '|', 0x20AC}));
}

// A pair is written as one 4-byte sequence, a lone surrogate as its own 3 bytes.
TEST_F(StateFile, SurrogatesAndControlUnitsRoundTrip) {
  String text = units({0xD83D, 0xDE00, 0, 0x7F, 0x80, 0x7FF, 0x800, 0xFFFF, 0xDE00, 'z'});
  EXPECT_EQ(tvSaveState(text), 0);
  EXPECT_EQ(fileBytes().size(), 4u + 1 + 1 + 2 + 2 + 3 + 3 + 3 + 1);
  EXPECT_EQ(loaded(), (std::vector<int>{0xD83D, 0xDE00, 0, 0x7F, 0x80, 0x7FF, 0x800, 0xFFFF, 0xDE00, 'z'}));
}

TEST_F(StateFile, ALeadingByteOrderMarkUnitIsDroppedOnLoad) {
  EXPECT_EQ(tvSaveState(units({0xFEFF, 'A'})), 0);
  EXPECT_EQ(loaded(), (std::vector<int>{'A'}));
}

TEST_F(StateFile, Utf16ByteOrderMarksSelectTheByteOrder) {
  writeBytes({0xFF, 0xFE, 0x41, 0x00, 0x42});
  EXPECT_EQ(loaded(), (std::vector<int>{'A'}));
  writeBytes({0xFE, 0xFF, 0x20, 0xAC, 0x00, 0x42});
  EXPECT_EQ(loaded(), (std::vector<int>{0x20AC, 'B'}));
}

TEST_F(StateFile, AUtf8ByteOrderMarkAloneIsTheEmptyText) {
  writeBytes({0xEF, 0xBB, 0xBF});
  EXPECT_EQ(vx_app_LoadState().Length(), 0);
}

TEST_F(StateFile, InvalidUtf8LoadsAsOneUnitPerByte) {
  writeBytes({0x41, 0x80, 0x42});
  EXPECT_EQ(loaded(), (std::vector<int>{0x41, 0x80, 0x42}));
  writeBytes({0xEF, 0xBB, 0xBF, 0xE2, 0x82});
  EXPECT_EQ(loaded(), (std::vector<int>{0xE2, 0x82}));
  writeBytes({0xF4, 0x90, 0x80, 0x80});
  EXPECT_EQ(loaded(), (std::vector<int>{0xF4, 0x90, 0x80, 0x80})) << "past U+10FFFF";
}

TEST_F(StateFile, SavingTheEmptyTextLeavesAnEmptyFile) {
  writeBytes({'o', 'l', 'd'});
  EXPECT_EQ(tvSaveState(String()), 0);
  EXPECT_TRUE(std::filesystem::exists(".tarvikstate"));
  EXPECT_EQ(std::filesystem::file_size(".tarvikstate"), 0u);
  EXPECT_EQ(vx_app_LoadState().Length(), 0);
}

TEST_F(StateFile, AMissingFileLoadsAsTheEmptyText) {
  EXPECT_EQ(vx_app_LoadState().Length(), 0);
}

// A record is a few KiB; a file past the cap is refused with a line on
// standard output and left as it is, through the module and through a host.
TEST_F(StateFile, AFileOverTheCapLoadsAsTheEmptyTextAndIsLeftAlone) {
  std::string atCap(static_cast<size_t>(kStateFileCap), 'a');
  std::ofstream(".tarvikstate", std::ios::binary) << atCap;
  EXPECT_EQ(vx_app_LoadState().Length(), kStateFileCap);

  std::ofstream(".tarvikstate", std::ios::binary | std::ios::app) << 'b';
  testing::internal::CaptureStdout();
  EXPECT_EQ(vx_app_LoadState().Length(), 0);
  VXGame host;
  EXPECT_EQ(host.LoadState().Length(), 0);
  VXGame::_game = nullptr;
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2) << out;
  EXPECT_NE(out.find("State file ignored: 1048577 bytes"), std::string::npos) << out;
  EXPECT_EQ(std::filesystem::file_size(".tarvikstate"), static_cast<uintmax_t>(kStateFileCap) + 1);

  EXPECT_EQ(tvSaveState(String("fresh")), 0);
  EXPECT_EQ(vx_app_LoadState().ToUtf8(), "fresh");
  EXPECT_EQ(std::filesystem::file_size(".tarvikstate.damaged"), static_cast<uintmax_t>(kStateFileCap) + 1)
      << "the file that was no record is kept before the save replaces it";
}

TEST_F(StateFile, SavingLeavesNoTemporaryFileBehind) {
  EXPECT_EQ(tvSaveState(String("record")), 0);
  EXPECT_EQ(tvSaveState(String("record two")), 0);
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(".")) entries += e.path().filename() != ".tarvikstate";
  EXPECT_EQ(entries, 0);
}

TEST_F(StateFile, AFolderThatCannotBeWrittenGivesMinusOne) {
  // The working directory is removed under us: nothing can be created in it.
  std::filesystem::path gone = dir_ / "gone";
  std::filesystem::create_directories(gone);
  std::filesystem::current_path(gone);
  std::filesystem::remove(gone);
  EXPECT_EQ(tvSaveState(String("x")), -1);
  EXPECT_EQ(vx_app_SaveState(String("x")), -1);
  std::filesystem::current_path(dir_);
  EXPECT_EQ(tvWriteStateFile(String("/nonexistent/folder/.tarvikstate"), String("x")), -1);
}

// A full disk, as a file size limit below the record gives it: the save
// says so on standard output and the old record stays.
TEST_F(StateFile, AShortWriteGivesMinusTwoSaysSoAndKeepsTheOldRecord) {
  EXPECT_EQ(tvSaveState(String("old record")), 0);
  int output[2];
  ASSERT_EQ(pipe(output), 0);
  pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4, 4};
    setrlimit(RLIMIT_FSIZE, &limit);
    dup2(output[1], STDOUT_FILENO);
    std::string big(100000, 'x');
    _exit(tvSaveState(String(big.c_str())) == -2 ? 0 : 1);
  }
  close(output[1]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(vx_app_LoadState().ToUtf8(), "old record");
  char buffer[512] = {};
  ssize_t n = read(output[0], buffer, sizeof buffer - 1);
  close(output[0]);
  std::string out(buffer, n > 0 ? static_cast<size_t>(n) : 0);
  EXPECT_NE(out.find("State file not saved: ./.tarvikstate: File too large"), std::string::npos) << out;
}

// A record that is there but cannot be read (here no file handle is left
// when it is opened) is never saved over while the program runs. The refusal
// lasts the process, so it runs in a child of its own.
TEST_F(StateFile, ARecordThatCannotBeOpenedIsNeverSavedOver) {
  EXPECT_EQ(tvSaveState(String("98 points")), 0);
  int output[2];
  ASSERT_EQ(pipe(output), 0);
  pid_t child = fork();
  if (child == 0) {
    dup2(output[1], STDOUT_FILENO);
    int lowest = open("/dev/null", O_RDONLY);
    close(lowest);
    rlimit saved;
    getrlimit(RLIMIT_NOFILE, &saved);
    rlimit none = {static_cast<rlim_t>(lowest), saved.rlim_max};
    setrlimit(RLIMIT_NOFILE, &none);
    bool empty = vx_app_LoadState().Length() == 0;
    setrlimit(RLIMIT_NOFILE, &saved);
    bool refused = vx_app_StateUnreadable() && tvSaveState(String("defaults")) == -1 &&
                   vx_app_SaveState(String("defaults")) == -1;
    _exit(empty && refused ? 0 : 1);
  }
  close(output[1]);
  int status = 0;
  waitpid(child, &status, 0);
  char buffer[1024] = {};
  ssize_t n = read(output[0], buffer, sizeof buffer - 1);
  close(output[0]);
  std::string out(buffer, n > 0 ? static_cast<size_t>(n) : 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
  EXPECT_NE(out.find("State file not read: ./.tarvikstate: Too many open files; it is kept as it is"),
            std::string::npos) << out;
  EXPECT_NE(out.find("State file not saved: ./.tarvikstate: it could not be read"), std::string::npos) << out;
  EXPECT_EQ(vx_app_LoadState().ToUtf8(), "98 points");
  EXPECT_FALSE(vx_app_StateUnreadable()) << "a missing file is no unreadable one";
}

// Runs `body` in a child that must finish within the deadline: a save or a
// load that blocks on a pipe fails the test instead of hanging it.
static bool FinishesInTime(const std::function<bool()>& body) {
  constexpr unsigned kDeadlineSeconds = 30;
  pid_t child = fork();
  if (child == 0) {
    alarm(kDeadlineSeconds);
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Each save makes a temporary file of its own, so nothing planted at any
// fixed name is written through, and a pipe there cannot stop a save.
TEST_F(StateFile, ALinkOrAPipePlantedBesideTheStateFileIsNeverOpened) {
  std::ofstream("victim") << "victim's own";
  std::filesystem::create_symlink("victim", ".tarvikstate.tmp");
  EXPECT_EQ(tvSaveState(String("record")), 0);
  std::ifstream victim("victim");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(victim)), {}), "victim's own");
  EXPECT_FALSE(std::filesystem::is_symlink(".tarvikstate"));

  std::filesystem::remove(".tarvikstate.tmp");
  ASSERT_EQ(mkfifo(".tarvikstate.tmp", 0600), 0);
  EXPECT_TRUE(FinishesInTime([] { return tvSaveState(String("record two")) == 0; }));
  EXPECT_EQ(vx_app_LoadState().ToUtf8(), "record two");
}

// The per-user state folder: an absolute XDG_STATE_HOME first, else
// ~/.local/state, made private when missing; a relative XDG_STATE_HOME is
// ignored; a file in the way is refused with a line and nothing moves. The
// home folder's name is not ASCII, as many are.
TEST_F(StateFile, TheStateFolderIsMadePrivateAndHoldsTheRecord) {
  std::filesystem::path home = dir_ / "h\xC3\xB6me";
  std::filesystem::create_directories(home);
  const char* previousHome = std::getenv("HOME");
  std::string keptHome = previousHome ? previousHome : "";
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_STATE_HOME", "relative/state", 1);
  ASSERT_TRUE(tvUseStateFolder(String("mygame")));
  EXPECT_EQ(tvSaveState(String("kept")), 0);
  std::filesystem::path folder = home / ".local/state/mygame";
  EXPECT_TRUE(std::filesystem::exists(folder / ".tarvikstate"));
  struct stat info;
  ASSERT_EQ(stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(vx_app_LoadState().ToUtf8(), "kept");

  std::filesystem::path xdg = dir_ / "xdg";
  setenv("XDG_STATE_HOME", xdg.c_str(), 1);
  ASSERT_TRUE(tvUseStateFolder(String("mygame")));
  EXPECT_EQ(tvSaveState(String("there")), 0);
  EXPECT_TRUE(std::filesystem::exists(xdg / "mygame/.tarvikstate"));

  std::ofstream(dir_ / "xdg/blocked") << "a file, not a folder";
  testing::internal::CaptureStdout();
  EXPECT_FALSE(tvUseStateFolder(String("blocked")));
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("State folder not used"), std::string::npos) << out;
  EXPECT_EQ(vx_app_LoadState().ToUtf8(), "there") << "a refused folder leaves the state file where it was";

  // Letters beyond ASCII in the folder and the program's name.
  std::filesystem::path lettered = dir_ / "st\xC3\xA5";
  setenv("XDG_STATE_HOME", lettered.c_str(), 1);
  const std::string game = "Z\xC3\xA4hlerst\xC3\xA4nde \xE2\x98\x83 \xE4\xB8\xAD \xF0\x9F\x98\x80";
  ASSERT_TRUE(tvUseStateFolder(tvPathText(game)));
  EXPECT_EQ(tvSaveState(String("lettered")), 0);
  EXPECT_TRUE(std::filesystem::exists(lettered / game / ".tarvikstate"));
  EXPECT_EQ(vx_app_LoadState().ToUtf8(), "lettered");

  ASSERT_TRUE(tvUseStateFolder(String()));
  unsetenv("XDG_STATE_HOME");
  setenv("HOME", keptHome.c_str(), 1);
  EXPECT_EQ(tvSaveState(String("working folder")), 0);
  EXPECT_TRUE(std::filesystem::exists(".tarvikstate"));
}

// A state file that is a link (say, into a synchronised folder) is saved
// where it points, and stays a link.
TEST_F(StateFile, AStateFileThatIsALinkIsSavedWhereItPoints) {
  std::filesystem::create_directories("elsewhere");
  std::ofstream("elsewhere/record") << "old";
  std::filesystem::create_symlink("elsewhere/record", ".tarvikstate");
  EXPECT_EQ(tvSaveState(String("new")), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(".tarvikstate"));
  std::ifstream in("elsewhere/record");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "new");
  EXPECT_EQ(vx_app_LoadState().ToUtf8(), "new");
}

// A pipe, an endless device or a folder at the state file's name loads as
// defaults at once, with a line saying why, and is never saved over.
TEST_F(StateFile, WhatIsNotARegularFileLoadsAsDefaultsAndIsNotSavedOver) {
  ASSERT_EQ(mkfifo(".tarvikstate", 0600), 0);
  EXPECT_TRUE(FinishesInTime([] { return vx_app_LoadState().Length() == 0; }));
  testing::internal::CaptureStdout();
  EXPECT_EQ(tvSaveState(String("record")), -1);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("State file not saved"), std::string::npos) << out;
  EXPECT_EQ(std::filesystem::status(".tarvikstate").type(), std::filesystem::file_type::fifo);

  std::filesystem::remove(".tarvikstate");
  std::filesystem::create_symlink("/dev/zero", ".tarvikstate");
  EXPECT_TRUE(FinishesInTime([] { return vx_app_LoadState().Length() == 0; }));
  EXPECT_EQ(tvSaveState(String("record")), -1);

  std::filesystem::remove(".tarvikstate");
  std::filesystem::create_directories(".tarvikstate");
  testing::internal::CaptureStdout();
  EXPECT_EQ(vx_app_LoadState().Length(), 0);
  out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("is not a regular file"), std::string::npos) << out;
}

// A record that proves itself whole: "<n>:" then n times the letter for n.
static std::string recordFor(int n) {
  return std::to_string(n) + ":" + std::string(static_cast<size_t>(n), static_cast<char>('a' + n % 26));
}

static bool isWholeRecord(const std::string& text) {
  size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  int n = std::atoi(text.substr(0, colon).c_str());
  return text == recordFor(n);
}

// Two copies of a program saving into one folder at once: a reader only ever
// sees a whole record, and no temporary file is left behind.
TEST_F(StateFile, TwoCopiesSavingAtOnceNeverShowAReaderATornRecord) {
  constexpr int kSavesEach = 100;
  constexpr int kRecordBase = 60000;  // records of 60 KB: the writes take long enough to overlap
  ASSERT_EQ(tvSaveState(String(recordFor(kRecordBase).c_str())), 0);
  pid_t copies[2];
  for (int c = 0; c < 2; ++c) {
    copies[c] = fork();
    if (copies[c] == 0) {
      for (int i = 0; i < kSavesEach; ++i) tvSaveState(String(recordFor(kRecordBase + 1 + c + 2 * i).c_str()));
      _exit(0);
    }
  }
  int running = 2;
  while (running > 0) {
    std::ifstream in(".tarvikstate", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    ASSERT_TRUE(isWholeRecord(text)) << "a reader saw " << text.size() << " bytes";
    for (pid_t& copy : copies) {
      if (copy > 0 && waitpid(copy, nullptr, WNOHANG) == copy) {
        copy = 0;
        --running;
      }
    }
  }
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(".")) entries += e.path().filename() != ".tarvikstate";
  EXPECT_EQ(entries, 0);
}

TEST_F(StateFile, KillingASavingProcessNeverLeavesATornOrEmptyFile) {
  constexpr int kKills = 60;
  constexpr int kRecordBase = 20000;  // records of 20 KB: a few MiB written in all
  ASSERT_EQ(tvSaveState(String(recordFor(kRecordBase).c_str())), 0);
  for (int k = 0; k < kKills; ++k) {
    pid_t child = fork();
    if (child == 0) {
      for (int n = kRecordBase + 1 + k * 1000;; ++n) tvSaveState(String(recordFor(n).c_str()));
    }
    usleep(2000 + (k * 7919) % 20000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    std::ifstream in(".tarvikstate", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    ASSERT_TRUE(isWholeRecord(text)) << "kill " << k << " left " << text.size() << " bytes";
  }
}
