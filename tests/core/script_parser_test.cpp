#include <gtest/gtest.h>

#include "app/script.h"

namespace vora::script {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

TouchArg touch(std::string id, double x, double y) {
  TouchArg t;
  t.id = std::move(id);
  t.location = {x, y};
  return t;
}

TEST(ScriptParser, ReadsEveryVerb) {
  TouchArg full = touch("a", -5, 300.5);
  full.force = 2.5;
  full.maximumForce = 5;
  full.pencil = true;
  full.view = TouchView::lock;
  TouchArg other = touch("2", 0, 0);
  other.view = TouchView::other;

  struct Case {
    const char* line;
    Step step;
  };
  const Case cases[] = {
      {"0 appear 800 600", {milliseconds(0), Appear{{800, 600}}}},
      {"  12.5   disappear  ", {nanoseconds(12'500'000), Disappear{}}},
      {"7 began 1@10,20", {milliseconds(7), Touches{Phase::began, {touch("1", 10, 20)}}}},
      {"7 began a@-5,300.5:force=2.5:max=5:pencil:view=lock 2@0,0:view=other",
       {milliseconds(7), Touches{Phase::began, {full, other}}}},
      {"8 moved 1@1,2", {milliseconds(8), Touches{Phase::moved, {touch("1", 1, 2)}}}},
      {"9 ended 1@1,2", {milliseconds(9), Touches{Phase::ended, {touch("1", 1, 2)}}}},
      {"9 cancelled 1@1,2", {milliseconds(9), Touches{Phase::cancelled, {touch("1", 1, 2)}}}},
      {"10 press mode", {milliseconds(10), Press{Button::mode}}},
      {"10 press lock", {milliseconds(10), Press{Button::lock}}},
      {"10 cc 116 127", {milliseconds(10), IncomingCC{116, 127, 0}}},
      {"10 cc 0 0 15", {milliseconds(10), IncomingCC{0, 0, 15}}},
      {"10 setup-changed", {milliseconds(10), SetupChanged{}}},
      {"10 preset User 2", {milliseconds(10), ChoosePreset{Output::user2}}},
      {"10 behavior Legato", {milliseconds(10), ChooseBehavior{NoteBehavior::legato}}},
      {"10 toggle arrows off", {milliseconds(10), Toggle{Switch::arrows, false}}},
      {"10 row controlX 21", {milliseconds(10), RowCommit{prefList::controlX, "21"}}},
      {"10 row synthNote twelve o'clock",
       {milliseconds(10), RowCommit{prefList::synthNote, "twelve o'clock"}}},
      {"10 test controlGate", {milliseconds(10), RowTest{prefList::controlGate}}},
      {"10 look Heat Map  # a comment", {milliseconds(10), TapLook{"Heat Map"}}},
      {"10 settings open", {milliseconds(10), Settings{true}}},
      {"10 settings close", {milliseconds(10), Settings{false}}},
      {"10 dump\r", {milliseconds(10), Dump{}}},
      {".25 dump", {nanoseconds(250'000), Dump{}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const ParsedLine parsed = parseLine(c.line);
    EXPECT_EQ(parsed.error, "");
    ASSERT_TRUE(parsed.step.has_value());
    EXPECT_EQ(*parsed.step, c.step);
  }
}

TEST(ScriptParser, BlankAndCommentLinesHoldNoStep) {
  for (const char* line : {"", "   ", "# just a note", "   # indented note", "\r"}) {
    SCOPED_TRACE(line);
    const ParsedLine parsed = parseLine(line);
    EXPECT_FALSE(parsed.step.has_value());
    EXPECT_EQ(parsed.error, "");
  }
}

TEST(ScriptParser, BadLinesSayWhatIsWrong) {
  struct Case {
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      {"soon dump", "the time 'soon' is not a decimal number of ms"},
      {"1e3 dump", "the time '1e3' is not a decimal number of ms"},
      {"10", "a verb must follow the time"},
      {"10 jump", "unknown verb 'jump'"},
      {"10 DUMP", "unknown verb 'DUMP'"},
      {"100000000 dump", "the time 100000000 ms is beyond the 24 hours a script may run"},
      {"10 appear 800", "appear needs W H (the pad size in points)"},
      {"10 appear 0 600",
       "appear: the pad size must be two decimal numbers above 0 and at most 16384"},
      {"10 disappear now", "disappear takes no arguments"},
      {"10 began", "began needs at least one touch ID@X,Y"},
      {"10 began 1", "touch '1' is not ID@X,Y"},
      {"10 began @1,2", "touch '@1,2' has no usable id before '@'"},
      {"10 began 1@1", "touch 1: position '1' is not X,Y"},
      {"10 began 1@x,2", "touch 1: position 'x,2' is not X,Y"},
      {"10 began 1@1,2:force=-1", "touch 1: force must be a decimal number, 0 or more"},
      {"10 began 1@1,2:max=0", "touch 1: max must be a decimal number above 0"},
      {"10 began 1@1,2:view=window", "touch 1: view must be pad, lock or other"},
      {"10 began 1@1,2:force=1:force=2", "touch 1: force is given twice"},
      {"10 began 1@1,2:hard", "touch 1: unknown option 'hard' (force=, max=, pencil, view=)"},
      {"10 began 1@1,2 1@3,4", "touch 1 is listed twice in one set"},
      {"10 press settings", "unknown button 'settings' (mode, pin, left, right, lock)"},
      {"10 press", "press needs one button: mode, pin, left, right or lock"},
      {"10 cc 128 1", "cc: the controller must be a whole number 0..127"},
      {"10 cc 1 -1", "cc: the value must be a whole number 0..127"},
      {"10 cc 1 1 16", "cc: the channel must be a whole number 0..15 (zero-based)"},
      {"10 cc 1", "cc needs C V [CH]: controller, value and an optional channel"},
      {"10 preset user 2",
       "unknown preset 'user 2' (Ableton, Bitwig, Rev2, User 1, User 2, User 3)"},
      {"10 behavior legato", "unknown behavior 'legato' (Legato, Retrigger)"},
      {"10 toggle pin on", "unknown toggle 'pin' (arrows, lock)"},
      {"10 toggle lock yes", "toggle lock: 'yes' is not on or off"},
      {"10 row controlx 5", "unknown preference 'controlx' (synthChannel ... controlGate)"},
      {"10 row controlX", "row needs PREF TEXT: the text typed into the row"},
      {"10 test", "test needs a preference name (synthX ...)"},
      {"10 test synthX now", "test takes only a preference name"},
      {"10 look", "look needs a look name"},
      {"10 settings toggle", "settings: 'toggle' is not open or close"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const ParsedLine parsed = parseLine(c.line);
    EXPECT_FALSE(parsed.step.has_value());
    EXPECT_EQ(parsed.error, c.error);
  }
}

TEST(ScriptParser, TimesAreExactToTheNanosecondAndPrintWithThreeDecimals) {
  EXPECT_EQ(parseMilliseconds("7"), milliseconds(7));
  EXPECT_EQ(parseMilliseconds("0.000001"), nanoseconds(1));
  EXPECT_EQ(parseMilliseconds("0.0000019"), nanoseconds(1));
  EXPECT_EQ(parseMilliseconds("16.666667"), nanoseconds(16'666'667));
  EXPECT_EQ(parseMilliseconds("-2"), milliseconds(-2));
  EXPECT_EQ(parseMilliseconds("2."), milliseconds(2));
  EXPECT_EQ(parseMilliseconds("."), std::nullopt);
  EXPECT_EQ(parseMilliseconds("nan"), std::nullopt);
  EXPECT_EQ(formatMilliseconds(milliseconds(10)), "10.000");
  EXPECT_EQ(formatMilliseconds(nanoseconds(16'666'667)), "16.666");
  EXPECT_EQ(formatMilliseconds(nanoseconds(0)), "0.000");
}

}  // namespace
}  // namespace vora::script
