// WAV and Ogg Vorbis decoding. The WAV walk reads every size as unsigned and
// never allocates or reads past what the file still holds, so a damaged
// header fails instead of asking for gigabytes. Ogg decoding, whole or a
// piece at a time, goes through the stb_vorbis build of stb_vorbis.cpp, in
// an arena this file owns. A sound over
// the decoded size limit fails with a line saying so. Relies on storage/ for
// opening files and runtime/ for the output line.
#include "audio/audio_loader.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

#include "runtime/errors.h"
#include "storage/files.h"

namespace {

constexpr uint32_t fourCC(const char (&id)[5]) {
  return static_cast<uint32_t>(id[0]) | static_cast<uint32_t>(id[1]) << 8 |
         static_cast<uint32_t>(id[2]) << 16 | static_cast<uint32_t>(id[3]) << 24;
}
constexpr uint32_t kRiffId = fourCC("RIFF");
constexpr uint32_t kWaveId = fourCC("WAVE");
constexpr uint32_t kFmtId = fourCC("fmt ");
constexpr uint32_t kDataId = fourCC("data");
constexpr uint32_t kFmtBaseSize = 16;  // the PCM fields every fmt chunk has
constexpr int kPcmFormatTag = 1;
constexpr int kBitsPerByte = 8;
constexpr size_t kSkipStep = 4096;
constexpr size_t kReadStep = 1 << 20;  // growth step when the stream length is unknown

constexpr int kOggStepFrames = 4096;   // the decode buffer's initial and minimum free room
constexpr int kOggPageHeaderBytes = 27;
constexpr int kOggSegmentCountAt = 26;
constexpr int kOggFullSegment = 255;
constexpr int kVorbisCommentPacket = 3;
constexpr size_t kVorbisPacketTagBytes = 7;  // the packet type and "vorbis"
constexpr int kOggBytesPerSample = 2;
// stb_vorbis allocates from an arena of ours: a typical stream needs about
// 200 KiB; one that needs more is opened again with twice the room.
constexpr int kOggArenaStartBytes = 512 << 10;
constexpr int kOggArenaLimitBytes = 64 << 20;
constexpr int kStreamMaxChannels = 2;  // what every output plays

bool readU32(FILE* file, uint32_t& value) {
  unsigned char b[4];
  if (std::fread(b, 1, 4, file) != 4) return false;
  value = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
          static_cast<uint32_t>(b[3]) << 24;
  return true;
}

bool readU16(FILE* file, uint16_t& value) {
  unsigned char b[2];
  if (std::fread(b, 1, 2, file) != 2) return false;
  value = static_cast<uint16_t>(b[0] | b[1] << 8);
  return true;
}

// The line a sound over the size limit leaves on standard output.
void reportTooLarge(size_t maxBytes) {
  vxPrint(String("Sound not loaded: its samples would take more than ") + String(static_cast<int>(maxBytes)) +
          String(" bytes"));
}

// Never more than an int can count, whatever a caller asks for.
size_t clampLimit(size_t maxBytes) { return maxBytes < INT_MAX ? maxBytes : INT_MAX; }

bool skipBytes(FILE* file, uint32_t count) {
  unsigned char scratch[kSkipStep];
  while (count > 0) {
    size_t step = count < kSkipStep ? count : kSkipStep;
    if (std::fread(scratch, 1, step, file) != step) return false;
    count -= static_cast<uint32_t>(step);
  }
  return true;
}

// Skips a chunk's body of `size` bytes and, when the size is odd, the pad
// byte RIFF puts after it so the next chunk starts on an even offset.
bool skipChunk(FILE* file, uint32_t size) {
  constexpr uint32_t kOddBit = 1;
  return skipBytes(file, size) && ((size & kOddBit) == 0 || skipBytes(file, 1));
}

// The bytes left after the current position, or -1 when the stream cannot tell.
long long bytesLeft(FILE* file) {
  long here = std::ftell(file);
  if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
  long end = std::ftell(file);
  if (std::fseek(file, here, SEEK_SET) != 0 || end < here) return -1;
  return end - here;
}

// Reads exactly `count` bytes into a new block; null when the file holds
// fewer. The block grows with what was actually read, never past the file.
unsigned char* readBlock(FILE* file, uint32_t count) {
  long long left = bytesLeft(file);
  if (left >= 0 && count > left) return nullptr;
  size_t wanted = count;
  size_t capacity = left >= 0 ? wanted : (wanted < kReadStep ? wanted : kReadStep);
  unsigned char* block = static_cast<unsigned char*>(std::malloc(capacity ? capacity : 1));
  size_t done = 0;
  while (block && done < wanted) {
    if (done == capacity) {
      capacity = wanted - capacity < kReadStep ? wanted : capacity + kReadStep;
      unsigned char* grown = static_cast<unsigned char*>(std::realloc(block, capacity));
      if (!grown) break;
      block = grown;
    }
    size_t n = std::fread(block + done, 1, capacity - done, file);
    done += n;
    if (n == 0) break;
  }
  if (done < wanted) {
    std::free(block);
    return nullptr;
  }
  return block;
}

bool endsWithIgnoringCase(const String& path, const char* suffix) {
  int n = static_cast<int>(std::strlen(suffix));
  if (path.Length() < n) return false;
  for (int i = 0; i < n; ++i) {
    Char c = path[path.Length() - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<Char>(c - 'A' + 'a');
    if (c != static_cast<unsigned char>(suffix[i])) return false;
  }
  return true;
}

// The first two packets of an Ogg stream, read from the current position;
// false when the stream ends first. The position is restored.
bool readFirstOggPackets(FILE* file, std::vector<unsigned char>& first, std::vector<unsigned char>& second) {
  long start = std::ftell(file);
  std::vector<unsigned char>* packet = &first;
  bool complete = false;
  unsigned char header[kOggPageHeaderBytes];
  unsigned char lacing[kOggFullSegment];
  while (!complete && std::fread(header, 1, sizeof header, file) == sizeof header &&
         std::memcmp(header, "OggS", 4) == 0) {
    int segments = header[kOggSegmentCountAt];
    if (std::fread(lacing, 1, segments, file) != static_cast<size_t>(segments)) break;
    for (int i = 0; i < segments && !complete; ++i) {
      size_t at = packet->size();
      packet->resize(at + lacing[i]);
      if (std::fread(packet->data() + at, 1, lacing[i], file) != lacing[i]) return false;
      if (lacing[i] < kOggFullSegment) {
        if (packet == &second) complete = true;
        packet = &second;
      }
    }
  }
  if (start >= 0) std::fseek(file, start, SEEK_SET);
  return complete;
}

// True when every length in a Vorbis comment packet fits inside the packet.
// stb_vorbis trusts these lengths when it sizes its allocations.
bool vorbisCommentsFit(const std::vector<unsigned char>& packet) {
  if (packet.size() < kVorbisPacketTagBytes || packet[0] != kVorbisCommentPacket) return false;
  size_t at = kVorbisPacketTagBytes;
  auto u32 = [&](uint32_t& v) {
    if (packet.size() - at < 4) return false;
    v = static_cast<uint32_t>(packet[at]) | static_cast<uint32_t>(packet[at + 1]) << 8 |
        static_cast<uint32_t>(packet[at + 2]) << 16 | static_cast<uint32_t>(packet[at + 3]) << 24;
    at += 4;
    return true;
  };
  uint32_t vendor, count, length;
  if (!u32(vendor) || vendor > packet.size() - at) return false;
  at += vendor;
  if (!u32(count) || count > (packet.size() - at) / 4) return false;
  for (uint32_t i = 0; i < count; ++i) {
    if (!u32(length) || length > packet.size() - at) return false;
    at += length;
  }
  return true;
}

// Opens the stream at the current position with `arena` as stb_vorbis's only
// memory. stb_vorbis leaves some setup allocations behind when a damaged file
// fails to open; from an arena they go when the arena is freed.
stb_vorbis* openVorbis(FILE* file, std::unique_ptr<char[]>& arena) {
  long start = std::ftell(file);
  for (int size = kOggArenaStartBytes; size <= kOggArenaLimitBytes; size *= 2) {
    arena.reset(new (std::nothrow) char[size]);
    if (!arena) return nullptr;
    stb_vorbis_alloc alloc{arena.get(), size};
    int error = 0;
    stb_vorbis* vorbis = stb_vorbis_open_file(file, 0, &error, &alloc);
    if (vorbis || error != VORBIS_outofmem || start < 0 || std::fseek(file, start, SEEK_SET) != 0) return vorbis;
  }
  return nullptr;
}

}  // namespace

int readInt(FILE* file) {
  uint32_t value;
  if (!readU32(file, value)) return -1;
  return static_cast<int>(value);
}

unsigned char* LoadWAV(FILE* file, int* length, int* channels, int* bytesPerSample, int* hertz,
                       size_t maxBytes) {
  maxBytes = clampLimit(maxBytes);
  uint32_t id, size;
  if (!readU32(file, id) || id != kRiffId) return nullptr;
  if (!readU32(file, size)) return nullptr;
  if (!readU32(file, id) || id != kWaveId) return nullptr;
  if (!readU32(file, id) || id != kFmtId) return nullptr;

  uint32_t fmtSize, rate, byteRate;
  uint16_t formatTag, channelCount, blockAlign, bits;
  if (!readU32(file, fmtSize) || fmtSize < kFmtBaseSize) return nullptr;
  if (!readU16(file, formatTag) || formatTag != kPcmFormatTag) return nullptr;
  if (!readU16(file, channelCount) || !readU32(file, rate) || !readU32(file, byteRate) ||
      !readU16(file, blockAlign) || !readU16(file, bits)) {
    return nullptr;
  }
  // The base size is even, so the rest has the parity of the whole chunk.
  if (!skipChunk(file, fmtSize - kFmtBaseSize)) return nullptr;
  int sampleBytes = bits / kBitsPerByte;
  if (channelCount == 0 || sampleBytes == 0 || rate > INT_MAX) return nullptr;
  uint32_t frameBytes = static_cast<uint32_t>(channelCount) * static_cast<uint32_t>(sampleBytes);

  for (;;) {
    if (!readU32(file, id) || !readU32(file, size)) return nullptr;
    if (id != kDataId) {
      if (!skipChunk(file, size)) return nullptr;
      continue;
    }
    // A trailing partial frame is read with the chunk and left unplayed.
    if (size > maxBytes) {
      reportTooLarge(maxBytes);
      return nullptr;
    }
    unsigned char* data = readBlock(file, size);
    if (!data) return nullptr;
    *length = static_cast<int>(size / frameBytes);
    *channels = channelCount;
    *bytesPerSample = sampleBytes;
    *hertz = static_cast<int>(rate);
    return data;
  }
}

unsigned char* LoadOGG(FILE* file, int* length, int* channels, int* bytesPerSample, int* hertz,
                       size_t maxBytes) {
  maxBytes = clampLimit(maxBytes);
  std::vector<unsigned char> identification, comments;
  if (!readFirstOggPackets(file, identification, comments) || !vorbisCommentsFit(comments)) return nullptr;
  std::unique_ptr<char[]> arena;
  stb_vorbis* vorbis = openVorbis(file, arena);
  if (!vorbis) return nullptr;
  stb_vorbis_info info = stb_vorbis_get_info(vorbis);
  int channelCount = info.channels;
  if (channelCount <= 0) {
    stb_vorbis_close(vorbis);
    return nullptr;
  }
  // The length the last page gives (0 when the stream cannot tell) refuses
  // a long stream before any of it is decoded.
  size_t limit = maxBytes / sizeof(short);
  unsigned int announced = stb_vorbis_stream_length_in_samples(vorbis);
  if (static_cast<unsigned long long>(announced) * channelCount > limit) {
    stb_vorbis_close(vorbis);
    reportTooLarge(maxBytes);
    return nullptr;
  }
  // The buffer grows to at most one step past the limit, which is how a
  // stream that decodes to more than it announced is caught.
  size_t step = static_cast<size_t>(channelCount) * kOggStepFrames;
  size_t capacity = step;
  size_t used = 0;
  bool tooLarge = false;
  short* samples = static_cast<short*>(std::malloc(capacity * sizeof(short)));
  while (samples) {
    int frames = stb_vorbis_get_frame_short_interleaved(vorbis, channelCount, samples + used,
                                                        static_cast<int>(capacity - used));
    if (frames == 0) break;
    used += static_cast<size_t>(frames) * channelCount;
    if (used > limit) {
      tooLarge = true;
      break;
    }
    if (capacity - used < step) {
      size_t larger = std::min(capacity * 2, limit + step);
      short* grown = static_cast<short*>(std::realloc(samples, larger * sizeof(short)));
      if (!grown) {
        std::free(samples);
        samples = nullptr;
        break;
      }
      samples = grown;
      capacity = larger;
    }
  }
  stb_vorbis_close(vorbis);
  if (tooLarge) {
    std::free(samples);
    reportTooLarge(maxBytes);
    return nullptr;
  }
  if (!samples) return nullptr;
  short* shrunk = static_cast<short*>(std::realloc(samples, used ? used * sizeof(short) : 1));
  if (shrunk) samples = shrunk;
  *length = static_cast<int>(used / channelCount);
  *channels = channelCount;
  *bytesPerSample = kOggBytesPerSample;
  *hertz = static_cast<int>(info.sample_rate);
  return reinterpret_cast<unsigned char*>(samples);
}

bool tvIsOggPath(const String& path) { return endsWithIgnoringCase(path, ".ogg"); }

std::unique_ptr<OggStream> OggStream::Open(FILE* file) {
  std::unique_ptr<OggStream> stream(new OggStream());
  stream->file_ = file;
  std::vector<unsigned char> identification, comments;
  if (!file || !readFirstOggPackets(file, identification, comments) || !vorbisCommentsFit(comments)) return nullptr;
  stream->vorbis_ = openVorbis(file, stream->arena_);
  if (!stream->vorbis_) return nullptr;
  stb_vorbis_info info = stb_vorbis_get_info(stream->vorbis_);
  if (info.channels <= 0 || info.sample_rate == 0 || info.sample_rate > INT_MAX) return nullptr;
  stream->channels_ = std::min(info.channels, kStreamMaxChannels);
  stream->hertz_ = static_cast<int>(info.sample_rate);
  return stream;
}

OggStream::~OggStream() {
  if (vorbis_) stb_vorbis_close(vorbis_);
  if (file_) std::fclose(file_);
}

int OggStream::Read(short* out, int frames) {
  if (frames <= 0) return 0;
  return stb_vorbis_get_samples_short_interleaved(vorbis_, channels_, out, frames * channels_);
}

bool OggStream::Rewind() { return stb_vorbis_seek_start(vorbis_) != 0; }

unsigned char* tvDecodeAudioFile(FILE* file, const String& path, int* length, int* channels,
                                 int* bytesPerSample, int* hertz) {
  unsigned char* data = nullptr;
  if (endsWithIgnoringCase(path, ".wav")) {
    data = LoadWAV(file, length, channels, bytesPerSample, hertz);
  } else if (tvIsOggPath(path)) {
    data = LoadOGG(file, length, channels, bytesPerSample, hertz);
  }
  if (data) gc_ext_alloc(*length * *channels * *bytesPerSample);
  return data;
}

unsigned char* tvLoadAudioData(const String& path, int* length, int* channels, int* bytesPerSample,
                               int* hertz) {
  FILE* file = tvOpenFile(path, String("rb"));
  if (!file) return nullptr;
  unsigned char* data = tvDecodeAudioFile(file, path, length, channels, bytesPerSample, hertz);
  std::fclose(file);
  return data;
}
