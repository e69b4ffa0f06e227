// The software mixer: linear interpolation through each buffer at its own
// rate times the voice's, constant-power panning of mono buffers by their
// left-right position, and a float sum clamped to 16 bits once per frame.
// Relies on the C++ standard library only.
#include "audio/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr float kHalfPi = 1.57079632679489662f;
constexpr float kEightBitCentre = 128;
constexpr float kEightBitScale = 256;  // an 8-bit step in 16-bit units
constexpr float kSampleMin = -32768;
constexpr float kSampleMax = 32767;

// Left and right gains for a mono source `pan` radians right of ahead: its
// left-right position on the unit circle, sin(pan), spread by a constant-power
// law so a source moving round keeps its loudness. A source behind sounds
// where its mirror image in front would.
void panGains(float pan, float& left, float& right) {
  float x = std::sin(pan);
  float angle = (1 + x) * kHalfPi / 2;
  left = std::cos(angle);
  right = std::sin(angle);
}

}  // namespace

float Mixer::Buffer::At(int frame, int channel) const {
  size_t index = static_cast<size_t>(frame) * channels + channel;
  if (bytesPerSample == 1) return (data[index] - kEightBitCentre) * kEightBitScale;
  int16_t s;
  std::memcpy(&s, data.get() + index * 2, sizeof s);
  return s;
}

Mixer::Mixer(int voices) : voices_(voices) {
  for (Voice& v : voices_) panGains(0, v.leftGain, v.rightGain);
}

unsigned Mixer::AdoptBuffer(unsigned char* data, int frames, int channels, int bytesPerSample, int hertz) {
  auto buffer = std::make_unique<Buffer>();
  buffer->data.reset(data);
  bool usable = data && frames >= 0 && (channels == 1 || channels == 2) &&
                (bytesPerSample == 1 || bytesPerSample == 2) && hertz > 0;
  if (!usable) return 0;
  buffer->frames = frames;
  buffer->channels = channels;
  buffer->bytesPerSample = bytesPerSample;
  buffer->hertz = hertz;
  std::lock_guard lock(mutex_);
  auto slot = std::find(buffers_.begin(), buffers_.end(), nullptr);
  if (slot == buffers_.end()) slot = buffers_.insert(slot, nullptr);
  *slot = std::move(buffer);
  return static_cast<unsigned>(slot - buffers_.begin()) + 1;
}

bool Mixer::DeleteBuffer(unsigned buffer) {
  std::unique_ptr<Buffer> freed;  // released after the lock, so mixing never waits on free()
  {
    std::lock_guard lock(mutex_);
    if (!BufferNamed(buffer)) return true;
    for (const Voice& v : voices_) {
      if (v.buffer == buffer && v.state != State::kStopped) return false;
      if (std::find(v.queue.begin(), v.queue.end(), buffer) != v.queue.end()) return false;
    }
    for (Voice& v : voices_)
      if (v.buffer == buffer) v.buffer = 0;
    freed = std::move(buffers_[buffer - 1]);
  }
  return true;
}

int Mixer::BufferCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count_if(buffers_.begin(), buffers_.end(), [](auto& b) { return b != nullptr; }));
}

void Mixer::Play(int voice, unsigned buffer, bool loop) {
  std::lock_guard lock(mutex_);
  Voice* v = VoiceAt(voice);
  if (!v) return;
  bool known = BufferNamed(buffer) != nullptr;
  v->queued = false;
  v->queue.clear();
  v->played.clear();
  v->buffer = known ? buffer : 0;
  v->loop = loop;
  v->position = 0;
  v->state = known ? State::kPlaying : State::kStopped;
}

void Mixer::Queue(int voice, unsigned buffer) {
  std::lock_guard lock(mutex_);
  Voice* v = VoiceAt(voice);
  if (!v || !BufferNamed(buffer)) return;
  if (!v->queued) {
    v->queued = true;
    v->buffer = 0;
    v->state = State::kStopped;
  }
  v->queue.push_back(buffer);
}

void Mixer::PlayQueue(int voice) {
  std::lock_guard lock(mutex_);
  Voice* v = VoiceAt(voice);
  if (!v || !v->queued || v->queue.empty() || v->state != State::kStopped) return;
  v->buffer = v->queue.front();
  v->loop = false;
  v->position = 0;
  v->state = State::kPlaying;
}

unsigned Mixer::TakePlayed(int voice) {
  std::lock_guard lock(mutex_);
  Voice* v = VoiceAt(voice);
  if (!v || v->played.empty()) return 0;
  unsigned buffer = v->played.front();
  v->played.pop_front();
  return buffer;
}

void Mixer::Release(int voice) {
  std::lock_guard lock(mutex_);
  Voice* v = VoiceAt(voice);
  if (!v) return;
  v->state = State::kStopped;
  v->buffer = 0;
  v->queued = false;
  v->queue.clear();
  v->played.clear();
}

void Mixer::Stop(int voice) {
  std::lock_guard lock(mutex_);
  if (Voice* v = VoiceAt(voice)) v->state = State::kStopped;
}

void Mixer::Pause(int voice) {
  std::lock_guard lock(mutex_);
  Voice* v = VoiceAt(voice);
  if (v && v->state == State::kPlaying) v->state = State::kPaused;
}

void Mixer::Resume(int voice) {
  std::lock_guard lock(mutex_);
  Voice* v = VoiceAt(voice);
  if (v && v->state == State::kPaused) v->state = State::kPlaying;
}

Mixer::State Mixer::StateOf(int voice) const {
  std::lock_guard lock(mutex_);
  if (voice < 0 || voice >= static_cast<int>(voices_.size())) return State::kStopped;
  return voices_[voice].state;
}

void Mixer::SetVolume(int voice, float volume) {
  std::lock_guard lock(mutex_);
  if (Voice* v = VoiceAt(voice)) v->volume = std::max(volume, 0.0f);
}

void Mixer::SetPan(int voice, float pan) {
  std::lock_guard lock(mutex_);
  if (Voice* v = VoiceAt(voice)) panGains(pan, v->leftGain, v->rightGain);
}

void Mixer::SetRate(int voice, float rate) {
  std::lock_guard lock(mutex_);
  if (Voice* v = VoiceAt(voice)) v->rate = std::max(rate, 0.0f);
}

void Mixer::Mix(int16_t* out, int frames) {
  if (frames <= 0) return;
  std::lock_guard lock(mutex_);
  sum_.assign(static_cast<size_t>(frames) * kOutputChannels, 0.0f);
  for (Voice& v : voices_)
    if (v.state == State::kPlaying) MixVoice(v, frames);
  for (size_t i = 0; i < sum_.size(); ++i)
    out[i] = static_cast<int16_t>(std::lrint(std::clamp(sum_[i], kSampleMin, kSampleMax)));
}

Mixer::Voice* Mixer::VoiceAt(int voice) {
  if (voice < 0 || voice >= static_cast<int>(voices_.size())) return nullptr;
  return &voices_[voice];
}

const Mixer::Buffer* Mixer::BufferNamed(unsigned buffer) const {
  if (buffer == 0 || buffer > buffers_.size()) return nullptr;
  return buffers_[buffer - 1].get();
}

// Adds one voice to the running mix. The sample between two frames is drawn
// on the straight line between them; past the last frame a loop continues
// into its first, a queue into its next buffer, and a one-shot holds its last.
void Mixer::MixVoice(Voice& v, int frames) {
  const Buffer* b = BufferNamed(v.buffer);
  if (!b || b->frames == 0) {
    v.state = State::kStopped;
    return;
  }
  double step = 0;
  bool mono = false;
  float left = 0, right = 0;
  auto takeUp = [&](const Buffer* now) {
    step = static_cast<double>(v.rate) * now->hertz / kOutputHertz;
    mono = now->channels == 1;
    left = v.volume * (mono ? v.leftGain : 1);
    right = v.volume * (mono ? v.rightGain : 1);
  };
  takeUp(b);
  float* sum = sum_.data();
  for (int n = 0; n < frames; ++n) {
    if (v.position >= b->frames) {
      if (v.queued) {
        b = NextInQueue(v);
        if (!b) return;
        takeUp(b);
      } else if (!v.loop) {
        break;
      } else {
        v.position = std::fmod(v.position, static_cast<double>(b->frames));
      }
    }
    int i = static_cast<int>(v.position);
    int j = i + 1 < b->frames ? i + 1 : (v.loop ? 0 : i);
    float f = static_cast<float>(v.position - i);
    float l = b->At(i, 0) + (b->At(j, 0) - b->At(i, 0)) * f;
    float r = mono ? l : b->At(i, 1) + (b->At(j, 1) - b->At(i, 1)) * f;
    sum[2 * n] += l * left;
    sum[2 * n + 1] += r * right;
    v.position += step;
  }
  if (v.queued && v.position >= b->frames) {
    NextInQueue(v);
  } else if (!v.loop && v.position >= b->frames) {
    v.state = State::kStopped;
  }
}

// Moves a queue past its front buffer, which is played through: the next
// buffer, or null (the voice stopped) when the queue is done. Buffers that
// hold no frames are passed over.
const Mixer::Buffer* Mixer::NextInQueue(Voice& v) {
  for (;;) {
    const Buffer* done = BufferNamed(v.buffer);
    v.position -= done ? done->frames : v.position;
    v.played.push_back(v.queue.front());
    v.queue.pop_front();
    const Buffer* next = v.queue.empty() ? nullptr : BufferNamed(v.queue.front());
    if (!next) {
      v.buffer = 0;
      v.position = 0;
      v.state = State::kStopped;
      return nullptr;
    }
    v.buffer = v.queue.front();
    if (next->frames > 0 && v.position < next->frames) return next;
  }
}
