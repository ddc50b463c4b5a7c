// Unit ButtonList, comparison of bars: which button is which across two bars, what
// counts as the same bar, and the three-way merge's rules.
#include "document/BarCompare.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using barcompare::BarContent;
using barcompare::ButtonContent;
using barcompare::Conflict;

namespace {

ButtonContent Button(const std::string &command, const std::string &tooltip = "",
                     const std::string &params = "") {
  return {"", command, params, "", tooltip, "0"};
}

BarContent Bar(std::vector<ButtonContent> buttons, std::map<std::string, std::string> keys = {}) {
  BarContent bar{std::move(buttons), {}};
  for (const auto &[key, value] : keys)
    bar.Others[std::string("s") + '\0' + key] = {"S", key, value};
  return bar;
}

const ButtonContent A = Button("a.exe", "A"), B = Button("b.exe", "B"), C = Button("c.exe", "C"),
                    D = Button("d.exe", "D"), X = Button("x.exe", "X"), Y = Button("y.exe", "Y");

struct MatchCase {
  const char *name;
  std::vector<ButtonContent> older, newer;
  std::vector<int> added, removed;
  std::vector<std::pair<int, int>> moved, changed;
};

TEST(BarCompare, MatchesButtonsAcrossBars) {
  const ButtonContent Sep1 = Button("cm_Sep", "", "1"), Sep2 = Button("cm_Sep", "", "2"),
                      Sep3 = Button("cm_Sep", "", "3");
  const MatchCase cases[] = {
      {"identical", {A, B, C}, {A, B, C}, {}, {}, {}, {}},
      {"insert", {A, B, C}, {A, X, B, C}, {1}, {}, {}, {}},
      {"delete", {A, B, C}, {A, C}, {}, {1}, {}, {}},
      {"one move is one button moved", {A, B, C, D}, {B, C, A, D}, {}, {}, {{0, 2}}, {}},
      {"tooltip changed", {A, B, C}, {A, Button("b.exe", "Bee"), C}, {}, {}, {}, {{1, 1}}},
      {"changed and moved",
       {A, B, C},
       {B, C, Button("a.exe", "A", "-p")},
       {},
       {},
       {{0, 2}},
       {{0, 2}}},
      {"rewritten in place", {A, B, C}, {A, X, C}, {}, {}, {}, {{1, 1}}},
      {"replaced at the end", {A, B}, {A, X}, {}, {}, {}, {{1, 1}}},
      {"not in place: added and removed", {A, B, C}, {A, C, X}, {2}, {1}, {}, {}},
      {"duplicates pair in order", {A, A, A}, {A, A}, {}, {2}, {}, {}},
      {"duplicate removed between", {A, B, A}, {A, A}, {}, {1}, {}, {}},
      {"same command, nearest changed", {Sep1, Sep2}, {Sep1, Sep3}, {}, {}, {}, {{1, 1}}},
      {"all new", {}, {A, B}, {0, 1}, {}, {}, {}},
  };
  for (const auto &c : cases) {
    const auto diff = barcompare::CompareBars(Bar(c.older), Bar(c.newer));
    std::vector<std::pair<int, int>> moved, changed;
    for (const auto &m : diff.Moved)
      moved.emplace_back(m.From, m.To);
    for (const auto &m : diff.Changed)
      changed.emplace_back(m.OldPosition, m.NewPosition);
    EXPECT_EQ(diff.Added, c.added) << c.name;
    EXPECT_EQ(diff.Removed, c.removed) << c.name;
    EXPECT_EQ(moved, c.moved) << c.name;
    EXPECT_EQ(changed, c.changed) << c.name;
    EXPECT_EQ(diff.Same(),
              c.added.empty() && c.removed.empty() && c.moved.empty() && c.changed.empty())
        << c.name;
  }
}

TEST(BarCompare, ReportsTheChangedFieldsAndKeys) {
  const auto diff =
      barcompare::CompareBars(Bar({A}, {{"k", "1"}, {"gone", "x"}}),
                              Bar({Button("a.exe", "Ay")}, {{"k", "2"}, {"new", "y"}}));
  ASSERT_EQ(diff.Changed.size(), 1u);
  ASSERT_EQ(diff.Changed[0].Fields.size(), 1u);
  EXPECT_EQ(diff.Changed[0].Fields[0].Field, 4);
  EXPECT_EQ(diff.Changed[0].Fields[0].Old, "A");
  EXPECT_EQ(diff.Changed[0].Fields[0].New, "Ay");
  std::vector<std::string> keys;
  for (const auto &k : diff.Keys)
    keys.push_back(k.Key + ":" + k.Old.value_or("-") + ">" + k.New.value_or("-"));
  EXPECT_EQ(keys, (std::vector<std::string>{"gone:x>-", "k:1>2", "new:->y"}));
}

// Bars Total Commander reads alike are the same bar, however they are written.
TEST(BarCompare, SpellingAndEncodingMakeNoDifference) {
  testsupport::TempDir dir;
  const std::string plain = "[Buttonbar]\r\nButtoncount=2\r\ncmd1=c:\\a b\\x.exe\r\nmenu1=One\r\n"
                            "cmd2=cm_Foo\r\n[Extra]\r\nkey=v\r\n";
  struct Case {
    const char *name;
    std::string bytes;
    bool same;
  } cases[] = {
      {"key case and order, quotes, empty keys",
       "[BUTTONBAR]\nCMD2=cm_Foo\nmenu1=' One '\nbuttoncount=2\nparam2=\nCmd1=\"c:\\a b\\x.exe\"\n"
       "[extra]\nKEY=v\n",
       false},
      {"quotes that read back the same",
       "[Buttonbar]\r\nButtoncount=2\r\ncmd1=\"c:\\a b\\x.exe\"\r\nmenu1=\"One\"\r\n"
       "cmd2=  cm_Foo\r\niconic2=0\r\n[Extra]\r\nkey='v'\r\n",
       true},
      {"UTF-16",
       testsupport::Utf16File(u"[Buttonbar]\r\nButtoncount=2\r\ncmd1=c:\\a b\\x.exe\r\n"
                              u"menu1=One\r\ncmd2=cm_Foo\r\n[Extra]\r\nkey=v\r\n"),
       true},
      {"another key value",
       "[Buttonbar]\r\nButtoncount=2\r\ncmd1=c:\\a b\\x.exe\r\nmenu1=One\r\n"
       "cmd2=cm_Foo\r\n[Extra]\r\nkey=w\r\n",
       false},
  };
  testsupport::WriteBytes(dir / "plain.bar", plain);
  const auto reference =
      barcompare::ReadBarContent(testsupport::WindowsNameOf((dir / "plain.bar")));
  int n = 0;
  for (const auto &c : cases) {
    const auto file = dir / ("other" + std::to_string(n++) + ".bar");
    testsupport::WriteBytes(file, c.bytes);
    const auto diff = barcompare::CompareBars(
        reference, barcompare::ReadBarContent(testsupport::WindowsNameOf(file)));
    EXPECT_EQ(diff.Same(), c.same) << c.name;
  }
}

struct MergeCase {
  const char *name;
  BarContent base, ours, theirs;
  std::vector<ButtonContent> result;
  std::vector<Conflict::Kind> conflicts;
  std::map<std::string, std::string> keys = {};
};

TEST(BarCompare, MergesThreeWays) {
  const ButtonContent Bp = Button("b.exe", "B", "-p"), Bt = Button("b.exe", "Bt"),
                      Bpt = Button("b.exe", "Bt", "-p"), Bq = Button("b.exe", "B", "-q");
  const MergeCase cases[] = {
      {"one side only", Bar({A, B}), Bar({A, B}), Bar({A, Bt}), {A, Bt}, {}},
      {"our side only", Bar({A, B}), Bar({B}), Bar({A, B}), {B}, {}},
      {"insert here, tooltip there",
       Bar({A, B, C}),
       Bar({X, A, B, C}),
       Bar({A, B, Button("c.exe", "Cc")}),
       {X, A, B, Button("c.exe", "Cc")},
       {}},
      {"different fields of one button", Bar({A, B}), Bar({A, Bp}), Bar({A, Bt}), {A, Bpt}, {}},
      {"same field, different values",
       Bar({A, B}),
       Bar({A, Bp}),
       Bar({A, Bq}),
       {A, Bp},
       {Conflict::FieldChanged}},
      {"deleted by ours, changed by theirs",
       Bar({A, B}),
       Bar({A}),
       Bar({A, Bt}),
       {A},
       {Conflict::DeletedByOurs}},
      {"changed by ours, deleted by theirs",
       Bar({A, B}),
       Bar({A, Bt}),
       Bar({A}),
       {A, Bt},
       {Conflict::DeletedByTheirs}},
      {"deleted on both sides", Bar({A, B}), Bar({A}), Bar({A}), {A}, {}},
      {"same change on both sides", Bar({A, B}), Bar({A, Bt}), Bar({A, Bt}), {A, Bt}, {}},
      {"same insert on both sides", Bar({A, B}), Bar({A, X, B}), Bar({A, X, B}), {A, X, B}, {}},
      {"two inserts at different places",
       Bar({A, B, C}),
       Bar({A, X, B, C}),
       Bar({A, B, C, Y}),
       {A, X, B, C, Y},
       {}},
      {"two inserts at one place: ours first",
       Bar({A, B}),
       Bar({A, X, B}),
       Bar({A, Y, B}),
       {A, X, Y, B},
       {}},
      {"moved there, changed here",
       Bar({A, B, C}),
       Bar({A, B, Button("c.exe", "C", "-p")}),
       Bar({C, A, B}),
       {Button("c.exe", "C", "-p"), A, B},
       {}},
      {"moved to different places",
       Bar({A, B, C, D, X}),
       Bar({B, C, A, D, X}),
       Bar({B, C, D, A, X}),
       {B, C, A, D, X},
       {Conflict::MovedBoth}},
      {"moved to one place", Bar({A, B, C}), Bar({B, C, A}), Bar({B, C, A}), {B, C, A}, {}},
      {"keys of other sections",
       Bar({A}, {{"k", "1"}, {"j", "1"}, {"gone", "1"}}),
       Bar({A}, {{"k", "2"}, {"j", "1"}, {"gone", "1"}}),
       Bar({A}, {{"k", "1"}, {"j", "3"}}),
       {A},
       {},
       {{"j", "3"}, {"k", "2"}}},
      {"a key changed on both sides",
       Bar({A}, {{"k", "1"}}),
       Bar({A}, {{"k", "2"}}),
       Bar({A}, {{"k", "3"}}),
       {A},
       {Conflict::KeyChanged},
       {{"k", "2"}}},
  };
  for (const auto &c : cases) {
    const auto merged = barcompare::MergeBars(c.base, c.ours, c.theirs);
    EXPECT_EQ(merged.Bar.Buttons, c.result) << c.name;
    std::vector<Conflict::Kind> kinds;
    for (const auto &conflict : merged.Conflicts)
      kinds.push_back(conflict.What);
    EXPECT_EQ(kinds, c.conflicts) << c.name;
    std::map<std::string, std::string> keys;
    for (const auto &[id, key] : merged.Bar.Others)
      keys[key.Key] = key.Value;
    EXPECT_EQ(keys, c.keys) << c.name;
  }
}

// A field conflict names the button where it ended up and both values.
TEST(BarCompare, ConflictNamesButtonFieldAndValues) {
  const auto merged = barcompare::MergeBars(Bar({A, B}), Bar({X, A, Button("b.exe", "Ours")}),
                                            Bar({A, Button("b.exe", "Theirs")}));
  ASSERT_EQ(merged.Conflicts.size(), 1u);
  EXPECT_EQ(merged.Conflicts[0].Position, 2);
  EXPECT_EQ(merged.Conflicts[0].Field, 4);
  EXPECT_EQ(merged.Conflicts[0].Ours, "Ours");
  EXPECT_EQ(merged.Conflicts[0].Theirs, "Theirs");
}

} // namespace
