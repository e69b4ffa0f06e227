// The audio device on Windows: our own mixer (mixer.h) fed to waveOut by a
// thread of its own, a few short blocks kept queued. Channel n plays on the
// mixer's voice n; buffers are the mixer's. A device that cannot open stays
// valid and silent. Relies on winmm, the shared half of the device in
// audio_module.cpp and the collector for marking.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <thread>
#include <vector>

#include "audio/audio.h"
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

Mixer& mixerOf(const gxtkAudio* audio) { return static_cast<WaveOutput*>(audio->context)->mixer; }

// The mixer voice of a channel; -1, which the mixer ignores, while it has none.
int voiceOf(const gxtkChannel& ch) { return static_cast<int>(ch.source) - 1; }

bool voiceStopped(const gxtkAudio* audio, const gxtkChannel& ch) {
  return mixerOf(audio).StateOf(voiceOf(ch)) == Mixer::State::kStopped;
}

}  // namespace

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

void gxtkAudio::mark() {
  for (gxtkChannel& ch : channels) {
    if (!ch.sample) continue;
    if (!voiceStopped(this, ch)) {
      gc_mark(ch.sample);
    } else {
      // A finished channel lets go of its sample so the collector may take it.
      if (ch.state == kChannelPlaying) ch.state = kChannelStopped;
      if (ch.state == kChannelStopped) ch.sample = nullptr;
    }
  }
}

void gxtkAudio::Suspend() {
  if (device) waveOutPause(static_cast<HWAVEOUT>(device));
}

void gxtkAudio::Resume() {
  if (device) waveOutRestart(static_cast<HWAVEOUT>(device));
}

bool gxtkAudio::LoadSample__UNSAFE__(gxtkSample* sample, const String& path) {
  int length = 0, channelCount = 0, bytesPerSample = 0, hertz = 0;
  unsigned char* data = vx_audio__LoadData(path, &length, &channelCount, &bytesPerSample, &hertz);
  if (!data) return false;
  sample->SetBuffer(mixerOf(this).AdoptBuffer(data, length, channelCount, bytesPerSample, hertz));
  return true;
}

int gxtkAudio::PlaySample(gxtkSample* sample, int channel, int flags) {
  FlushDiscarded();
  if (!sample || channel < 0 || channel >= kAudioChannels) return -1;
  gxtkChannel& ch = channels[channel];
  if (!ch.AL_Source()) return -1;
  mixerOf(this).Play(voiceOf(ch), sample->buffer, flags != 0);
  gc_assign(ch.sample, sample);
  ch.flags = flags;
  ch.state = kChannelPlaying;
  return 0;
}

void gxtkAudio::StopChannel(int channel) {
  if (channel < 0 || channel >= kAudioChannels) return;
  gxtkChannel& ch = channels[channel];
  if (ch.state == kChannelStopped) return;
  mixerOf(this).Stop(voiceOf(ch));
  ch.state = kChannelStopped;
}

void gxtkAudio::PauseChannel(int channel) {
  if (channel < 0 || channel >= kAudioChannels) return;
  gxtkChannel& ch = channels[channel];
  if (ch.state != kChannelPlaying) return;
  if (voiceStopped(this, ch)) {
    ch.state = kChannelStopped;
  } else {
    mixerOf(this).Pause(voiceOf(ch));
    ch.state = kChannelPaused;
  }
}

void gxtkAudio::ResumeChannel(int channel) {
  if (channel < 0 || channel >= kAudioChannels) return;
  gxtkChannel& ch = channels[channel];
  if (ch.state != kChannelPaused) return;
  mixerOf(this).Resume(voiceOf(ch));
  ch.state = kChannelPlaying;
}

int gxtkAudio::ChannelState(int channel) {
  if (channel < 0 || channel >= kAudioChannels) return kChannelStopped;
  gxtkChannel& ch = channels[channel];
  if (ch.state == kChannelPlaying && voiceStopped(this, ch)) ch.state = kChannelStopped;
  return ch.state;
}

void gxtkAudio::SetVolume(int channel, float volume) {
  if (channel < 0 || channel >= kAudioChannels) return;
  if (channels[channel].AL_Source()) mixerOf(this).SetVolume(voiceOf(channels[channel]), volume);
}

void gxtkAudio::SetPan(int channel, float pan) {
  if (channel < 0 || channel >= kAudioChannels) return;
  if (channels[channel].AL_Source()) mixerOf(this).SetPan(voiceOf(channels[channel]), pan);
}

void gxtkAudio::SetRate(int channel, float rate) {
  if (channel < 0 || channel >= kAudioChannels) return;
  if (channels[channel].AL_Source()) mixerOf(this).SetRate(voiceOf(channels[channel]), rate);
}

// A buffer goes once no voice plays or holds it paused; the mixer refuses the
// others, which wait for a later call.
void gxtkAudio::FlushDiscarded() {
  std::vector<unsigned>& list = vx_audio__DiscardedBuffers();
  if (list.empty() || !audio) return;
  std::vector<unsigned> kept;
  for (unsigned buffer : list)
    if (!mixerOf(audio).DeleteBuffer(buffer)) kept.push_back(buffer);
  list.swap(kept);
}
