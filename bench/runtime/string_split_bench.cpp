// Splitting text frame after frame with our String ("ours", pieces in arrays
// the collector frees) and with std::u16string ("std", pieces in vectors
// freed at once): `bench_string_split WORKLOAD CONTENDER`. Each frame splits a
// few lines and keeps the results in a ring of recent results, so older
// results die; what dead results hold until they are freed shows in the peak.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bench/runtime/frames.h"
#include "runtime/gc.h"
#include "runtime/string.h"

namespace {

// One workload: lines of `pieces` pieces of `minUnits` to
// `minUnits + spreadUnits - 1` units, `linesPerFrame` of them split per frame.
struct SplitWorkload {
  const char* name;
  int pieces;
  int minUnits;
  int spreadUnits;
  int linesPerFrame;
  int frames;
};
constexpr SplitWorkload kSplitWorkloads[] = {
    {"split_short", 64, 4, 9, 16, 4000},    // fields of a record, words of a sentence
    {"split_long", 16, 200, 401, 16, 4000}, // paragraphs of a text
};
constexpr int kWarmFrames = 200;
constexpr int kDistinctLines = 64;  // lines split in turn
constexpr int kKeptResults = 256;   // the ring of live results
constexpr int kLetters = 26;
constexpr uint64_t kTextSeed = 0x2545F4914F6CDD1Dull;
const char16_t kSeparator[] = u", ";

struct TextGen {
  uint64_t s = kTextSeed;
  uint64_t next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  }
};

std::vector<std::u16string> makeLines(const SplitWorkload& w) {
  TextGen gen;
  std::vector<std::u16string> lines;
  for (int l = 0; l < kDistinctLines; ++l) {
    std::u16string line;
    for (int p = 0; p < w.pieces; ++p) {
      if (p) line += kSeparator;
      int n = w.minUnits + static_cast<int>(gen.next() % w.spreadUnits);
      for (int i = 0; i < n; ++i) line += static_cast<char16_t>(u'a' + gen.next() % kLetters);
    }
    lines.push_back(line);
  }
  return lines;
}

Array<Array<String>> gKept;

void runOurs(const SplitWorkload& w, FrameLog& log) {
  gc_init();
  gc_add_root(gKept);
  gc_assign(gKept, Array<Array<String>>(kKeptResults));
  std::vector<String> lines;
  for (const std::u16string& l : makeLines(w)) lines.push_back(String(l.data(), static_cast<int>(l.size())));
  String sep(kSeparator, sizeof kSeparator / sizeof kSeparator[0] - 1);
  int next = 0;
  runFrames(kWarmFrames, w.frames, [&](int f) {
    for (int i = 0; i < w.linesPerFrame; ++i) {
      gc_assign(gKept[next], lines[(f * w.linesPerFrame + i) % kDistinctLines].Split(sep));
      next = (next + 1) % kKeptResults;
    }
    gc_collect();
  }, log);
}

std::vector<std::u16string> splitStd(const std::u16string& s, const std::u16string& sep) {
  std::vector<std::u16string> out;
  size_t start = 0;
  for (size_t i = s.find(sep); i != std::u16string::npos; i = s.find(sep, start)) {
    out.push_back(s.substr(start, i - start));
    start = i + sep.size();
  }
  out.push_back(s.substr(start));
  return out;
}

void runStd(const SplitWorkload& w, FrameLog& log) {
  std::vector<std::vector<std::u16string>> kept(kKeptResults);
  std::vector<std::u16string> lines = makeLines(w);
  std::u16string sep(kSeparator);
  int next = 0;
  runFrames(kWarmFrames, w.frames, [&](int f) {
    for (int i = 0; i < w.linesPerFrame; ++i) {
      kept[next] = splitStd(lines[(f * w.linesPerFrame + i) % kDistinctLines], sep);
      next = (next + 1) % kKeptResults;
    }
  }, log);
}

}  // namespace

int main(int argc, char** argv) {
  const char *name, *contender;
  if (!parseArgs(argc, argv, name, contender)) return 2;
  for (const SplitWorkload& w : kSplitWorkloads) {
    if (std::string_view(w.name) != name) continue;
    FrameLog log;
    if (std::string_view(contender) == "ours") runOurs(w, log);
    else if (std::string_view(contender) == "std") runStd(w, log);
    else return 2;
    printResult(w.name, contender, log);
    return 0;
  }
  return 2;
}
