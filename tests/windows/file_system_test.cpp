// The Windows file system layer: a state file in a folder whose name is
// outside any code page is saved, replaced whole and loaded again; a folder
// at the state file's name is neither read nor saved over; files are binary
// whatever mode is asked for; the program knows its own name and folder.
// Each test works in a scratch folder of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "runtime/gc.h"
#include "storage/files.h"
#include "tests/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

String Path(const fs::path& path) {
  std::u16string units = path.u16string();
  return String(units.data(), static_cast<int>(units.size()));
}

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class WindowsFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { gc_init(); }
  void SetUp() override { ASSERT_FALSE(folder.Path().empty()) << "no temporary folder"; }
  ScratchFolder folder;
};

TEST_F(WindowsFiles, AStateFileUnderANameOutsideTheCodePageIsReplacedWholeAndLoadsBack) {
  fs::path place = folder.Path() / fs::path(u"Zählerstände \u2603 \u4e2d");
  fs::create_directory(place);
  fs::path state = place / ".tarvikstate";
  ASSERT_EQ(tvWriteStateFile(Path(state), String("first record")), 0);
  ASSERT_EQ(tvWriteStateFile(Path(state), String("the second")), 0);
  EXPECT_EQ(Bytes(state), "the second");
  FILE* file = tvOpenStateFile(Path(state));
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(tvReadStateText(file).ToUtf8(), "the second");
  int entries = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(place)) entries += entry.exists();
  EXPECT_EQ(entries, 1) << "a temporary file is left beside the record";
}

TEST_F(WindowsFiles, AFolderAtTheStateFilesNameIsNeitherReadNorSavedOver) {
  fs::path state = folder.Path() / ".tarvikstate";
  fs::create_directory(state);
  EXPECT_EQ(tvOpenStateFile(Path(state)), nullptr);
  EXPECT_EQ(tvWriteStateFile(Path(state), String("x")), -1);
  EXPECT_TRUE(fs::is_directory(state));
  EXPECT_EQ(tvWriteStateFile(Path(folder.Path() / "missing" / ".tarvikstate"), String("x")), -1);
  EXPECT_FALSE(fs::exists(folder.Path() / "missing"));
}

// The C library's text mode would write "\r\n" for every "\n".
TEST_F(WindowsFiles, FilesHoldTheBytesWrittenWhateverTheMode) {
  fs::path text = folder.Path() / "lines.txt";
  FILE* file = tvOpenMappedFile(Path(text), String("w"));
  ASSERT_NE(file, nullptr);
  std::fputs("one\ntwo\n\x1a three", file);
  std::fclose(file);
  EXPECT_EQ(Bytes(text), "one\ntwo\n\x1a three");
  EXPECT_EQ(tvLoadMappedText(Path(text)).ToUtf8(), "one\ntwo\n\x1a three");
}

TEST_F(WindowsFiles, TheProgramKnowsItsNameAndFolder) {
  EXPECT_EQ(tvProgramName().ToUtf8(), "windows_file_system_tests");
  std::string folderName = tvExecutableFolder().ToUtf8();
  std::string binary = TARVIK_BINARY_DIR;  // the build machine's path; wine shows it on a drive
  EXPECT_EQ(folderName.find('\\'), std::string::npos) << folderName;
  ASSERT_GE(folderName.size(), binary.size()) << folderName;
  EXPECT_EQ(folderName.substr(folderName.size() - binary.size()), binary) << folderName;
}

}  // namespace
