// Byte buffer behaviour: clamped transfers, sign extension, overlapping copies,
// the two string encodings and the refusal of negative positions.
// Runs against the tarvik library; no files except the load test's own.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "storage/data_buffer.h"
#include "tests/exit_status.h"

namespace {

c_DataBuffer* bufferWith(const std::vector<int>& bytes) {
  c_DataBuffer* b = gc_new<c_DataBuffer>()->m_new(static_cast<int>(bytes.size()));
  for (size_t i = 0; i < bytes.size(); ++i) b->_data[i] = static_cast<unsigned char>(bytes[i]);
  return b;
}

std::vector<int> contents(c_DataBuffer* b) { return std::vector<int>(b->_data, b->_data + b->_length); }

Array<int> arrayOf(const std::vector<int>& v) { return Array<int>(v.data(), static_cast<int>(v.size())); }

std::vector<int> unitsOf(const String& s) { return std::vector<int>(s.Data(), s.Data() + s.Length()); }

}  // namespace

TEST(DataBuffer, FillsOnlyOnceUntilDiscarded) {
  VXDataBuffer* b = gc_new<VXDataBuffer>();
  EXPECT_TRUE(b->_New(8));
  EXPECT_EQ(b->_length, 8);
  EXPECT_FALSE(b->_New(4));
  b->Discard();
  EXPECT_EQ(b->_data, nullptr);
  EXPECT_EQ(b->_length, 0);
  EXPECT_TRUE(b->_New(4));
}

TEST(DataBuffer, AllocatingAFullBufferIsARuntimeError) {
  EXPECT_EXIT(
      {
        c_DataBuffer* b = gc_new<c_DataBuffer>()->m_new(4);
        std::fclose(stdin);
        b->m_new(4);
      },
      ExitedMinusOne, "");
}

TEST(DataBuffer, PeekBytesSignExtendsAndClampsToTheBuffer) {
  c_DataBuffer* b = bufferWith({0xFF, 0x01});
  Array<int> a = b->p_PeekBytes2(0, 2);
  ASSERT_EQ(a.Length(), 2);
  EXPECT_EQ(a[0], -1);
  EXPECT_EQ(a[1], 1);
  EXPECT_EQ(b->p_PeekBytes2(1, 100).Length(), 1);
  EXPECT_EQ(b->p_PeekBytes2(2, 5).Length(), 0);

  Array<int> out = arrayOf({7, 7, 7});
  b->p_PeekBytes(0, out, 1, 10);
  EXPECT_EQ(out[0], 7);
  EXPECT_EQ(out[1], -1);
  EXPECT_EQ(out[2], 1);
}

TEST(DataBuffer, PokeBytesStoresTheLowEightBitsWithinBothRooms) {
  c_DataBuffer* b = bufferWith({0, 0, 0});
  b->p_PokeBytes(1, arrayOf({0x1FF, 0x102, 0x3}), 0, 10);
  EXPECT_EQ(contents(b), (std::vector<int>{0, 0xFF, 0x02}));
  b->p_PokeBytes(0, arrayOf({9, 8, 7}), 2, 3);
  EXPECT_EQ(contents(b), (std::vector<int>{7, 0xFF, 0x02}));
}

TEST(DataBuffer, NegativePositionsAndCountsTransferNothing) {
  c_DataBuffer* b = bufferWith({1, 2, 3, 4});
  Array<int> src = arrayOf({9, 9, 9, 9});
  b->p_PokeBytes(-1, src, 0, 4);
  b->p_PokeBytes(0, src, -2, 4);
  b->p_PokeBytes(0, src, 0, -1);
  b->p_PokeBytes(-2147483647 - 1, src, 0, 4);
  EXPECT_EQ(contents(b), (std::vector<int>{1, 2, 3, 4}));

  Array<int> dst = arrayOf({0, 0});
  b->p_PeekBytes(-1, dst, 0, 2);
  b->p_PeekBytes(0, dst, -1, 2);
  EXPECT_EQ(dst[0], 0);
  EXPECT_EQ(dst[1], 0);
  EXPECT_EQ(b->p_PeekBytes2(-3, 4).Length(), 0);

  c_DataBuffer* other = bufferWith({0, 0, 0, 0});
  b->p_CopyBytes(-1, other, 0, 4);
  b->p_CopyBytes(0, other, -1, 4);
  EXPECT_EQ(contents(other), (std::vector<int>{0, 0, 0, 0}));

  EXPECT_EQ(b->p_PokeString(-1, String("ab"), String("ascii")), 2);
  EXPECT_EQ(b->p_PokeString(-1, String("ab"), String("utf8")), 2);
  EXPECT_EQ(contents(b), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(b->p_PeekString(-1, 3, String("ascii")).Length(), 0);
  EXPECT_EQ(b->p_PeekString2(-1, String("utf8")).Length(), 0);
  EXPECT_EQ(b->p_PeekString2(-2147483647 - 1, String("ascii")).Length(), 0);
}

TEST(DataBuffer, OverlappingCopiesWorkInBothDirections) {
  c_DataBuffer* up = bufferWith({1, 2, 3, 4, 5});
  up->p_CopyBytes(0, up, 1, 4);
  EXPECT_EQ(contents(up), (std::vector<int>{1, 1, 2, 3, 4}));

  c_DataBuffer* down = bufferWith({1, 2, 3, 4, 5});
  down->p_CopyBytes(1, down, 0, 4);
  EXPECT_EQ(contents(down), (std::vector<int>{2, 3, 4, 5, 5}));

  c_DataBuffer* small = bufferWith({0, 0});
  down->p_CopyBytes(0, small, 1, 4);
  EXPECT_EQ(contents(small), (std::vector<int>{0, 2}));
}

TEST(DataBuffer, Utf8PokeWritesWhatFitsAndReturnsTheFullLength) {
  c_DataBuffer* b = bufferWith({0, 0});
  Char euro = 0x20AC;
  EXPECT_EQ(b->p_PokeString(0, String(&euro, 1), String("utf8")), 3);
  EXPECT_EQ(contents(b), (std::vector<int>{0xE2, 0x82}));
}

TEST(DataBuffer, AsciiPokeWritesTheLowBitsOfEachUnit) {
  c_DataBuffer* b = bufferWith({0, 0, 0});
  Char units[] = {'A', 0x1E9, 'C', 'D'};
  EXPECT_EQ(b->p_PokeString(0, String(units, 4), String("ascii")), 4);
  EXPECT_EQ(contents(b), (std::vector<int>{'A', 0xE9, 'C'}));
}

TEST(DataBuffer, PeekStringDecodesUtf8AndFallsBackToSignExtendedBytes) {
  c_DataBuffer* b = bufferWith({0xC3, 0xA9, 0x7C, 0xE2, 0x82, 0xAC});
  EXPECT_EQ(unitsOf(b->p_PeekString2(0, String("utf8"))), (std::vector<int>{0xE9, '|', 0x20AC}));
  EXPECT_EQ(unitsOf(b->p_PeekString(0, 2, String("ascii"))), (std::vector<int>{0xC3, 0xA9}));

  // Cut off in the middle of the euro sign: the raw bytes come back.
  EXPECT_EQ(unitsOf(b->p_PeekString(2, 3, String("utf8"))), (std::vector<int>{'|', 0xFFE2, 0xFF82}));
  // No byte-order mark is recognised.
  c_DataBuffer* bom = bufferWith({0xEF, 0xBB, 0xBF, 'A'});
  EXPECT_EQ(unitsOf(bom->p_PeekString2(0, String("utf8"))), (std::vector<int>{0xFEFF, 'A'}));
}

TEST(DataBuffer, UnknownEncodingIsARuntimeError) {
  EXPECT_EXIT(
      {
        c_DataBuffer* b = gc_new<c_DataBuffer>()->m_new(4);
        std::fclose(stdin);
        b->p_PeekString(0, 4, String("latin1"));
      },
      ExitedMinusOne, "");
  EXPECT_EXIT(
      {
        c_DataBuffer* b = gc_new<c_DataBuffer>()->m_new(4);
        std::fclose(stdin);
        b->p_PokeString(0, String("x"), String("UTF8"));
      },
      ExitedMinusOne, "");
}

TEST(DataBuffer, LoadReadsAWholeFileAndMissingFilesGiveNull) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "tarvik_buffer_test";
  std::filesystem::create_directories(dir);
  std::filesystem::path file = dir / "bytes.bin";
  std::vector<unsigned char> data(10000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7);
  FILE* f = std::fopen(file.string().c_str(), "wb");
  std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);

  c_DataBuffer* b = c_DataBuffer::m_Load(String(file.string().c_str()));
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->_length, 10000);
  EXPECT_EQ(std::memcmp(b->_data, data.data(), data.size()), 0);
  EXPECT_EQ(c_DataBuffer::m_Load(String((dir / "missing.bin").string().c_str())), nullptr);
  std::filesystem::remove_all(dir);
}
