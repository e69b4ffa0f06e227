// The desktop host's sound loading: files opened through the host's path
// mapping, decoded by the WAV and Ogg decoders of audio/.
#include "audio/audio_loader.h"
#include "host/game.h"

unsigned char* VXGlfwGame::LoadAudioData(String path, int* length, int* channels, int* bytesPerSample,
                                         int* hertz) {
  FILE* file = OpenFile(path, "rb");
  if (!file) return nullptr;
  unsigned char* data = tvDecodeAudioFile(file, path, length, channels, bytesPerSample, hertz);
  std::fclose(file);
  return data;
}
