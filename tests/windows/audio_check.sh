#!/usr/bin/env bash
# Plays audio_tone.exe under wine with ALSA's default device replaced by one
# that writes what it receives to a file, then measures the two tones in it:
# a 440 Hz one-shot in the centre and an 880 Hz loop hard left, streamed from
# an Ogg file. Checks the whole Windows output path (our mixer, waveOut,
# wine) by its result.
# Usage: tests/windows/audio_check.sh [BUILD_DIR]   (default build-windows)
# The program is BUILD_DIR's audio_tone.exe (the Windows build with tests
# makes it). WINEPREFIX, when set, is reused (a fresh prefix is made in the
# scratch folder otherwise: slower).
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD_DIR=$(cd "${1:-build-windows}" && pwd)
program="$BUILD_DIR/audio_tone.exe"
SCRATCH=$(mktemp -d /tmp/tarvik-audio-check.XXXXXX)
trap 'rm -rf "$SCRATCH"' EXIT

# ALSA reads ~/.asoundrc: every program's default device becomes 16-bit
# 44.1 kHz stereo written raw to capture.raw, with nothing played.
mkdir -p "$SCRATCH/home" "$SCRATCH/run"
cat > "$SCRATCH/home/.asoundrc" <<EOF
pcm.!default {
  type plug
  slave { pcm "capture_file" format S16_LE rate 44100 channels 2 }
}
pcm.capture_file {
  type file
  slave.pcm "null"
  file "$SCRATCH/capture.raw"
  format "raw"
}
EOF

# The music: a quarter second of 880 Hz at 8000 (of 32767), as Ogg Vorbis.
sox -n -r 44100 -b 16 -c 1 "$SCRATCH/music.wav" synth 0.25 sine 880 vol 0.24414 > /dev/null 2>&1
oggenc -Q "$SCRATCH/music.wav" -o "$SCRATCH/run/music.ogg"

status=0
(cd "$SCRATCH/run" && HOME="$SCRATCH/home" LC_ALL=C.UTF-8 WINEPREFIX="${WINEPREFIX:-$SCRATCH/prefix}" WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=" xvfb-run -a wine "$program") > "$SCRATCH/out.txt" 2>&1 || status=$?
cat "$SCRATCH/out.txt"
if [ "$status" -ne 0 ]; then
  echo "audio check: audio_tone.exe exited with $status (3: waveOut found no output device)"
  exit 1
fi

python3 - "$SCRATCH/capture.raw" <<'EOF'
import struct, sys

RATE = 44100
WINDOW = RATE // 100        # 10 ms
LOUD, QUIET = 500, 200

data = open(sys.argv[1], "rb").read()
frames = len(data) // 4
samples = struct.unpack("<%dh" % (2 * frames), data[:frames * 4])
left, right = samples[0::2], samples[1::2]

# Each 10 ms window is the centred tone (both sides loud), the music (left
# loud, right silent) or neither. A busy machine may leave gaps of silence
# where the output ran dry: each sound's length is the sum of its runs, and
# its pitch and level are measured over its longest run.
def kind(i):
    l = max(abs(s) for s in left[i:i + WINDOW])
    r = max(abs(s) for s in right[i:i + WINDOW])
    if l > LOUD and r > LOUD: return "tone"
    if l > LOUD and r < QUIET: return "music"
    return None

runs, total = {}, {}
def end_run(k, a, z):
    if not k: return
    total[k] = total.get(k, 0) + (z - a)
    if z - a > runs.get(k, (0, 0))[1] - runs.get(k, (0, 0))[0]:
        runs[k] = (a, z)
start, current = 0, None
for i in range(0, frames - WINDOW + 1, WINDOW):
    k = kind(i)
    if k != current:
        end_run(current, start, i)
        start, current = i, k
end_run(current, start, frames)

def measure(name):
    if name not in runs:
        return None
    a, z = runs[name]
    inner = slice(a + WINDOW, z - WINDOW)   # the edges may hold a part window
    ups = [i for i in range(a + 1, z) if left[i - 1] < 0 <= left[i]]
    hz = (len(ups) - 1) * RATE / (ups[-1] - ups[0]) if len(ups) > 1 else 0
    return {"seconds": total[name] / RATE, "hz": hz,
            "left": max(abs(s) for s in left[inner]), "right": max(abs(s) for s in right[inner])}

failures = []
def expect(ok, what):
    if not ok: failures.append(what)

print("captured %.2f s" % (frames / RATE))
tone, music = measure("tone"), measure("music")
for name, m in (("tone", tone), ("music", music)):
    if m: print("%s: %.2f s, %.1f Hz, peak left %d, right %d" % (name, m["seconds"], m["hz"], m["left"], m["right"]))
expect(tone is not None, "the centred tone is in the output")
expect(music is not None, "the music is in the output")
if tone:
    # 16384 in the centre: 16384 * cos(45 degrees) on each side.
    expect(abs(tone["hz"] - 440) < 2, "the tone is 440 Hz")
    expect(abs(tone["seconds"] - 1.0) < 0.03, "the tone lasts its second")
    expect(abs(tone["left"] - 11585) < 120 and abs(tone["right"] - 11585) < 120, "the tone peaks at 11585 each side")
if music:
    expect(abs(music["hz"] - 880) < 4, "the music is 880 Hz")
    expect(music["seconds"] > 0.9, "the music loops for four of its lengths")
    # A lossy codec rings at the file's two ends, where the loop joins them:
    # within a tenth of the level there.
    expect(abs(music["left"] - 8000) < 800 and music["right"] < 100, "the music peaks at 8000, left only")
for f in failures: print("FAILED: " + f)
print("audio check: " + ("FAILED" if failures else "PASSED"))
sys.exit(1 if failures else 0)
EOF
