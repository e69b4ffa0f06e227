// What each audio output supplies to the device logic all outputs share
// (audio_device_common.cpp), and what that shared half offers the outputs.
// A source is the output's player behind one channel: OpenAL's source in
// audio_device_openal.cpp, a voice of our mixer in audio_device_windows.cpp. Source
// 0 (a channel that has none) reads as stopped and ignores everything else.
#pragma once

#include <vector>

#include "runtime/string.h"

// Supplied by the output.
void vx_audio__PlaySource(unsigned source, unsigned buffer, bool loop);  // from the first frame
void vx_audio__StopSource(unsigned source);
void vx_audio__PauseSource(unsigned source);
void vx_audio__ResumeSource(unsigned source);
// True once the source stopped, or played a one-shot to its end.
bool vx_audio__SourceStopped(unsigned source);
void vx_audio__SetSourceVolume(unsigned source, float volume);
// `pan` radians right of straight ahead: 0 centre, pi/2 right, -pi/2 left.
void vx_audio__SetSourcePan(unsigned source, float pan);
void vx_audio__SetSourceRate(unsigned source, float rate);

// Buffers, and queues of them for a streamed tune. A buffer made here takes
// the malloc'd block `pcm` (`frames` frames of `channels` samples of
// `bytesPerSample` bytes); its name, or 0 when the layout is not one the
// output plays. A buffer is deleted only once no source holds it.
unsigned vx_audio__MakeBuffer(unsigned char* pcm, int frames, int channels, int bytesPerSample, int hertz);
void vx_audio__DeleteBuffer(unsigned buffer);
// Queued buffers play one after another with no gap; a stopped source that
// holds a queue starts at the first buffer not yet played through.
void vx_audio__QueueBuffer(unsigned source, unsigned buffer);
void vx_audio__PlayQueue(unsigned source);
// The oldest queued buffer the source has played through, taken off its
// queue; 0 when there is none.
unsigned vx_audio__TakePlayedBuffer(unsigned source);
// Stops the source and lets go of every buffer it holds or has queued.
void vx_audio__ReleaseSource(unsigned source);

// Supplied by the shared half: the buffer names of discarded samples waiting
// until no source holds them, and a sound decoded through the game's host
// (straight from the file when there is no game).
std::vector<unsigned>& vx_audio__DiscardedBuffers();
unsigned char* vx_audio__LoadData(const String& path, int* length, int* channels, int* bytesPerSample,
                                  int* hertz);
