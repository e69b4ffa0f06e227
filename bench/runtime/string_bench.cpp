// The same text work with our String and with std::u16string (for copies,
// std::shared_ptr<const std::u16string>): copying a list of strings, building
// "key: value" lines, splitting, joining and replacing. Each operation is
// registered for both types and run side by side.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/gc.h"
#include "runtime/string.h"

namespace {

constexpr int kListSize = 256;        // strings copied / concatenated per iteration
constexpr int kFields = 64;           // fields of one split or joined line
constexpr int kLines = 16;            // lines split per iteration
constexpr int kTextWords = 400;       // words of the replaced paragraph
constexpr int kMinWord = 4;           // word lengths vary from kMinWord ...
constexpr int kWordSpread = 9;        // ... to kMinWord + kWordSpread - 1
constexpr int kLongPieceWords = 4;    // words in a list entry
constexpr int kTheOneWordIn = 8;     // how often the replaced word occurs
constexpr int kLetters = 26;
constexpr uint64_t kTextSeed = 0x2545F4914F6CDD1Dull;
const char16_t kSeparator[] = u", ";
const char16_t kKeySeparator[] = u": ";
const char16_t kFind[] = u"the";
const char16_t kWith[] = u"a";

// Deterministic pseudo-English text.
struct TextGen {
  uint64_t s = kTextSeed;
  uint64_t next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  }
  std::u16string word() {
    uint64_t r = next();
    if (r % kTheOneWordIn == 0) return kFind;
    int len = kMinWord + static_cast<int>(r % kWordSpread);
    std::u16string w;
    for (int i = 0; i < len; ++i) w += static_cast<char16_t>(u'a' + (r >> (i * 4 + 8)) % kLetters);
    return w;
  }
  std::u16string words(int n, const std::u16string& sep) {
    std::u16string out;
    for (int i = 0; i < n; ++i) out += (i ? sep : u"") + word();
    return out;
  }
};

String ours(const std::u16string& s) { return String(s.data(), static_cast<int>(s.size())); }

struct Corpus {
  std::vector<std::u16string> list, keys, lines, fields;
  std::u16string paragraph;
  Corpus() {
    TextGen gen;
    for (int i = 0; i < kListSize; ++i) {
      list.push_back(gen.words(kLongPieceWords, u" "));
      keys.push_back(gen.word());
    }
    for (int i = 0; i < kLines; ++i) lines.push_back(gen.words(kFields, kSeparator));
    for (int i = 0; i < kFields; ++i) fields.push_back(gen.word());
    paragraph = gen.words(kTextWords, u" ");
  }
};
const Corpus& corpus() {
  static Corpus c;
  return c;
}

std::vector<String> oursList(const std::vector<std::u16string>& v) {
  std::vector<String> out;
  for (const auto& s : v) out.push_back(ours(s));
  return out;
}

// --- copy ------------------------------------------------------------------

void BM_string_copy_ours(benchmark::State& state) {
  std::vector<String> list = oursList(corpus().list);
  for (auto _ : state) {
    std::vector<String> copy = list;
    benchmark::DoNotOptimize(copy.data());
  }
}
// Our strings are shared and counted, so the peer is the standard library's
// shared, counted immutable text: copying a list copies handles, not text.
void BM_string_copy_std(benchmark::State& state) {
  std::vector<std::shared_ptr<const std::u16string>> list;
  for (const std::u16string& s : corpus().list) list.push_back(std::make_shared<const std::u16string>(s));
  for (auto _ : state) {
    std::vector<std::shared_ptr<const std::u16string>> copy = list;
    benchmark::DoNotOptimize(copy.data());
  }
}

// --- concat ----------------------------------------------------------------

void BM_string_concat_ours(benchmark::State& state) {
  std::vector<String> keys = oursList(corpus().keys), values = oursList(corpus().list), out(kListSize);
  String sep = ours(kKeySeparator);
  for (auto _ : state) {
    for (int i = 0; i < kListSize; ++i) out[i] = keys[i] + sep + values[i];
    benchmark::DoNotOptimize(out.data());
  }
}
void BM_string_concat_std(benchmark::State& state) {
  std::vector<std::u16string> keys = corpus().keys, values = corpus().list, out(kListSize);
  std::u16string sep(kKeySeparator);
  for (auto _ : state) {
    for (int i = 0; i < kListSize; ++i) out[i] = keys[i] + sep + values[i];
    benchmark::DoNotOptimize(out.data());
  }
}

// --- split -----------------------------------------------------------------

void BM_string_split_ours(benchmark::State& state) {
  std::vector<String> lines = oursList(corpus().lines);
  String sep = ours(kSeparator);
  for (auto _ : state) {
    for (const String& line : lines) {
      Array<String> fields = line.Split(sep);
      benchmark::DoNotOptimize(fields.rep);
    }
    gc_collect();
  }
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
void BM_string_split_std(benchmark::State& state) {
  const std::vector<std::u16string>& lines = corpus().lines;
  std::u16string sep(kSeparator);
  for (auto _ : state) {
    for (const std::u16string& line : lines) {
      std::vector<std::u16string> fields = splitStd(line, sep);
      benchmark::DoNotOptimize(fields.data());
    }
  }
}

// --- join ------------------------------------------------------------------

Array<String> gJoinFields;

void BM_string_join_ours(benchmark::State& state) {
  gc_add_root(gJoinFields);
  gc_assign(gJoinFields, Array<String>(kFields));
  for (int i = 0; i < kFields; ++i) gJoinFields[i] = ours(corpus().fields[i]);
  String sep = ours(kSeparator);
  for (auto _ : state) {
    String line = sep.Join(gJoinFields);
    benchmark::DoNotOptimize(line.Data());
  }
}
std::u16string joinStd(const std::vector<std::u16string>& pieces, const std::u16string& sep) {
  size_t total = pieces.empty() ? 0 : sep.size() * (pieces.size() - 1);
  for (const auto& p : pieces) total += p.size();
  std::u16string out;
  out.reserve(total);
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i) out += sep;
    out += pieces[i];
  }
  return out;
}
void BM_string_join_std(benchmark::State& state) {
  const std::vector<std::u16string>& fields = corpus().fields;
  std::u16string sep(kSeparator);
  for (auto _ : state) {
    std::u16string line = joinStd(fields, sep);
    benchmark::DoNotOptimize(line.data());
  }
}

// --- replace ---------------------------------------------------------------

void BM_string_replace_ours(benchmark::State& state) {
  String text = ours(corpus().paragraph), find = ours(kFind), with = ours(kWith);
  for (auto _ : state) {
    String out = text.Replace(find, with);
    benchmark::DoNotOptimize(out.Data());
  }
}
std::u16string replaceStd(const std::u16string& s, const std::u16string& find, const std::u16string& with) {
  std::u16string out;
  out.reserve(s.size());
  size_t start = 0;
  for (size_t i = s.find(find); i != std::u16string::npos; i = s.find(find, start)) {
    out.append(s, start, i - start);
    out += with;
    start = i + find.size();
  }
  out.append(s, start);
  return out;
}
void BM_string_replace_std(benchmark::State& state) {
  std::u16string text = corpus().paragraph, find(kFind), with(kWith);
  for (auto _ : state) {
    std::u16string out = replaceStd(text, find, with);
    benchmark::DoNotOptimize(out.data());
  }
}

}  // namespace

BENCHMARK(BM_string_copy_ours);
BENCHMARK(BM_string_copy_std);
BENCHMARK(BM_string_concat_ours);
BENCHMARK(BM_string_concat_std);
BENCHMARK(BM_string_split_ours);
BENCHMARK(BM_string_split_std);
BENCHMARK(BM_string_join_ours);
BENCHMARK(BM_string_join_std);
BENCHMARK(BM_string_replace_ours);
BENCHMARK(BM_string_replace_std);

BENCHMARK_MAIN();
