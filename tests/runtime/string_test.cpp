// String behaviour: number formatting and parsing, slicing and sharing,
// searching, splitting, joining, replacing, decoding text files, and empty
// strings made on several threads at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "runtime/string.h"
#include "tests/exit_status.h"

namespace {

// Threads meeting at the same point, again and again: each waits until all
// have arrived. A mutex and a condition variable rather than std::barrier,
// whose waits lose wake-ups in the mingw-w64 C++ library (GCC 12) and hang.
class Meeting {
 public:
  explicit Meeting(int threads) : threads_(threads) {}
  void arrive_and_wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    long round = round_;
    if (++arrived_ == threads_) {
      arrived_ = 0;
      ++round_;
      all_.notify_all();
      return;
    }
    all_.wait(lock, [&] { return round_ != round; });
  }

 private:
  const int threads_;
  int arrived_ = 0;
  long round_ = 0;
  std::mutex mutex_;
  std::condition_variable all_;
};

std::string u8(const String& s) { return s.ToUtf8(); }

String ours(const std::u16string& s) { return String(s.data(), static_cast<int>(s.size())); }
std::u16string units(const String& s) { return std::u16string(s.Data(), s.Length()); }

std::vector<std::u16string> plainSplit(const std::u16string& s, const std::u16string& sep) {
  std::vector<std::u16string> out;
  size_t start = 0;
  for (size_t i = s.find(sep); i != std::u16string::npos; i = s.find(sep, start)) {
    out.push_back(s.substr(start, i - start));
    start = i + sep.size();
  }
  out.push_back(s.substr(start));
  return out;
}

// `count` pieces joined by `sep`, of random lengths below `longest` (about
// one in eight empty), drawn from letters that never form the separator.
std::u16string randomLine(std::mt19937& rng, int count, int longest, const std::u16string& sep) {
  std::u16string line;
  for (int i = 0; i < count; ++i) {
    if (i) line += sep;
    int n = rng() % 8 == 0 ? 0 : static_cast<int>(rng() % longest);
    for (int k = 0; k < n; ++k) line += static_cast<char16_t>(u'a' + rng() % 26);
  }
  return line;
}

// Runs collection cycles and allocations, which destroy dead arrays, until
// `done` holds; false if it never does.
template <class Done>
bool collectUntil(Done done) {
  constexpr int kRounds = 64;
  for (int i = 0; i < kRounds && !done(); ++i) {
    gc_ext_alloc(gc_cycle_bytes + 1);
    gc_collect();
    // An allocation pays for at least its own size: this one destroys every
    // dead object, whatever earlier tests left.
    Array<char> payer(gc_free_bytes + 1);
  }
  return done();
}
// Earlier tests' dead arrays may still hold split pieces: they go first.
bool noBundleAlive() {
  return collectUntil([] { return String::BundlesAlive() == 0; });
}

String fromBytes(const std::string& bytes) {
  FILE* f = tmpfile();
  fwrite(bytes.data(), 1, bytes.size(), f);
  rewind(f);
  String s = String::Load(f);
  fclose(f);
  return s;
}

TEST(StringFormatting, NumbersFormatLikePrintf) {
  EXPECT_EQ(u8(String(1.0f)), "1.0");
  EXPECT_EQ(u8(String(-2.5f)), "-2.5");
  EXPECT_EQ(u8(String(0.1f)), "0.10000000149011612");
  EXPECT_EQ(u8(String(0.0f)), "0.0");
  EXPECT_EQ(u8(String(1e20f)), "1.0000000200408773e+20");
  EXPECT_EQ(u8(String(-7)), "-7");
  EXPECT_EQ(u8(String(INT_MIN)), "-2147483648");
}

TEST(StringParsing, ParseIntReadsLikeAtoiAndClampsOutOfRangeText) {
  EXPECT_EQ(String(" 42abc").ParseInt(), 42);
  EXPECT_EQ(String("abc").ParseInt(), 0);
  EXPECT_EQ(String("-0012").ParseInt(), -12);
  EXPECT_EQ(String("2147483647").ParseInt(), INT_MAX);
  EXPECT_EQ(String("-2147483648").ParseInt(), INT_MIN);
  EXPECT_EQ(String("2147483648").ParseInt(), INT_MAX);
  EXPECT_EQ(String("-99999999999999").ParseInt(), INT_MIN);
  // Only the first 63 units are read: 62 zeros then "12" leaves just "1".
  std::string digits(62, '0');
  digits += "12";
  EXPECT_EQ(String(digits.c_str()).ParseInt(), 1);
  std::string seventy(70, '9');
  EXPECT_EQ(String(seventy.c_str()).ParseInt(), INT_MAX);
  // Its checked companion takes whole numbers only and says when it refuses.
  int v = 0;
  EXPECT_TRUE(String(digits).TryParseInt(v));
  EXPECT_EQ(v, 12);
  EXPECT_TRUE(String(" -2147483648\n").TryParseInt(v));
  EXPECT_EQ(v, INT_MIN);
  for (const char* refused : {"12x", "abc", "", " ", "-", "2147483648", "99999999999", "1 2"})
    EXPECT_FALSE(String(refused).TryParseInt(v)) << refused;
  EXPECT_EQ(v, INT_MIN) << "a refusal leaves the value as it was";
}

TEST(StringSlicing, SliceClampsAndSharesTheWholeString) {
  String s("abcdef");
  EXPECT_EQ(u8(s.Slice(-3, 100)), "def");
  EXPECT_EQ(s.Slice(4, 2).Length(), 0);
  EXPECT_EQ(s.Slice(4, 2).GetRep(), &String::nullRep);
  EXPECT_EQ(s.Slice(0, 6).GetRep(), s.GetRep());
  EXPECT_EQ(u8(s.Slice(1, -1)), "bcde");
  EXPECT_EQ(u8(s.Slice(-100, 2)), "ab");
  EXPECT_EQ(u8(s.Slice(3)), "def");
}

TEST(StringConcat, EmptySideSharesTheOtherOperand) {
  String a("left"), e;
  EXPECT_EQ((a + e).GetRep(), a.GetRep());
  EXPECT_EQ((e + a).GetRep(), a.GetRep());
  EXPECT_EQ(u8(a + String("right")), "leftright");
}

TEST(StringSearch, FindFromStartAndFromEnd) {
  String s("abcabc");
  EXPECT_EQ(s.Find(String("bc")), 1);
  EXPECT_EQ(s.Find(String("bc"), 2), 4);
  EXPECT_EQ(s.Find(String("bc"), -5), 1);
  EXPECT_EQ(s.Find(String("x")), -1);
  EXPECT_EQ(s.FindFromEnd(String("abc")), 3);
  EXPECT_EQ(s.FindFromEnd(String("abcabcd")), -1);
  EXPECT_TRUE(s.BeginsWith(String("abca")));
  EXPECT_FALSE(String("ab").BeginsWith(String("abc")));
}

TEST(StringSplit, PiecesBetweenNonOverlappingSeparators) {
  auto empty = String().Split(String("|"));
  ASSERT_EQ(empty.Length(), 1);
  EXPECT_EQ(empty[0].Length(), 0);
  auto bar = String("|").Split(String("|"));
  ASSERT_EQ(bar.Length(), 2);
  EXPECT_EQ(bar[0].Length() + bar[1].Length(), 0);
  auto units = String("abc").Split(String());
  ASSERT_EQ(units.Length(), 3);
  EXPECT_EQ(u8(units[2]), "c");
  auto trailing = String("a|b|").Split(String("|"));
  ASSERT_EQ(trailing.Length(), 3);
  EXPECT_EQ(u8(trailing[1]), "b");
  EXPECT_EQ(trailing[2].Length(), 0);
  String whole("no separator");
  EXPECT_EQ(whole.Split(String(",")) [0].GetRep(), whole.GetRep());
  EXPECT_EQ(String("aaaa").Split(String("aa")).Length(), 3);
}

// Lines from a few short pieces to thousands (more separators than the
// counting scan keeps), pieces from empty to longer than a shared block
// holds, split by one unit, two units and unit by unit; the pieces join back
// into the line, and replacing the separator agrees with a plain replace.
TEST(StringSplit, EveryPieceEqualsAPlainSplitWhateverTheirSizesAndCount) {
  std::mt19937 rng(7);
  struct Shape {
    int count, longest;
  };
  for (std::u16string sep : {u",", u"<>"}) {
    for (Shape shape : {Shape{3, 4}, Shape{64, 12}, Shape{700, 40}, Shape{5, 3000}, Shape{3000, 3}}) {
      std::u16string line = randomLine(rng, shape.count, shape.longest, sep);
      std::vector<std::u16string> want = plainSplit(line, sep);
      Array<String> got = ours(line).Split(ours(sep));
      ASSERT_EQ(got.Length(), static_cast<int>(want.size()));
      for (int i = 0; i < got.Length(); ++i) ASSERT_EQ(units(got[i]), want[i]) << "piece " << i << " of " << want.size();
      EXPECT_EQ(units(ours(sep).Join(got)), line);
      std::u16string replaced;
      for (size_t i = 0; i < want.size(); ++i) replaced += (i ? u"=" : u"") + want[i];
      EXPECT_EQ(units(ours(line).Replace(ours(sep), String("="))), replaced);
    }
  }
  std::u16string text = randomLine(rng, 1, 1500, u",");
  Array<String> each = ours(text).Split(String());
  ASSERT_EQ(each.Length(), static_cast<int>(text.size()));
  for (int i = 0; i < each.Length(); ++i) ASSERT_EQ(units(each[i]), text.substr(i, 1)) << "unit " << i;
}

// Pieces are kept after their array and the split text are gone, and then
// released one at a time in a random order: each release leaves the others
// whole, and the last one gives back the memory they shared.
TEST(StringSplit, PiecesOutliveTheirArrayAndSourceAndDieInAnyOrder) {
  std::mt19937 rng(11);
  std::u16string line = randomLine(rng, 400, 30, u", ");
  std::vector<std::u16string> want = plainSplit(line, u", ");
  ASSERT_TRUE(noBundleAlive());
  std::vector<String> kept;
  {
    String source = ours(line);
    Array<String> pieces = source.Split(String(", "));
    for (const String& p : pieces) kept.push_back(p);
    EXPECT_GT(String::BundlesAlive(), 0);
  }
  for (int i = 0; i < static_cast<int>(want.size()); ++i) {
    if (want[i].empty()) {
      EXPECT_EQ(kept[i].GetRep(), &String::nullRep) << "empty pieces share the empty string";
    }
  }
  auto longest = std::max_element(kept.begin(), kept.end(), [](auto& a, auto& b) { return a.Length() < b.Length(); });
  ASSERT_TRUE(collectUntil([&] { return longest->GetRep()->refCount == String::Rep::kPieceShare + 1; }))
      << "the array is destroyed";
  std::vector<int> order(kept.size());
  for (int i = 0; i < static_cast<int>(order.size()); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  for (size_t k = 0; k < order.size(); ++k) {
    kept[order[k]] = String();
    if (k % 50 != 0) continue;
    for (size_t j = k + 1; j < order.size(); ++j) ASSERT_EQ(units(kept[order[j]]), want[order[j]]);
  }
  EXPECT_EQ(String::BundlesAlive(), 0);
}

// Pieces of the same splits given alternately to two threads that release
// them at the same moment, round after round: every shared block is freed
// exactly once.
TEST(StringSplit, PiecesOfOneSplitReleasedOnTwoThreadsAtOnce) {
  constexpr int kRounds = 300;
  constexpr int kUnits = 1000;
  ASSERT_TRUE(noBundleAlive());
  String text = ours(std::u16string(kUnits, u'x'));
  std::vector<String> halves[2];
  Meeting turn(3);
  auto release = [&](int side) {
    for (int r = 0; r < kRounds; ++r) {
      turn.arrive_and_wait();
      halves[side].clear();
      turn.arrive_and_wait();
    }
  };
  std::thread a(release, 0), b(release, 1);
  for (int r = 0; r < kRounds; ++r) {
    Array<String> pieces = text.Split(String());
    for (int k = 0; k < pieces.Length(); ++k) halves[k % 2].push_back(std::move(pieces.Data()[k]));
    turn.arrive_and_wait();  // both threads release their halves
    turn.arrive_and_wait();  // and are done
  }
  a.join();
  b.join();
  EXPECT_EQ(String::BundlesAlive(), 0);
}

// Threads that make and drop their own empty strings share one block: it
// must not be written, or the two threads' counts race (ThreadSanitizer
// reports that at once; a plain build sees only the lost updates, by chance).
TEST(StringThreads, EmptyStringsMadeOnTwoThreadsAtOnceLeaveTheSharedBlockUntouched) {
  constexpr int kRounds = 200000;
  const int before = String::nullRep.refCount;
  Meeting start(2);
  auto churn = [&] {
    start.arrive_and_wait();
    // Each string is made and dropped in turn, its count read afresh each time.
    for (int r = 0; r < kRounds; ++r) {
      asm volatile("" : : : "memory");
      String empty;
      String copy = empty;
      asm volatile("" : : : "memory");
    }
  };
  std::thread a(churn), b(churn);
  a.join();
  b.join();
  EXPECT_EQ(String::nullRep.refCount, before);
}

TEST(StringJoinReplace, JoinAndReplaceMeasureOnceAndShareWhenUnchanged) {
  Array<String> one(1);
  one[0] = String("solo");
  EXPECT_EQ(String(", ").Join(one).GetRep(), one[0].GetRep());
  EXPECT_EQ(String(", ").Join(Array<String>()).Length(), 0);
  Array<String> three(3);
  three[0] = String("a");
  three[2] = String("c");
  EXPECT_EQ(u8(String("--").Join(three)), "a----c");
  EXPECT_EQ(u8(String("C:\\A\\B").Replace(String("\\"), String("/"))), "C:/A/B");
  EXPECT_EQ(u8(String("aaa").Replace(String("aa"), String("b"))), "ba");
  String s("unchanged");
  EXPECT_EQ(s.Replace(String("x"), String("y")).GetRep(), s.GetRep());
  EXPECT_EQ(s.Replace(String(), String("y")).GetRep(), s.GetRep());
  EXPECT_EQ(String("abab").Replace(String("ab"), String()).Length(), 0);
}

// Every start position and several needles against a plain scan, so matches
// across the eight-unit blocks of the fast search and near the end are found.
TEST(StringSearch, FindAgreesWithAPlainScanAtEveryStart) {
  std::u16string text = u"xabcabxxabcxyzabcabcaxxxxxxxxabcyabcab_";
  String s(text.data(), static_cast<int>(text.size()));
  for (std::u16string needle : {u"a", u"abc", u"ab_", u"_", u"xxxxxxxxa", u"zz", u"abcab_", u"yabcab_x"}) {
    String sub(needle.data(), static_cast<int>(needle.size()));
    for (int start = 0; start <= static_cast<int>(text.size()) + 1; ++start) {
      size_t want = text.find(needle, start);
      EXPECT_EQ(s.Find(sub, start), want == std::u16string::npos ? -1 : static_cast<int>(want))
          << u8(sub) << " from " << start;
    }
  }
}

// More occurrences than the counting scan keeps: the later ones are found again.
TEST(StringJoinReplace, ReplaceHandlesThousandsOfOccurrences) {
  std::string text, replaced;
  for (int i = 0; i < 1000; ++i) {
    text += std::to_string(i) + "<>";
    replaced += std::to_string(i) + "+";
  }
  EXPECT_EQ(u8(String(text.c_str()).Replace(String("<>"), String("+"))), replaced);
}

TEST(StringJoinReplace, AResultBeyondTheLengthRangeStopsAsOutOfMemory) {
  EXPECT_EXIT(
      {
        std::freopen("/dev/null", "r", stdin);
        std::u16string units(1 << 20, u'a');
        String text(units.data(), static_cast<int>(units.size()));
        std::u16string wide(2048, u'b');
        text.Replace(String("a"), String(wide.data(), static_cast<int>(wide.size())));
      },
      ExitedMinusOne, "");
}

std::vector<int> unitsOf(const String& s) { return std::vector<int>(s.Data(), s.Data() + s.Length()); }

TEST(StringConversion, NarrowTextIsUtf8WithReplacementsAndUnitsRoundTrip) {
  EXPECT_EQ(unitsOf(String("f\xC3\xBCr")), (std::vector<int>{'f', 0xFC, 'r'}));
  EXPECT_EQ(unitsOf(String("a\xF0\x9F\x98\x80")), (std::vector<int>{'a', 0xD83D, 0xDE00}));
  // A stray byte, an over-long slash, a cut-off sequence and a lead past U+10FFFF each give one U+FFFD.
  EXPECT_EQ(unitsOf(String("\xE9!\xC0\xAF|\xE2\x82|\xF5\x80\x80\x80")),
            (std::vector<int>{0xFFFD, '!', 0xFFFD, '|', 0xFFFD, '|', 0xFFFD}));
  EXPECT_EQ(String(std::string("x\0y", 3)).Length(), 3);
  EXPECT_EQ(String("a\xF0\x9F\x98\x80").ToUtf8(), "a\xF0\x9F\x98\x80");
  const Char lone[] = {0xDE00, 'z', 0xD83D};
  String loneText(lone, 3);
  EXPECT_EQ(loneText.ToUtf8(), "\xED\xB8\x80z\xED\xA0\xBD");
  EXPECT_EQ(String(loneText.ToUtf8()), loneText);
  String s = String::FromUnits(String("hi").ToUnits());
  EXPECT_EQ(u8(s), "hi");
  Array<int> big(1);
  big[0] = 0x120041;
  EXPECT_EQ(String::FromUnits(big)[0], 0x41);
  EXPECT_EQ(String(String::FromChar(0x20AC)).ToNarrow(), std::string("\xAC"));
}

TEST(StringLoad, DecodesByteOrderMarksUtf8AndFallsBackToBytes) {
  String e = fromBytes("\xC3\xA9|\xE2\x82\xAC");
  ASSERT_EQ(e.Length(), 3);
  EXPECT_EQ(e[0], 0xE9);
  EXPECT_EQ(e[2], 0x20AC);
  String le = fromBytes(std::string("\xFF\xFE\x41\x00\x42", 5));
  ASSERT_EQ(le.Length(), 1);
  EXPECT_EQ(le[0], 'A');
  String be = fromBytes(std::string("\xFE\xFF\x20\xAC", 4));
  ASSERT_EQ(be.Length(), 1);
  EXPECT_EQ(be[0], 0x20AC);
  EXPECT_EQ(fromBytes("\xEF\xBB\xBF").Length(), 0);
  EXPECT_EQ(fromBytes("").GetRep(), &String::nullRep);
  String stray = fromBytes("A\x80" "B");
  ASSERT_EQ(stray.Length(), 3);
  EXPECT_EQ(stray[1], 0x80);
  String cut = fromBytes("ab\xE2\x82");
  ASSERT_EQ(cut.Length(), 4);
  EXPECT_EQ(cut[3], 0x82);
  EXPECT_EQ(unitsOf(fromBytes("h\xC3\xA9llo \xF0\x9F\x98\x80")),
            (std::vector<int>{'h', 0xE9, 'l', 'l', 'o', ' ', 0xD83D, 0xDE00}));
  // Older files wrote each unit of a pair as its own 3-byte form.
  EXPECT_EQ(unitsOf(fromBytes("\xED\xA0\xBD\xED\xB8\x80")), (std::vector<int>{0xD83D, 0xDE00}));
  EXPECT_EQ(fromBytes("\xF4\x90\x80\x80").Length(), 4);
}

TEST(StringLoad, LongFilesReadAcrossChunkBoundaries) {
  std::string big;
  for (int i = 0; i < 5000; ++i) big += "\xE2\x82\xAC";
  String s = fromBytes(big);
  ASSERT_EQ(s.Length(), 5000);
  EXPECT_EQ(s[4999], 0x20AC);
  EXPECT_EQ(s.ToUtf8(), big);
}

}  // namespace
