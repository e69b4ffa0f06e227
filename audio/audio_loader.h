// Sound file decoding into PCM: the WAV chunk walk, whole-file Ogg Vorbis
// decoding through stb_vorbis, Ogg Vorbis decoded a piece at a time for
// music, and the host's loading entry that picks one by extension. Every
// whole-file result is a malloc'd block owned by the caller.
// Relies on standard I/O streams and the collector's external byte count.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

#include "runtime/string.h"

// The most the samples of one sound may take: 256 MiB, some 25 minutes of
// 44.1 kHz stereo. A larger sound fails to load, with one line on standard
// output, instead of being cut or exhausting memory.
constexpr size_t kAudioMaxDecodedBytes = 256u << 20;

// The next 4 bytes as a little-endian int, or -1 at end of file.
int readInt(FILE* file);

// PCM WAV: the sample frames of the first "data" chunk; null on anything else,
// or when the chunk is over `maxBytes`. Chunks of odd size are followed by
// the RIFF pad byte, which is skipped.
unsigned char* LoadWAV(FILE* file, int* length, int* channels, int* bytesPerSample, int* hertz,
                       size_t maxBytes = kAudioMaxDecodedBytes);

// Ogg Vorbis decoded completely to 16-bit samples; the file stays open. A
// stream whose last page says it decodes to over `maxBytes` is refused before
// decoding; one that turns out larger while decoding fails then.
unsigned char* LoadOGG(FILE* file, int* length, int* channels, int* bytesPerSample, int* hertz,
                       size_t maxBytes = kAudioMaxDecodedBytes);

// Decodes an open file by the extension of `path` (".wav" or ".ogg", any
// case) and reports the data size to the collector; null when nothing decoded.
unsigned char* tvDecodeAudioFile(FILE* file, const String& path, int* length, int* channels,
                                 int* bytesPerSample, int* hertz);

// The host's audio loading entry on the desktop: opens the path through the
// file operations of storage/ and decodes it; the file is closed again.
unsigned char* tvLoadAudioData(const String& path, int* length, int* channels, int* bytesPerSample,
                               int* hertz);

// True when `path` names an Ogg Vorbis file by its extension (any case).
bool tvIsOggPath(const String& path);

struct stb_vorbis;

// An Ogg Vorbis stream decoded a piece at a time: it holds the decoder's
// state and its file, never the whole sound, however long the stream. A
// stream of more than two channels is mixed down to stereo.
class OggStream {
 public:
  // Takes `file` (closed with the stream, or at once on failure), read from
  // its current position; null when that is not an Ogg Vorbis stream.
  static std::unique_ptr<OggStream> Open(FILE* file);
  ~OggStream();
  OggStream(const OggStream&) = delete;
  OggStream& operator=(const OggStream&) = delete;

  int Channels() const { return channels_; }
  int Hertz() const { return hertz_; }
  // Decodes up to `frames` frames of 16-bit interleaved samples into `out`;
  // fewer only at the stream's end, or where damage stops the decoder.
  int Read(short* out, int frames);
  // Goes back to the first frame; false when the stream cannot.
  bool Rewind();

 private:
  OggStream() = default;
  FILE* file_ = nullptr;
  std::unique_ptr<char[]> arena_;
  stb_vorbis* vorbis_ = nullptr;
  int channels_ = 0;
  int hertz_ = 0;
};
