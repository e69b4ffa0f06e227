// The desktop host's image and sound loading: files opened through the
// host's path mapping, decoded by the PNG decoder of graphics/ and the WAV
// and Ogg decoders of audio/.
#include "audio/audio_loader.h"
#include "graphics/image_data.h"
#include "host/game.h"

unsigned char* VXGlfwGame::LoadImageData(String path, int* width, int* height, int* depth) {
  FILE* file = OpenFile(path, "rb");
  if (!file) return nullptr;
  unsigned char* pixels = gxtkDecodeImageData(file, width, height, depth);
  std::fclose(file);
  return pixels;
}

unsigned char* VXGlfwGame::LoadAudioData(String path, int* length, int* channels, int* bytesPerSample,
                                         int* hertz) {
  FILE* file = OpenFile(path, "rb");
  if (!file) return nullptr;
  unsigned char* data = tvDecodeAudioFile(file, path, length, channels, bytesPerSample, hertz);
  std::fclose(file);
  return data;
}
