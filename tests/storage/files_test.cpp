// Path mapping, the data-path rule and whole-file loads: the tarvik:// places
// against an application folder, the executable's own folder, chunk boundaries
// of the 4096-byte reads and the collector's external byte count; the log
// that copies every printed line into a file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "runtime/errors.h"
#include "runtime/gc.h"
#include "storage/data_buffer.h"
#include "storage/files.h"
#include "storage/module.h"

namespace {

std::string narrow(const String& s) { return s.ToUtf8(); }

std::filesystem::path freshFolder(const char* name) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace

TEST(DataPath, BareNamesGetTheDataScheme) {
  EXPECT_EQ(narrow(vx_data_FixDataPath(String("title.png"))), "tarvik://data/title.png");
  EXPECT_EQ(narrow(vx_data_FixDataPath(String("graphics/ship.png"))), "tarvik://data/graphics/ship.png");
  EXPECT_EQ(narrow(vx_data_FixDataPath(String("a/b:/c"))), "tarvik://data/a/b:/c");
}

TEST(DataPath, SchemesAndRootedPathsPassUnchanged) {
  for (const char* p : {"./title.png", "/title.png", "tarvik://internal/x", "C:/x", "http://h/p"})
    EXPECT_EQ(narrow(vx_data_FixDataPath(String(p))), p);
}

TEST(PathMapping, TheExecutableFolderDropsTheNameAndTurnsBackslashes) {
  EXPECT_EQ(narrow(tvFolderOfExecutable(String("C:\\Games\\X\\prog.exe"))), "C:/Games/X");
  EXPECT_EQ(narrow(tvFolderOfExecutable(String("/usr/games/skarnel"))), "/usr/games");
}

TEST(PathMapping, AnExecutableNameWithoutSlashAborts) {
  EXPECT_DEATH(tvFolderOfExecutable(String("prog.exe")), "");
}

TEST(PathMapping, TarvikPlacesMapBesideTheExecutable) {
  String app("C:/Games/X");
  String internal;
  EXPECT_EQ(narrow(tvMapTarvikPath(String("tarvik://data/a.png"), app, internal)), "C:/Games/X/data/a.png");
  EXPECT_EQ(internal.Length(), 0);
  EXPECT_EQ(narrow(tvMapTarvikPath(String("tarvik://internal/s.txt"), app, internal)), "C:/Games/X/internal/s.txt");
  EXPECT_EQ(narrow(internal), "C:/Games/X/internal");
  EXPECT_EQ(narrow(tvMapTarvikPath(String("tarvik://external/e"), app, internal)), "C:/Games/X/external/e");
  EXPECT_EQ(tvMapTarvikPath(String("tarvik://other/x"), app, internal).Length(), 0);
  EXPECT_EQ(narrow(tvMapTarvikPath(String("./.tarvikstate"), app, internal)), "./.tarvikstate");
  EXPECT_EQ(narrow(tvMapTarvikPath(String("/tmp/x"), app, internal)), "/tmp/x");
}

TEST(PathMapping, TheDesktopMappingUsesTheRunningExecutablesFolder) {
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe);
  ASSERT_GT(n, 0);
  std::string folder = std::filesystem::path(std::string(exe, n)).parent_path().string();
  EXPECT_EQ(narrow(tvDesktopFilePath(String("tarvik://data/kelvo_font.png"))), folder + "/data/kelvo_font.png");
}

TEST(FileAccess, AnUnmappablePathOpensNothing) {
  EXPECT_EQ(tvOpenFile(String("tarvik://other/x"), String("rb")), nullptr);
  EXPECT_EQ(tvOpenMappedFile(String(), String("rb")), nullptr);
  int length = -7;
  EXPECT_EQ(tvLoadData(String("tarvik://other/x"), &length), nullptr);
  EXPECT_EQ(length, -7);
}

// A name is text letter by letter (a letter past 0xFFFF as a surrogate
// pair), and a byte that is not UTF-8 survives the trip to text and back, so
// every name opens.
TEST(FileAccess, AnyNameOpensThroughItsTextAndRoundTripsToItsBytes) {
  std::filesystem::path dir = freshFolder("tarvik_files_utf8");
  const std::string leaf = "caf\xC3\xA9 \xE2\x98\x83 \xE4\xB8\xAD \xF0\x9F\x98\x80 \xFF\xC3 \xED\xA0\x80.txt";
  std::string name = (dir / leaf).string();
  FILE* f = std::fopen(name.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("ok", f);
  std::fclose(f);
  String text = tvPathText(leaf);
  const std::vector<int> units = {'c', 'a', 'f', 0xE9, ' ', 0x2603, ' ', 0x4E2D, ' ', 0xD83D, 0xDE00, ' ',
                                  0xDCFF, 0xDCC3, ' ', 0xDCED, 0xDCA0, 0xDC80, '.', 't', 'x', 't'};
  EXPECT_EQ(std::vector<int>(text.Data(), text.Data() + text.Length()), units);
  EXPECT_EQ(tvPathBytes(text), leaf);
  EXPECT_EQ(narrow(tvLoadString(tvPathText(name))), "ok");
  std::filesystem::remove_all(dir);
}

TEST(FileAccess, WholeFileLoadsAcrossChunkBoundariesAndCountExternalBytes) {
  std::filesystem::path dir = freshFolder("tarvik_files_load");
  for (int size : {0, 1, 4095, 4096, 4097, 8192, 12345}) {
    std::vector<unsigned char> data(size);
    for (int i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 31 + 7);
    std::string file = "f";
    file += std::to_string(size);
    std::string name = (dir / file).string();
    FILE* f = std::fopen(name.c_str(), "wb");
    if (size) std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);

    int before = gc_ext_new_bytes.load();
    int length = -1;
    unsigned char* block = tvLoadData(String(name.c_str()), &length);
    ASSERT_NE(block, nullptr) << size;
    EXPECT_EQ(length, size);
    EXPECT_EQ(gc_ext_new_bytes.load() - before, size);
    if (size) {
      EXPECT_EQ(std::memcmp(block, data.data(), size), 0) << size;
    }
    std::free(block);
  }
  std::filesystem::remove_all(dir);
}

// Reading a folder opened as a file fails on every read: it must load as a
// missing file does, not as an empty one.
// A file over 2 GiB (sparse here, so nothing is written) is refused before
// it is read, since its length would not fit; bytes loaded outside the
// collector past 2 GiB still count towards the end of its cycle.
TEST(FileAccess, AFileOver2GiBLoadsAsNothingAndExternalBytesPast2GiBEndACycle) {
  std::filesystem::path dir = freshFolder("tarvik_files_huge");
  std::string name = (dir / "huge.bin").string();
  FILE* f = std::fopen(name.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(ftruncate(fileno(f), static_cast<off_t>(kDataFileMaxBytes) + 1), 0);
  std::fclose(f);
  testing::internal::CaptureStdout();
  int length = -7;
  EXPECT_EQ(tvLoadMappedData(tvPathText(name), &length), nullptr);
  EXPECT_EQ(length, -7);
  EXPECT_EQ(tvLoadMappedText(tvPathText(name)).Length(), 0);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("File too large: " + name + " holds 2147483648 bytes"), std::string::npos) << out;
  std::filesystem::remove_all(dir);

  gc_init();
  unsigned cycle = gc_cycle;
  gc_ext_alloc(INT_MAX);
  gc_ext_alloc(INT_MAX);
  gc_ext_alloc(2);  // four GiB in all: a 32-bit count would read 0
  for (int i = 0; i < 4 && gc_cycle == cycle; ++i) gc_collect();
  EXPECT_GT(gc_cycle, cycle) << "the loaded bytes did not end a cycle";
}

TEST(FileAccess, AFolderLoadsAsNothing) {
  std::filesystem::path dir = freshFolder("tarvik_files_folder");
  String folder(dir.string().c_str());
  int length = -7;
  EXPECT_EQ(tvLoadData(folder, &length), nullptr);
  EXPECT_EQ(length, -7);
  EXPECT_EQ(c_DataBuffer::m_Load(folder), nullptr);
  EXPECT_EQ(tvLoadString(folder).Length(), 0);
  std::filesystem::remove_all(dir);
}

TEST(FileAccess, TheEmptyAssetNameMapsToTheDataFolderAndLoadsAsNothing) {
  String data = tvDesktopFilePath(vx_data_FixDataPath(String()));
  if (!std::filesystem::is_directory(narrow(data))) GTEST_SKIP() << "no data folder beside the tests";
  EXPECT_EQ(c_DataBuffer::m_Load(vx_data_FixDataPath(String())), nullptr);
}

TEST(FileAccess, AMissingTextFileLoadsAsTheEmptyText) {
  EXPECT_EQ(tvLoadString(String("/nonexistent/folder/file.txt")).Length(), 0);
}

namespace {
std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
}  // namespace

// One run's log: the last run's set aside, each line there as soon as it is
// printed, and a run that prints without end held to the cap.
TEST(Log, EachRunStartsAFreshLogKeepsTheLastAsideAndStopsAtTheCap) {
  std::filesystem::path dir = freshFolder("tarvik-log-test");
  std::filesystem::path log = dir / "program.log";
  std::ofstream(log) << "the last run\n";
  ASSERT_TRUE(tvKeepLog(tvPathText(log.string())));
  vxPrint(String("F\u00fcr the log"));
  EXPECT_EQ(fileText(dir / "program.log.old"), "the last run\n");
  std::string copied = fileText(log);
  EXPECT_NE(copied.find("F\xC3\xBCr the log\n"), std::string::npos) << copied;

  const String line(std::string(100, 'x').c_str());
  for (long long printed = 0; printed <= kLogMaxBytes; printed += line.Length() + 1) vxPrint(line);
  vxPrint(String("past the cap"));
  vxCopyPrintsTo(nullptr);
  copied = fileText(log);
  EXPECT_LE(static_cast<long long>(copied.size()), kLogMaxBytes + 100);
  EXPECT_EQ(copied.find("past the cap"), std::string::npos);
  EXPECT_EQ(copied.substr(copied.rfind('\n', copied.size() - 2) + 1),
            "Log full: the rest of this run's lines are not kept\n");

  // A pipe at the name would block every line: it is left alone, and nothing waits.
  std::filesystem::path pipe = dir / "pipe.log";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_FALSE(tvKeepLog(tvPathText(pipe.string())));
  EXPECT_TRUE(std::filesystem::is_fifo(pipe));
  std::filesystem::remove_all(dir);
}
