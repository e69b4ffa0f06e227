// The timeline text: every event kind survives writing and reading back, and
// each kind of bad line is refused with its line number, as is a text too
// large to hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/timeline.h"

namespace {
std::string ParseError(const std::string& text) {
  std::vector<TimelineEvent> events;
  std::string error;
  EXPECT_FALSE(tvParseTimeline(text, &events, &error)) << text;
  return error;
}
}  // namespace

TEST(Timeline, EveryEventReadsBackFromTheLineWrittenForIt) {
  const std::string text =
      "# comment line\n"
      "\n"
      "0 key-down 88   # X\n"
      "0 key-up 511\n"
      "3 char 65571\n"
      "3 mouse-move -2.5 480.25\n"
      "4 mouse-down 2 10 20\n"
      "4 mouse-up 0 10 20\n"
      "4 touch-down 31 412 300\n"
      "4 touch-move 31 413.5 -1\n"
      "4 touch-up 0 0 0\n"
      "4 motion 0.25 -1 63.5\n"
      "5 joy-connect 15 5 14\n"
      "6 joy-axis 15 4 -0.123456791\n"
      "6 joy-button 15 13 1\n"
      "7 joy-disconnect 15\n"
      "8 focus-lost\n"
      "8 focus-gained\n"
      "9 resize 600 450\n"
      "10 close\n"
      "11 end\n";
  std::vector<TimelineEvent> events;
  std::string error;
  ASSERT_TRUE(tvParseTimeline(text, &events, &error)) << error;
  ASSERT_EQ(events.size(), 19u);
  std::string written;
  for (const TimelineEvent& e : events) written += tvFormatTimelineEvent(e) + "\n";
  std::vector<TimelineEvent> again;
  ASSERT_TRUE(tvParseTimeline(written, &again, &error)) << error;
  ASSERT_EQ(again.size(), events.size());
  for (size_t i = 0; i < events.size(); ++i)
    EXPECT_EQ(tvFormatTimelineEvent(again[i]), tvFormatTimelineEvent(events[i]));
  EXPECT_EQ(events[5].value, 0.0f);
  EXPECT_FLOAT_EQ(again[11].value, -0.123456791f);
  EXPECT_EQ(again[16].a, 600);
  EXPECT_EQ(again[6].a, 31);
  EXPECT_FLOAT_EQ(again[7].x, 413.5f);
  EXPECT_FLOAT_EQ(again[9].y, -1);
  EXPECT_FLOAT_EQ(again[9].z, 63.5f);
}

TEST(Timeline, BadLinesAreRefusedWithTheirNumber) {
  EXPECT_EQ(ParseError("5 key-down 1\n4 key-up 1\n"), "line 2: updates must not go back");
  EXPECT_EQ(ParseError("\n\nkey-down 1\n"), "line 3: an update number (0 or more) comes first");
  EXPECT_EQ(ParseError("-1 end\n"), "line 1: an update number (0 or more) comes first");
  EXPECT_EQ(ParseError("1 jump\n"), "line 1: unknown event 'jump'");
  EXPECT_EQ(ParseError("1\n"), "line 1: an event follows the update number");
  EXPECT_EQ(ParseError("1 key-down 512\n"), "line 1: key code must be 0..511");
  EXPECT_EQ(ParseError("1 key-down 8 9\n"), "line 1: key-down takes 1 argument");
  EXPECT_EQ(ParseError("1 joy-axis 0 0 1.5\n"), "line 1: axis value must be -1..1");
  EXPECT_EQ(ParseError("1 joy-axis 0 0 nan\n"), "line 1: axis value must be -1..1");
  EXPECT_EQ(ParseError("1 joy-button 16 0 1\n"), "line 1: joystick must be 0..15");
  EXPECT_EQ(ParseError("1 mouse-down 3 0 0\n"), "line 1: mouse button must be 0..2");
  EXPECT_EQ(ParseError("1 touch-down 32 0 0\n"), "line 1: finger must be 0..31");
  EXPECT_EQ(ParseError("1 motion 0 0 65\n"), "line 1: acceleration must be -64..64 g");
  EXPECT_EQ(ParseError("1 motion 0 0\n"), "line 1: motion takes 3 arguments");
  EXPECT_EQ(ParseError("1 resize 0 480\n"), "line 1: window sides must be 1..16384");
  EXPECT_EQ(ParseError("1 key-down 8x\n"), "line 1: key code must be 0..511");
  EXPECT_EQ(ParseError("99999999999999999999 end\n"), "line 1: an update number (0 or more) comes first");
}

TEST(Timeline, UpdateNumbersStopAtADayOfPlay) {
  std::vector<TimelineEvent> events;
  std::string error;
  ASSERT_TRUE(tvParseTimeline("10 key-down 32\n5184000 end\n", &events, &error)) << error;
  EXPECT_EQ(events.back().update, kTimelineMaxUpdate);
  EXPECT_EQ(ParseError("10 key-down 32\n5184001 end\n"), "line 2: update numbers stop at 5184000, a day of play");
  EXPECT_EQ(ParseError("10 key-down 32\n9223372036854775807 end\n"),
            "line 2: update numbers stop at 5184000, a day of play");
}

TEST(Timeline, ANulByteInALineIsRefusedNotTakenForTheEndOfAWord) {
  using namespace std::string_literals;
  EXPECT_EQ(ParseError("1 end\n10 key-down 32\0garbage\n"s), "line 2: a NUL byte is not text");
  EXPECT_EQ(ParseError("10 key-down 32 # \0\n"s), "line 1: a NUL byte is not text");
}

TEST(Timeline, ATextOverTheSizeLimitIsRefusedWhole) {
  std::string line = "0 close\n";
  std::string text;
  text.reserve(kTimelineMaxBytes + line.size());
  while (static_cast<long>(text.size()) <= kTimelineMaxBytes) text += line;
  EXPECT_EQ(ParseError(text), "a timeline holds at most 32 MiB");
}
