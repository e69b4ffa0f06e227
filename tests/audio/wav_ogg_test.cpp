// Sound file decoding: real WAV and Ogg files from sox and oggenc, the unusual
// layouts (18-byte fmt chunk, LIST before data, odd chunks with their pad
// byte), damaged headers that must fail cleanly without large allocations or
// reads past the end, and sounds over the decoded size limit.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "audio/audio_loader.h"
#include "audio_test_files.h"

using audio_test::WavBuilder;

namespace {

struct Decoded {
  unsigned char* data = nullptr;
  int length = -1, channels = -1, bytesPerSample = -1, hertz = -1;
  ~Decoded() { std::free(data); }
};

void decode(const std::string& path, Decoded& d) {
  ASSERT_FALSE(path.empty()) << "test file could not be made";
  d.data = tvLoadAudioData(String(path.c_str()), &d.length, &d.channels, &d.bytesPerSample, &d.hertz);
}

bool decodes(const std::vector<unsigned char>& bytes) {
  std::string path = audio_test::writeBytes("case.wav", bytes);
  Decoded d;
  decode(path, d);
  return d.data != nullptr;
}

}  // namespace

TEST(WavLoading, AOneSecondMono16BitFileGivesItsFrames) {
  Decoded d;
  decode(audio_test::soxTone("mono22k.wav", 1, 22050, 16, 1), d);
  ASSERT_NE(d.data, nullptr);
  EXPECT_EQ(d.length, 22050);
  EXPECT_EQ(d.channels, 1);
  EXPECT_EQ(d.bytesPerSample, 2);
  EXPECT_EQ(d.hertz, 22050);
}

TEST(WavLoading, EightBitStereoFromSoxLoads) {
  Decoded d;
  decode(audio_test::soxTone("stereo8.wav", 0.5, 11025, 8, 2), d);
  ASSERT_NE(d.data, nullptr);
  EXPECT_EQ(d.length, 5512);
  EXPECT_EQ(d.channels, 2);
  EXPECT_EQ(d.bytesPerSample, 1);
}

TEST(WavLoading, FloatSamplesAreRejected) {
  Decoded d;
  decode(audio_test::makeWithTool("float.wav", "sox -n -r 44100 -b 32 -e floating-point -c 1 {} synth 0.1 sine 440"), d);
  EXPECT_EQ(d.data, nullptr);
  EXPECT_FALSE(decodes(WavBuilder::header(3, 1, 44100, 32).id("data").u32(8).raw(8).bytes));
}

TEST(WavLoading, An18ByteFmtChunkAndALeadingListChunkAreSkipped) {
  std::vector<unsigned char> pcm = WavBuilder::header(1, 1, 8000, 16, 18)
                                       .id("LIST").u32(10).raw(10, 'x')
                                       .id("data").u32(6).u16(1).u16(2).u16(3)
                                       .bytes;
  std::string path = audio_test::writeBytes("fmt18.wav", pcm);
  Decoded d;
  decode(path, d);
  ASSERT_NE(d.data, nullptr);
  EXPECT_EQ(d.length, 3);
  EXPECT_EQ(d.hertz, 8000);
  EXPECT_EQ(d.data[2], 2);
}

TEST(WavLoading, AnOddSizedChunkIsFollowedByItsPadByte) {
  std::vector<unsigned char> pcm = WavBuilder::header(1, 1, 8000, 16)
                                       .id("LIST").u32(9).raw(9, 'x').raw(1, 0)
                                       .id("data").u32(6).u16(1).u16(2).u16(3)
                                       .bytes;
  Decoded d;
  decode(audio_test::writeBytes("odd.wav", pcm), d);
  ASSERT_NE(d.data, nullptr);
  EXPECT_EQ(d.length, 3);
  EXPECT_EQ(d.data[4], 3);
}

TEST(WavLoading, ADataChunkOverTheSizeLimitFailsWithALine) {
  std::string path = audio_test::writeBytes("limit.wav", WavBuilder::header(1, 1, 8000, 16)
                                                           .id("data").u32(8).u16(1).u16(2).u16(3).u16(4)
                                                           .bytes);
  FILE* file = std::fopen(path.c_str(), "rb");
  int length = 0, channels = 0, bytesPerSample = 0, hertz = 0;
  testing::internal::CaptureStdout();
  unsigned char* data = LoadWAV(file, &length, &channels, &bytesPerSample, &hertz, 6);
  std::string output = testing::internal::GetCapturedStdout();
  std::fclose(file);
  EXPECT_EQ(data, nullptr);
  std::free(data);
  EXPECT_EQ(output, "Sound not loaded: its samples would take more than 6 bytes\n");
}

TEST(WavLoading, ADataChunkEndingInAPartialFrameGivesItsWholeFrames) {
  Decoded d;
  decode(audio_test::writeBytes("partial.wav", WavBuilder::header(1, 2, 8000, 16)
                                                   .id("data").u32(10).u16(1).u16(2).u16(3).u16(4).u16(5)
                                                   .bytes),
         d);
  ASSERT_NE(d.data, nullptr);
  EXPECT_EQ(d.length, 2);
  EXPECT_EQ(d.data[6], 4);
}

TEST(WavLoading, TheExtensionPicksTheDecoderInAnyCase) {
  std::string wav = audio_test::soxTone("pick.wav", 0.1, 8000, 16, 1);
  std::string upper = (audio_test::scratchFolder() / "PICK.WAV").string();
  std::string other = (audio_test::scratchFolder() / "pick.raw").string();
  std::filesystem::copy_file(wav, upper, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::copy_file(wav, other, std::filesystem::copy_options::overwrite_existing);
  Decoded a, b;
  decode(upper, a);
  decode(other, b);
  EXPECT_NE(a.data, nullptr);
  EXPECT_EQ(b.data, nullptr);
}

TEST(WavLoading, DamagedHeadersFailCleanly) {
  // Not RIFF, not WAVE, data before fmt, a fmt chunk shorter than its fields.
  EXPECT_FALSE(decodes(WavBuilder().id("RIFX").u32(0).id("WAVE").bytes));
  EXPECT_FALSE(decodes(WavBuilder().id("RIFF").u32(0).id("AVI ").bytes));
  EXPECT_FALSE(decodes(WavBuilder().id("RIFF").u32(0).id("WAVE").id("data").u32(2).raw(2).bytes));
  EXPECT_FALSE(decodes(WavBuilder().id("RIFF").u32(0).id("WAVE").id("fmt ").u32(8).u16(1).u16(1).u32(8000).bytes));
  // Zero channels and zero bits would divide by zero.
  EXPECT_FALSE(decodes(WavBuilder::header(1, 0, 8000, 16).id("data").u32(4).raw(4).bytes));
  EXPECT_FALSE(decodes(WavBuilder::header(1, 1, 8000, 0).id("data").u32(4).raw(4).bytes));
  EXPECT_FALSE(decodes(WavBuilder::header(1, 1, 8000, 4).id("data").u32(4).raw(4).bytes));
  // No data chunk at all, and a file cut off inside the header.
  EXPECT_FALSE(decodes(WavBuilder::header(1, 1, 8000, 16).id("LIST").u32(2).raw(2).bytes));
  EXPECT_FALSE(decodes(WavBuilder::header(1, 1, 8000, 16).bytes));
}

TEST(WavLoading, ChunkSizesBeyondTheFileFailWithoutReadingPastIt) {
  // Sizes near 4 GiB, read as unsigned, claimed by a small file.
  EXPECT_FALSE(decodes(WavBuilder::header(1, 1, 8000, 16).id("data").u32(0xFFFFFFFE).raw(64).bytes));
  EXPECT_FALSE(decodes(WavBuilder::header(1, 1, 8000, 16).id("data").u32(0x7FFFFFFE).raw(64).bytes));
  EXPECT_FALSE(decodes(WavBuilder::header(1, 1, 8000, 16).id("LIST").u32(0xFFFFFFF0).raw(64).bytes));
  // An fmt chunk claiming 4 GiB, its PCM fields and a few bytes after them.
  EXPECT_FALSE(decodes(WavBuilder().id("RIFF").u32(0).id("WAVE").id("fmt ").u32(0xFFFFFFF0)
                           .u16(1).u16(1).u32(8000).u32(16000).u16(2).u16(16).raw(64).bytes));
  // Data that stops short of its size by one frame.
  EXPECT_FALSE(decodes(WavBuilder::header(1, 1, 8000, 16).id("data").u32(8).raw(6).bytes));
}

TEST(WavLoading, ReadIntGivesLittleEndianValuesAndMinusOneAtTheEnd) {
  std::string path = audio_test::writeBytes("ints.bin", {0x01, 0x02, 0x03, 0x04, 0xFF});
  FILE* f = std::fopen(path.c_str(), "rb");
  EXPECT_EQ(readInt(f), 0x04030201);
  EXPECT_EQ(readInt(f), -1);
  std::fclose(f);
}

TEST(OggLoading, AnOggencFileDecodesToSixteenBitFrames) {
  std::string wav = audio_test::soxTone("oggsrc.wav", 0.5, 44100, 16, 2);
  ASSERT_FALSE(wav.empty());
  Decoded d;
  decode(audio_test::makeWithTool("tone.ogg", "oggenc -Q " + wav + " -o {}"), d);
  ASSERT_NE(d.data, nullptr);
  EXPECT_EQ(d.channels, 2);
  EXPECT_EQ(d.bytesPerSample, 2);
  EXPECT_EQ(d.hertz, 44100);
  EXPECT_NEAR(d.length, 22050, 64);
  // The tone is there: the decoded samples carry energy.
  const short* s = reinterpret_cast<const short*>(d.data);
  double sum = 0;
  for (int i = 0; i < d.length * 2; ++i) sum += static_cast<double>(s[i]) * s[i];
  EXPECT_GT(sum / (d.length * 2), 1e6);
}

TEST(OggLoading, ALongFileGrowsTheBufferAndKeepsEveryFrame) {
  std::string wav = audio_test::soxTone("long.wav", 3, 22050, 16, 1);
  Decoded d;
  decode(audio_test::makeWithTool("long.ogg", "oggenc -Q " + wav + " -o {}"), d);
  ASSERT_NE(d.data, nullptr);
  EXPECT_NEAR(d.length, 66150, 64);
}

// Sets the granule position (the sample count so far) of the last Ogg page
// and mends its checksum, so the stream announces `samples` in all.
void announceLength(std::vector<unsigned char>& ogg, uint64_t samples) {
  constexpr size_t kGranuleAt = 6, kChecksumAt = 22, kSegmentsAt = 26, kHeaderBytes = 27;
  constexpr uint32_t kOggCrcPolynomial = 0x04C11DB7;
  const unsigned char capture[] = {'O', 'g', 'g', 'S'};
  auto last = std::find_end(ogg.begin(), ogg.end(), std::begin(capture), std::end(capture));
  ASSERT_NE(last, ogg.end());
  size_t page = static_cast<size_t>(last - ogg.begin());
  size_t bytes = kHeaderBytes + ogg[page + kSegmentsAt];
  for (int i = 0; i < ogg[page + kSegmentsAt]; ++i) bytes += ogg[page + kHeaderBytes + i];
  ASSERT_EQ(page + bytes, ogg.size());
  for (size_t i = 0; i < 8; ++i) ogg[page + kGranuleAt + i] = static_cast<unsigned char>(samples >> (8 * i));
  for (size_t i = 0; i < 4; ++i) ogg[page + kChecksumAt + i] = 0;
  uint32_t crc = 0;
  for (size_t i = 0; i < bytes; ++i) {
    crc ^= static_cast<uint32_t>(ogg[page + i]) << 24;
    for (int bit = 0; bit < 8; ++bit) crc = crc & 0x80000000u ? (crc << 1) ^ kOggCrcPolynomial : crc << 1;
  }
  for (size_t i = 0; i < 4; ++i) ogg[page + kChecksumAt + i] = static_cast<unsigned char>(crc >> (8 * i));
}

struct Loaded {
  unsigned char* data = nullptr;
  std::string output;
  ~Loaded() { std::free(data); }
};

Loaded loadOgg(const std::vector<unsigned char>& ogg, size_t maxBytes = kAudioMaxDecodedBytes) {
  std::string path = audio_test::writeBytes("limit.ogg", ogg);
  FILE* file = std::fopen(path.c_str(), "rb");
  int length = 0, channels = 0, bytesPerSample = 0, hertz = 0;
  Loaded loaded;
  testing::internal::CaptureStdout();
  loaded.data = LoadOGG(file, &length, &channels, &bytesPerSample, &hertz, maxBytes);
  loaded.output = testing::internal::GetCapturedStdout();
  std::fclose(file);
  return loaded;
}

// A short file whose last page claims two hours is refused from that claim
// alone: loading it would decode the short file.
TEST(OggLoading, AStreamAnnouncingMoreThanTheLimitIsRefusedBeforeDecoding) {
  constexpr uint64_t kTwoHoursAt22k = 2ull * 3600 * 22050;
  std::vector<unsigned char> ogg = audio_test::readAll(audio_test::makeWithTool(
      "announce.src.ogg", "oggenc -Q " + audio_test::soxTone("announce.wav", 0.2, 22050, 16, 1) + " -o {}"));
  ASSERT_FALSE(ogg.empty());
  Loaded honest = loadOgg(ogg);
  EXPECT_NE(honest.data, nullptr);
  EXPECT_EQ(honest.output, "");
  announceLength(ogg, kTwoHoursAt22k);
  Loaded claimed = loadOgg(ogg);
  EXPECT_EQ(claimed.data, nullptr);
  EXPECT_EQ(claimed.output, "Sound not loaded: its samples would take more than " +
                                std::to_string(kAudioMaxDecodedBytes) + " bytes\n");
}

// Three seconds of mono that claim a tenth of a second get past the check up
// front; the samples themselves then pass a one-second limit and fail.
TEST(OggLoading, AStreamDecodingToMoreThanTheLimitFailsInsteadOfBeingCut) {
  constexpr size_t kOneSecondBytes = 22050 * 2;
  constexpr uint64_t kTenthSecond = 2205;
  std::vector<unsigned char> ogg = audio_test::readAll(audio_test::makeWithTool(
      "long.ogg", "oggenc -Q " + audio_test::soxTone("long.wav", 3, 22050, 16, 1) + " -o {}"));
  ASSERT_FALSE(ogg.empty());
  Loaded whole = loadOgg(ogg, kOneSecondBytes);
  EXPECT_EQ(whole.data, nullptr);
  EXPECT_EQ(whole.output, "Sound not loaded: its samples would take more than 44100 bytes\n");
  announceLength(ogg, kTenthSecond);
  Loaded understated = loadOgg(ogg, kOneSecondBytes);
  EXPECT_EQ(understated.data, nullptr);
  EXPECT_EQ(understated.output, "Sound not loaded: its samples would take more than 44100 bytes\n");
}

TEST(OggLoading, DamagedOrForeignDataGivesNothing) {
  Decoded a, b;
  decode(audio_test::writeBytes("junk.ogg", std::vector<unsigned char>(1000, 0x4F)), a);
  EXPECT_EQ(a.data, nullptr);
  std::vector<unsigned char> ogg = audio_test::readAll(audio_test::makeWithTool(
      "cut.src.ogg", "oggenc -Q " + audio_test::soxTone("cut.wav", 0.2, 8000, 16, 1) + " -o {}"));
  ogg.resize(ogg.size() / 3);
  decode(audio_test::writeBytes("cut.ogg", ogg), b);
  // A truncated file either fails or gives what decoded before the cut.
  if (b.data) {
    EXPECT_LT(b.length, 1600);
  }
}

TEST(OggLoading, CommentLengthsBeyondThePacketAreRefused) {
  std::vector<unsigned char> ogg = audio_test::readAll(audio_test::makeWithTool(
      "comments.src.ogg", "oggenc -Q " + audio_test::soxTone("comments.wav", 0.2, 8000, 16, 1) + " -o {}"));
  const unsigned char tag[] = {3, 'v', 'o', 'r', 'b', 'i', 's'};
  auto at = std::search(ogg.begin(), ogg.end(), std::begin(tag), std::end(tag));
  ASSERT_NE(at, ogg.end());
  size_t vendorAt = static_cast<size_t>(at - ogg.begin()) + sizeof tag;
  uint32_t vendor = ogg[vendorAt] | ogg[vendorAt + 1] << 8 | ogg[vendorAt + 2] << 16 | ogg[vendorAt + 3] << 24;
  size_t countAt = vendorAt + 4 + vendor;
  // A comment count whose list size overflows stb_vorbis's int arithmetic.
  const unsigned char huge[] = {0x01, 0x00, 0x00, 0x20};
  std::copy(std::begin(huge), std::end(huge), ogg.begin() + static_cast<long>(countAt));
  Decoded d;
  decode(audio_test::writeBytes("comments.ogg", ogg), d);
  EXPECT_EQ(d.data, nullptr);
}
