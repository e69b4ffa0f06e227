// The audio device on Windows: our own mixer (mixer.h) fed to waveOut by a
// thread of its own, a few short blocks kept queued. Channel n plays on the
// mixer's voice n (its source is n + 1); buffers are the mixer's. A device
// that cannot open stays valid and silent. Relies on winmm and the half of
// the device every output shares (audio_device_common.cpp).
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "audio/audio.h"
#include "audio/audio_source.h"
#include "audio/music_stream.h"
#include "audio/mixer.h"
#include "runtime/errors.h"

namespace {

// Four blocks of 1024 frames: some 23 ms each, 93 ms queued in all.
constexpr int kBlocks = 4;
constexpr int kBlockFrames = 1024;
constexpr DWORD kWakeMs = 100;  // the feeder looks at its blocks at least this often
constexpr int kBitsPerSample = 16;

// The mixer and, once waveOut opened, the thread that keeps its blocks queued.
struct WaveOutput {
  Mixer mixer{kAudioChannels};
  HWAVEOUT handle = nullptr;
  HANDLE blockDone = nullptr;  // signalled by waveOut whenever it finishes a block
  std::atomic<bool> stopping{false};
  WAVEHDR headers[kBlocks] = {};
  std::vector<int16_t> samples[kBlocks];
  std::thread feeder;

  bool Open();
  void Feed();
};

bool WaveOutput::Open() {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = Mixer::kOutputChannels;
  format.nSamplesPerSec = Mixer::kOutputHertz;
  format.wBitsPerSample = kBitsPerSample;
  format.nBlockAlign = format.nChannels * format.wBitsPerSample / 8;
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  blockDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!blockDone) return false;
  if (waveOutOpen(&handle, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(blockDone), 0, CALLBACK_EVENT) !=
      MMSYSERR_NOERROR) {
    handle = nullptr;
    CloseHandle(blockDone);
    blockDone = nullptr;
    return false;
  }
  for (int i = 0; i < kBlocks; ++i) {
    samples[i].assign(static_cast<size_t>(kBlockFrames) * Mixer::kOutputChannels, 0);
    headers[i].lpData = reinterpret_cast<LPSTR>(samples[i].data());
    headers[i].dwBufferLength = static_cast<DWORD>(samples[i].size() * sizeof(int16_t));
    waveOutPrepareHeader(handle, &headers[i], sizeof(WAVEHDR));
  }
  feeder = std::thread([this] { Feed(); });
  return true;
}

// Mixes into every block waveOut has handed back and queues it again. While
// the output is paused no block comes back, so the mix stands still too.
void WaveOutput::Feed() {
  while (!stopping.load()) {
    for (WAVEHDR& header : headers) {
      if (reinterpret_cast<volatile DWORD&>(header.dwFlags) & WHDR_INQUEUE) continue;
      mixer.Mix(reinterpret_cast<int16_t*>(header.lpData), kBlockFrames);
      waveOutWrite(handle, &header, sizeof(WAVEHDR));
    }
    WaitForSingleObject(blockDone, kWakeMs);
  }
}

// The mixer of the current device; null before one is made.
Mixer* currentMixer() {
  gxtkAudio* audio = gxtkAudio::audio;
  return audio ? &static_cast<WaveOutput*>(audio->context)->mixer : nullptr;
}

// The mixer voice behind a source; -1, which the mixer ignores, for source 0.
int voiceOf(unsigned source) { return static_cast<int>(source) - 1; }

}  // namespace

void vx_audio__PlaySource(unsigned source, unsigned buffer, bool loop) {
  if (Mixer* mixer = currentMixer()) mixer->Play(voiceOf(source), buffer, loop);
}

void vx_audio__StopSource(unsigned source) {
  if (Mixer* mixer = currentMixer()) mixer->Stop(voiceOf(source));
}

void vx_audio__PauseSource(unsigned source) {
  if (Mixer* mixer = currentMixer()) mixer->Pause(voiceOf(source));
}

void vx_audio__ResumeSource(unsigned source) {
  if (Mixer* mixer = currentMixer()) mixer->Resume(voiceOf(source));
}

bool vx_audio__SourceStopped(unsigned source) {
  Mixer* mixer = currentMixer();
  return !mixer || mixer->StateOf(voiceOf(source)) == Mixer::State::kStopped;
}

void vx_audio__SetSourceVolume(unsigned source, float volume) {
  if (Mixer* mixer = currentMixer()) mixer->SetVolume(voiceOf(source), volume);
}

void vx_audio__SetSourcePan(unsigned source, float pan) {
  if (Mixer* mixer = currentMixer()) mixer->SetPan(voiceOf(source), pan);
}

void vx_audio__SetSourceRate(unsigned source, float rate) {
  if (Mixer* mixer = currentMixer()) mixer->SetRate(voiceOf(source), rate);
}

unsigned vx_audio__MakeBuffer(unsigned char* pcm, int frames, int channels, int bytesPerSample, int hertz) {
  Mixer* mixer = currentMixer();
  if (!mixer) {
    std::free(pcm);
    return 0;
  }
  return mixer->AdoptBuffer(pcm, frames, channels, bytesPerSample, hertz);
}

void vx_audio__DeleteBuffer(unsigned buffer) {
  if (Mixer* mixer = currentMixer()) mixer->DeleteBuffer(buffer);
}

void vx_audio__QueueBuffer(unsigned source, unsigned buffer) {
  if (Mixer* mixer = currentMixer()) mixer->Queue(voiceOf(source), buffer);
}

void vx_audio__PlayQueue(unsigned source) {
  if (Mixer* mixer = currentMixer()) mixer->PlayQueue(voiceOf(source));
}

unsigned vx_audio__TakePlayedBuffer(unsigned source) {
  Mixer* mixer = currentMixer();
  return mixer ? mixer->TakePlayed(voiceOf(source)) : 0;
}

void vx_audio__ReleaseSource(unsigned source) {
  if (Mixer* mixer = currentMixer()) mixer->Release(voiceOf(source));
}

// A channel's voice is its own: there are as many voices as channels. None
// while the output is closed, so nothing plays on a silent device.
unsigned gxtkChannel::AL_Source() {
  if (source) return source;
  gxtkAudio* audio = gxtkAudio::audio;
  if (!audio || !audio->device) return 0;
  source = static_cast<unsigned>(this - audio->channels) + 1;
  return source;
}

gxtkAudio::gxtkAudio() {
  audio = this;
  auto* output = new WaveOutput();
  context = output;
  vxPrint(String("opening waveout device"));
  if (output->Open())
    device = output->handle;
  else
    vxPrint(String("waveOut error: waveOutOpen failed"));
  for (gxtkChannel& ch : channels) ch = gxtkChannel();
  channels[kMusicChannel].AL_Source();
}

// The whole output pauses: channels keep their places and states.
void gxtkAudio::Suspend() {
  suspended = true;
  if (device) waveOutPause(static_cast<HWAVEOUT>(device));
}

void gxtkAudio::Resume() {
  suspended = false;
  if (device) waveOutRestart(static_cast<HWAVEOUT>(device));
}

// A buffer goes once no voice plays it or holds it paused; the mixer refuses
// the others, which wait for a later call.
void gxtkAudio::FlushDiscarded() {
  std::vector<unsigned>& list = vx_audio__DiscardedBuffers();
  Mixer* mixer = currentMixer();
  if (list.empty() || !mixer) return;
  std::vector<unsigned> kept;
  for (unsigned buffer : list)
    if (!mixer->DeleteBuffer(buffer)) kept.push_back(buffer);
  list.swap(kept);
}
