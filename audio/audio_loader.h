// Sound file decoding into PCM: the WAV chunk walk, whole-file Ogg Vorbis
// decoding through stb_vorbis, and the host's loading entry that picks one
// by extension. Every result is a malloc'd block owned by the caller.
// Relies on standard I/O streams and the collector's external byte count.
#pragma once

#include <cstddef>
#include <cstdio>

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
