// Saved settings, high scores and badges: the one-line record of numbers in
// the state file, each section closed by a checksum so a damaged section is
// reset alone, and the badge texts.
// Relies on the state file operations of storage/module.h.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "game/app.h"
#include "runtime/containers.h"
#include "runtime/errors.h"
#include "storage/module.h"

namespace {

constexpr int kBadgeWords = 8;
constexpr int kBadgeBits = 32;
constexpr int kBadgeSectionItems = kBadgeWords + 1;   // words and checksum
constexpr int kScoreGroups = 8;                       // groups written
constexpr int kScoreGroupsRead = 3;                   // Easy, Normal, Hard
constexpr int kScoreGroupItems = 2 * kScoresPerList + 1;
constexpr int kOnScreenMinPos = 64;
constexpr int kOnScreenSmallSize = 7;
constexpr int kOnScreenDefaultSize = 10;
constexpr int kDefaultOverscan = 64;

// Sums wrap around at 32 bits, as the record's checksums do.
inline int wrapAdd(int a, int64_t b) {
  return static_cast<int>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int wrapMul(int a, int b) {
  return static_cast<int>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// The badge words and score groups of a record, each with whether it is
// there and whether its checksum holds; nothing printed.
struct RecordSections {
  bool badgesThere = false, badgesWhole = false;
  uint32_t badgeWords[kBadgeWords] = {};
  bool groupThere[kScoreGroupsRead] = {}, groupWhole[kScoreGroupsRead] = {};
  int best[kScoreGroupsRead][kScoresPerList] = {};
  int recent[kScoreGroupsRead][kScoresPerList] = {};
};

// Reads the sections after the settings: the badges follow the settings
// when there are at least enough items for them, else they come first, and
// the score groups follow the badges when those are there.
RecordSections readSections(const Array<String>& items) {
  RecordSections r;
  int count = items.Length();
  auto item = [&](int i) { return items[i].ParseInt(); };
  int badgeStart = count >= kSettingsCount ? kSettingsCount + 1 : 0;
  int groupStart = badgeStart;
  if (badgeStart + kBadgeWords < count) {
    int sum = 0;
    for (int g = 0; g < kBadgeWords; ++g) {
      r.badgeWords[g] = static_cast<uint32_t>(item(badgeStart + g));
      sum = wrapAdd(sum, static_cast<int>(r.badgeWords[g]));
    }
    r.badgesThere = true;
    r.badgesWhole = item(badgeStart + kBadgeWords) == sum;
    groupStart += kBadgeSectionItems;
  }
  for (int g = 0; g < kScoreGroupsRead; ++g) {
    int first = groupStart + kScoreGroupItems * g;
    int checksumItem = first + kScoreGroupItems - 1;
    if (checksumItem >= count) continue;
    int sum = 0;
    for (int k = 0; k < kScoresPerList; ++k) {
      r.best[g][k] = item(first + 2 * k);
      r.recent[g][k] = item(first + 2 * k + 1);
      sum = wrapAdd(sum, wrapMul(k + 4, r.best[g][k]));
      sum = wrapAdd(sum, wrapMul(k + 3 + g, r.recent[g][k]));
    }
    r.groupThere[g] = true;
    r.groupWhole[g] = item(checksumItem) == sum;
  }
  return r;
}

// How many scores were added at the front of `now` since it was `then`: the
// fewest that leave the rest equal to the start of `then`.
int newScores(const int* now, const int* then) {
  for (int added = 0; added < kScoresPerList; ++added) {
    bool same = true;
    for (int k = added; k < kScoresPerList && same; ++k) same = now[k] == then[k - added];
    if (same) return added;
  }
  return kScoresPerList;
}

// Enters `score` into a best list as a finished round does: below any equal.
void enterBest(int* best, int score) {
  for (int k = 0; k < kScoresPerList; ++k) {
    if (best[k] >= score) continue;
    for (int m = kScoresPerList - 1; m > k; --m) best[m] = best[m - 1];
    best[k] = score;
    return;
  }
}

// Takes into `scores` (a copy's lists, laid out as the first kListedScores
// values of m_highScores) the rounds that another copy saved since `base`
// (the lists as this copy last loaded or saved them), read from `disk`, the
// record stored now. A list nobody else changed stays as this copy has it.
void mergeScores(int* scores, const int* base, const RecordSections& disk) {
  for (int g = 0; g < kScoreGroupsRead; ++g) {
    if (!disk.groupThere[g] || !disk.groupWhole[g]) continue;
    const int* savedBest = &base[kScoresPerList * g];
    const int* savedRecent = &base[kRecentScoresOffset + kScoresPerList * g];
    if (std::equal(disk.best[g], disk.best[g] + kScoresPerList, savedBest) &&
        std::equal(disk.recent[g], disk.recent[g] + kScoresPerList, savedRecent))
      continue;
    int* best = &scores[kScoresPerList * g];
    int* recent = &scores[kRecentScoresOffset + kScoresPerList * g];
    // This copy's rounds since its last save go in front of the other's.
    int added = newScores(recent, savedRecent);
    for (int k = added; k < kScoresPerList; ++k) recent[k] = disk.recent[g][k - added];
    // The best scores this copy entered since, and still holds, join the other's list.
    int merged[kScoresPerList];
    std::copy(disk.best[g], disk.best[g] + kScoresPerList, merged);
    std::vector<int> before(savedBest, savedBest + kScoresPerList);
    for (int k = 0; k < kScoresPerList; ++k) {
      auto old = std::find(before.begin(), before.end(), best[k]);
      if (old != before.end()) before.erase(old);
      else enterBest(merged, best[k]);
    }
    std::copy(merged, merged + kScoresPerList, best);
  }
}

// The record text: the settings, the badge words and every score group, each
// section closed by its checksum. `scores` holds kHighScoreFloats values,
// laid out as m_highScores.
String recordText(const int* settings, const uint32_t* badgeWords, const int* scores) {
  c_StringStack* pieces = gc_new<c_StringStack>()->m_new();
  String bar("|");
  auto put = [&](int v) {
    pieces->p_Push4(String(v));
    pieces->p_Push4(bar);
  };

  int settingsSum = 0;
  for (int j = 0; j < kSettingsCount; ++j) {
    put(settings[j]);
    settingsSum = wrapAdd(settingsSum, wrapMul(j, settings[j]));
  }
  put(settingsSum);

  int badgeSum = 0;
  for (int g = 0; g < kBadgeWords; ++g) {
    put(static_cast<int>(badgeWords[g]));
    badgeSum = wrapAdd(badgeSum, static_cast<int>(badgeWords[g]));
  }
  put(badgeSum);

  for (int g = 0; g < kScoreGroups; ++g) {
    int sum = 0;
    for (int k = 0; k < kScoresPerList; ++k) {
      int best = scores[kScoresPerList * g + k];
      int recent = scores[kScoresPerList * g + kRecentScoresOffset + k];
      put(best);
      put(recent);
      sum = wrapAdd(sum, wrapMul(k + 4, best));
      sum = wrapAdd(sum, wrapMul(k + 3 + g, recent));
    }
    put(sum);
  }
  return pieces->p_Join(String());
}

// The score lists of a record as a copy that loaded it holds them: a list
// that is missing or fails its checksum is empty.
void loadedScores(const RecordSections& r, int* scores) {
  for (int g = 0; g < kScoreGroupsRead; ++g) {
    bool whole = r.groupThere[g] && r.groupWhole[g];
    for (int k = 0; k < kScoresPerList; ++k) {
      scores[kScoresPerList * g + k] = whole ? r.best[g][k] : 0;
      scores[kRecentScoresOffset + kScoresPerList * g + k] = whole ? r.recent[g][k] : 0;
    }
  }
}

}  // namespace

// Two copies of the game may share one record: each save first takes in what
// the other saved since (its scores and badges), so neither loses the
// other's rounds. A list nobody else changed stays exactly as this copy has it.
void c_MyApp::p_MergeSaved(const String& text) {
  RecordSections disk = readSections(text.Split(String("|")));
  if (disk.badgesThere && disk.badgesWhole)
    for (int g = 0; g < kBadgeWords; ++g)
      for (int k = 0; k < kBadgeBits; ++k)
        if ((disk.badgeWords[g] >> k) & 1u) m_badges[kBadgeBits * g + k] = true;
  int scores[kListedScores];
  for (int i = 0; i < kListedScores; ++i) scores[i] = m_highScores[i];
  mergeScores(scores, m_savedScores, disk);
  for (int i = 0; i < kListedScores; ++i) m_highScores[i] = scores[i];
}

// The same merge for a copy that learns only after saving `mine` (made from
// `base`) that another copy stored `stored` meanwhile, as tabs of the page
// do: the settings are mine, the badges both, the scores merged.
String c_MyApp::p_MergeRecords(const String& mine, const String& base, const String& stored) {
  Array<String> items = mine.Split(String("|"));
  RecordSections own = readSections(items);
  bool ownWhole = items.Length() > kSettingsCount && own.badgesThere && own.badgesWhole;
  for (int g = 0; g < kScoreGroupsRead; ++g) ownWhole = ownWhole && own.groupThere[g] && own.groupWhole[g];
  // A record this program did not write is not taken apart.
  if (!ownWhole) return mine;
  RecordSections other = readSections(stored.Split(String("|")));
  int settings[kSettingsCount];
  for (int j = 0; j < kSettingsCount; ++j) settings[j] = items[j].ParseInt();
  uint32_t words[kBadgeWords];
  for (int g = 0; g < kBadgeWords; ++g)
    words[g] = own.badgeWords[g] | (other.badgesThere && other.badgesWhole ? other.badgeWords[g] : 0u);
  int scores[kHighScoreFloats] = {};
  int baseScores[kListedScores];
  loadedScores(own, scores);
  loadedScores(readSections(base.Split(String("|"))), baseScores);
  mergeScores(scores, baseScores, other);
  return recordText(settings, words, scores);
}

int c_MyApp::p_Save() {
  vx_app_LockState();
  p_MergeSaved(vx_app_LoadState());
  int settings[kSettingsCount];
  for (int j = 0; j < kSettingsCount; ++j) settings[j] = m_settings[j];
  uint32_t words[kBadgeWords] = {};
  for (int g = 0; g < kBadgeWords; ++g)
    for (int k = 0; k < kBadgeBits; ++k)
      if (m_badges[kBadgeBits * g + k]) words[g] |= 1u << k;
  int scores[kHighScoreFloats];
  for (int i = 0; i < kHighScoreFloats; ++i) scores[i] = m_highScores[i];

  String record = recordText(settings, words, scores);
  if (vx_Velmar_DebugMode == 1) vxPrint(record);
  int result = vx_app_SaveState(record);
  vx_app_UnlockState();
  if (result != 0) p_AnnounceNotSaved();
  else for (int i = 0; i < kListedScores; ++i) m_savedScores[i] = m_highScores[i];
  return result;
}

// A save that failed (a full disk, a folder that cannot be written) is
// announced the way badges are: the session's scores are not kept, though
// the record from before stays whole.
void c_MyApp::p_AnnounceNotSaved() { p_AnnounceNotice(kNoticeNotSaved); }

void c_MyApp::p_AnnounceNotice(int notice) {
  for (int r = 0; r < kBadgeQueueSlots; ++r) {
    if (m_badgeTimers[r] != 0) continue;
    m_badgeQueue[r] = notice;
    m_badgeTimers[r] = 1;
    return;
  }
}

// Reads the record; a section that is missing or fails its checksum keeps
// its defaults, the rest loads. A record that did not load whole is kept as
// a damaged copy before the next save replaces it, and the player is told.
void c_MyApp::p_Load() {
  String text = vx_app_LoadState();
  Array<String> items = text.Split(String("|"));
  if (vx_Velmar_DebugMode == 1) vxPrint(text);
  int count = items.Length();
  auto item = [&](int i) { return items[i].ParseInt(); };
  bool whole = true;

  if (count < kSettingsCount) whole = false;
  if (count >= kSettingsCount) {
    int sum = 0;
    for (int j = 0; j < kSettingsCount; ++j) {
      m_settings[j] = item(j);
      sum = wrapAdd(sum, wrapMul(j, m_settings[j]));
    }
    if (count > kSettingsCount && item(kSettingsCount) == sum) {
      vxPrint(String("Settings Loaded"));
    } else {
      vxPrint(String("Settings Checksum Invalid"));
      whole = false;
      for (int j = 0; j < kSettingsCount; ++j) m_settings[j] = 0;
      m_settings[kSettingSound] = 1;
    }
  }

  if (m_settings[kSettingPadX] < kOnScreenMinPos) m_settings[kSettingPadX] = kOnScreenMinPos;
  if (m_settings[kSettingPadY] < kOnScreenMinPos) m_settings[kSettingPadY] = kOnScreenMinPos;
  if (m_settings[kSettingPadSize] <= kOnScreenSmallSize) m_settings[kSettingPadSize] = kOnScreenDefaultSize;
  if (m_settings[kSettingOverscan] <= 0) m_settings[kSettingOverscan] = kDefaultOverscan;
  if (vx_Velmar_isOuya == 1) {
    vx_Velmar_overscan = static_cast<float>(m_settings[kSettingOverscan]);
  } else {
    m_settings[kSettingOverscan] = 1;
    vx_Velmar_overscan = 0;
  }

  RecordSections sections = readSections(items);
  if (sections.badgesThere) {
    for (int g = 0; g < kBadgeWords; ++g)
      for (int k = 0; k < kBadgeBits; ++k)
        m_badges[kBadgeBits * g + k] = sections.badgesWhole && ((sections.badgeWords[g] >> k) & 1u);
    vxPrint(String(sections.badgesWhole ? "Badges Loaded" : "Badge Checksum Invalid"));
  }
  whole = whole && sections.badgesThere && sections.badgesWhole;

  static const char* const kGroupNames[kScoreGroupsRead] = {"Easy", "Normal", "Hard"};
  String notLoaded;
  for (int g = 0; g < kScoreGroupsRead; ++g) {
    if (!sections.groupThere[g] || !sections.groupWhole[g]) {
      const char* why = sections.groupThere[g] ? " (checksum)" : " (missing)";
      notLoaded = notLoaded + String(notLoaded.Length() ? ", " : " ") + String(kGroupNames[g]) + String(why);
    }
    if (!sections.groupThere[g]) continue;  // a missing group leaves its lists as they were
    for (int k = 0; k < kScoresPerList; ++k) {
      m_highScores[kScoresPerList * g + k] = sections.groupWhole[g] ? sections.best[g][k] : 0;
      m_highScores[kRecentScoresOffset + kScoresPerList * g + k] = sections.groupWhole[g] ? sections.recent[g][k] : 0;
    }
  }
  for (int i = 0; i < kListedScores; ++i) m_savedScores[i] = m_highScores[i];
  if (text.Length() == 0) {
    // No record (or none that could be read): nothing is damaged.
    vxPrint(String("Highscores Loaded"));
    if (vx_app_StateUnreadable()) p_AnnounceNotice(kNoticeNotRead);
    return;
  }
  vxPrint(notLoaded.Length() ? String("Highscores Not Loaded:") + notLoaded : String("Highscores Loaded"));
  if (whole && notLoaded.Length() == 0) return;
  vx_app_KeepDamagedState();
  p_AnnounceNotice(kNoticeDamaged);
}

String c_MyApp::p_BadgeID(int n) {
  if (n == kNoticeNotSaved) return String("Not saved!|Settings and scores could not be saved.");
  if (n == kNoticeNotRead) return String("Save not read!|The saved record could not be read: it is kept, and nothing is saved over it.");
  if (n == kNoticeDamaged) return String("Save damaged!|The saved record was damaged: a copy is kept beside it as .tarvikstate.damaged.");
  if (n == 0) return String("Test Badge|This is a Test Badge which has no purpose.");
  return String("Odd Badge|This badge hasn't been defined!");
}

String c_MyApp::p_BadgeName(int n) { return p_BadgeID(n).Split(String("|"))[0]; }

String c_MyApp::p_BadgeDetail(int n) { return p_BadgeID(n).Split(String("|"))[1]; }

int c_MyApp::p_GC_Badges() { return 0; }
