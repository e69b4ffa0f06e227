// Rendering the tune: every note is played by its instrument and mixed into
// a stereo loop of exactly the song's length; whatever rings past the end
// (release tails, echoes) wraps round to the start, so the last sample flows
// into the first and the loop has no seam. Then a ping-pong echo on the lead
// and arpeggio, the removal of any offset, a level set below full scale, and
// Vorbis encoding.
#include <algorithm>
#include <cmath>

#include "audio.h"
#include "instruments.h"
#include "music_score.h"
#include "ogg_write.h"
#include "wav_write.h"

namespace assetgen {

namespace {

constexpr double kSamplesPerStep = kStepSeconds * kSampleRate;  // 5512.5
constexpr size_t kLoopFrames = static_cast<size_t>(kSongSteps * kSamplesPerStep);
constexpr float kPeak = 0.89f;           // about -1 dB
constexpr float kVorbisQuality = 0.1f;   // roughly 80 kbit/s for 44.1 kHz stereo

struct Channel {
  float gain;
  float pan;   // -1 left .. 1 right
  float echo;  // share sent to the echo
};

Channel channelOf(const Note& n) {
  switch (n.part) {
    case Part::Lead: return {0.26f, 0.0f, 0.35f};
    case Part::Bass: return {0.42f, 0.0f, 0.0f};
    case Part::Pad: return {0.085f, (n.pitch % 3 - 1) * 0.5f, 0.0f};
    case Part::Arp: return {0.1f, n.step % 2 ? 0.4f : -0.4f, 0.4f};
    case Part::Kick: return {0.95f, 0.0f, 0.0f};
    case Part::Snare: return {0.5f, 0.05f, 0.0f};
    case Part::ClosedHat: return {0.15f, 0.3f, 0.0f};
    case Part::OpenHat: return {0.14f, 0.3f, 0.0f};
    default: return {0.2f, -0.25f, 0.0f};
  }
}

struct Stereo {
  std::vector<float> left, right;
};

// The dry mix and the echo send, all wrapped to the loop.
void mixNotes(const std::vector<Note>& notes, Stereo& dry, std::vector<float>& send) {
  for (const Note& n : notes) {
    std::vector<float> s = playNote(n, n.length * kStepSeconds);
    Channel ch = channelOf(n);
    float angle = (ch.pan + 1.0f) * 0.25f * 3.14159265f;
    float gl = std::cos(angle) * ch.gain * 1.41421356f, gr = std::sin(angle) * ch.gain * 1.41421356f;
    size_t start = static_cast<size_t>(std::llround(n.step * kSamplesPerStep));
    for (size_t i = 0; i < s.size(); ++i) {
      size_t at = (start + i) % kLoopFrames;
      dry.left[at] += s[i] * gl;
      dry.right[at] += s[i] * gr;
      send[at] += s[i] * ch.gain * ch.echo;
    }
  }
}

// A dotted-eighth ping-pong echo, left then right, each repeat darker. The
// loop is run twice and only the second lap is kept, so the echoes of the
// end are heard at the start.
void addEcho(const std::vector<float>& send, Stereo& mix) {
  const size_t delay = static_cast<size_t>(std::llround(3 * kSamplesPerStep));
  const float feedback = 0.4f, wet = 0.8f, damp = 0.35f;
  std::vector<float> lineL(delay), lineR(delay);
  float toneL = 0, toneR = 0;
  size_t pos = 0;
  for (int lap = 0; lap < 2; ++lap)
    for (size_t n = 0; n < kLoopFrames; ++n) {
      float outL = lineL[pos], outR = lineR[pos];
      toneL += (outL - toneL) * damp;
      toneR += (outR - toneR) * damp;
      lineL[pos] = send[n] + feedback * toneR;
      lineR[pos] = toneL;
      if (lap == 1) {
        mix.left[n] += wet * outL;
        mix.right[n] += wet * outR;
      }
      pos = (pos + 1) % delay;
    }
}

// Removes the steady offset some waveforms leave (pulses, pitch-swept
// kicks) with a gentle high-pass; two laps again, so the start matches the end.
void removeOffset(std::vector<float>& channel) {
  const float keep = 0.9995f;  // corner about 3.5 Hz
  float lastIn = 0, lastOut = 0;
  for (int lap = 0; lap < 2; ++lap)
    for (size_t n = 0; n < kLoopFrames; ++n) {
      float in = channel[n];
      float out = in - lastIn + keep * lastOut;
      lastIn = in;
      lastOut = out;
      if (lap == 1) channel[n] = out;
    }
}

void setLevel(Stereo& mix) {
  float top = 0;
  for (size_t i = 0; i < kLoopFrames; ++i) top = std::max({top, std::fabs(mix.left[i]), std::fabs(mix.right[i])});
  float g = kPeak / top;
  for (size_t i = 0; i < kLoopFrames; ++i) {
    mix.left[i] *= g;
    mix.right[i] *= g;
  }
}

}  // namespace

void writeTune(const std::filesystem::path& dataDir) {
  Stereo mix{std::vector<float>(kLoopFrames), std::vector<float>(kLoopFrames)};
  std::vector<float> send(kLoopFrames);
  mixNotes(composeSatellites(), mix, send);
  addEcho(send, mix);
  removeOffset(mix.left);
  removeOffset(mix.right);
  setLevel(mix);
  writeOgg(dataDir / "sfx" / "satellites.ogg", mix.left, mix.right, kSampleRate, kVorbisQuality, "Satellites");
}

}  // namespace assetgen
