// Unit ButtonList, comparison of bars: which button is which across two bars, what
// counts as the same bar, and the three-way merge's rules.
#include "document/BarCompare.h"
#include "document/ButtonList.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

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
                    D = Button("d.exe", "D"), X = Button("x.exe", "X"), Y = Button("y.exe", "Y"),
                    Sep = Button("");

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
      {"one separator deleted of three",
       {A, Sep, B, Sep, C, Sep},
       {A, B, Sep, C, Sep},
       {},
       {1},
       {},
       {}},
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
                      Bpt = Button("b.exe", "Bt", "-p"), Bq = Button("b.exe", "B", "-q"),
                      SepP = Button("", "", "-p"), SepT = Button("", "T"),
                      SepPT = Button("", "T", "-p");
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
      {"two different separators deleted",
       Bar({A, Sep, B, Sep, C}),
       Bar({A, B, Sep, C}),
       Bar({A, Sep, B, C}),
       {A, B, C},
       {}},
      {"a separator deleted, a later one's tooltip changed",
       Bar({A, Sep, B, Sep, C}),
       Bar({A, B, Sep, C}),
       Bar({A, Sep, B, SepT, C}),
       {A, B, SepT, C},
       {}},
      {"a separator inserted, a later button deleted",
       Bar({A, Sep, B, C}),
       Bar({A, Sep, B, Sep, C}),
       Bar({A, Sep, B}),
       {A, Sep, B, Sep},
       {}},
      {"params and tooltip of one separator",
       Bar({A, Sep, B, Sep, C}),
       Bar({A, Sep, B, SepP, C}),
       Bar({A, Sep, B, SepT, C}),
       {A, Sep, B, SepPT, C},
       {}},
      {"one of two twins deleted on each side: which is unknown",
       Bar({A, A, B}),
       Bar({A, B}),
       Bar({A, B}),
       {A, B},
       {Conflict::Uncertain}},
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

// Random edit pairs on bars full of separators and twins. Each edit knows the base
// buttons it touches (its button, and the two a button is put between); pairs touching
// none in common have one right result: ours' edit, then theirs' on top of it. A clean
// merge must give it; and a diff of one insertion or deletion shows just that.
struct Tagged {
  int Id; // base buttons 0..n-1, added ones above
  ButtonContent Content;
  bool operator==(const Tagged &) const = default;
};
struct Edit {
  enum { Insert, Delete, Change, Move } What;
  int Id = -1;           // the button deleted, changed or moved; or added
  int After = -1;        // Insert, Move: the base button it goes after (-1: first)
  ButtonContent Content; // Insert: the button; Change: its new content
  std::set<int> Touches;
};

int PositionOf(const std::vector<Tagged> &bar, int id) {
  for (int at = 0; at < int(bar.size()); ++at)
    if (bar[size_t(at)].Id == id)
      return at;
  return -1;
}

std::vector<Tagged> Apply(std::vector<Tagged> bar, const Edit &edit) {
  const int at = PositionOf(bar, edit.Id);
  if (edit.What == Edit::Change)
    bar[size_t(at)].Content = edit.Content;
  Tagged moved = at >= 0 ? bar[size_t(at)] : Tagged{edit.Id, edit.Content};
  if (edit.What == Edit::Delete || edit.What == Edit::Move)
    bar.erase(bar.begin() + at);
  if (edit.What == Edit::Insert || edit.What == Edit::Move)
    bar.insert(bar.begin() + (PositionOf(bar, edit.After) + 1), moved);
  return bar;
}

std::vector<ButtonContent> Contents(const std::vector<Tagged> &bar) {
  std::vector<ButtonContent> contents;
  for (const Tagged &button : bar)
    contents.push_back(button.Content);
  return contents;
}

Edit RandomEdit(std::mt19937 &random, const std::vector<Tagged> &base, int newId) {
  const ButtonContent pool[] = {Sep, Sep, A, A, B, Button("", "", "-p")};
  const int n = int(base.size());
  auto pick = [&](int count) { return int(random() % unsigned(count)); };
  Edit edit{Edit::Insert, -1, -1, {}, {}};
  edit.What = n == 0 ? Edit::Insert : decltype(Edit::What)(pick(4));
  if (edit.What == Edit::Insert) {
    const int at = pick(n + 1);
    edit = {Edit::Insert, newId, at - 1, pool[pick(6)], {at - 1, at}};
    return edit;
  }
  const int at = pick(n);
  edit.Id = base[size_t(at)].Id;
  edit.Touches = {edit.Id};
  if (edit.What == Edit::Change) {
    edit.Content = base[size_t(at)].Content;
    std::string &field = edit.Content[size_t(pick(2) ? bfTooltip : bfParams)];
    field = field == "x" ? "y" : "x";
  } else if (edit.What == Edit::Move) {
    const int to = pick(n); // the place among the others
    if (to == at)
      return RandomEdit(random, base, newId);
    edit.After = to == 0 ? -1 : base[size_t(to - (to <= at))].Id;
    const int next = to + (to >= at);
    edit.Touches.insert({edit.After, next < n ? base[size_t(next)].Id : n});
    // A move among equal buttons changes nothing a merge could see.
    if (Contents(Apply(base, edit)) == Contents(base))
      return RandomEdit(random, base, newId);
  }
  return edit;
}

TEST(BarCompare, RandomEditPairsMergeCleanOnlyWhenRight) {
  testsupport::TempDir dir;
  const std::string file = testsupport::WindowsNameOf(dir / "ours.bar");
  const ButtonContent pool[] = {Sep, Sep, Sep, A, A, B, C};
  int clean = 0;
  constexpr int Seeds = 4000;
  for (int seed = 0; seed < Seeds; ++seed) {
    std::mt19937 random{unsigned(seed)};
    std::vector<Tagged> base;
    for (int n = 2 + int(random() % 8); int(base.size()) < n;)
      base.push_back({int(base.size()), pool[random() % 7]});
    const int end = int(base.size());
    const Edit ours = RandomEdit(random, base, end + 1);
    Edit theirs = RandomEdit(random, base, end + 2);
    auto overlaps = [&] {
      return std::any_of(theirs.Touches.begin(), theirs.Touches.end(),
                         [&](int id) { return ours.Touches.count(id) > 0; });
    };
    for (int tries = 0; overlaps() && tries < 100; ++tries)
      theirs = RandomEdit(random, base, end + 2);
    if (overlaps()) // a move in a bar of two touches everything
      continue;
    const auto oursBar = Apply(base, ours), theirsBar = Apply(base, theirs);
    for (const auto &[edit, bar] :
         {std::pair<const Edit *, const std::vector<Tagged> *>(&ours, &oursBar),
          {&theirs, &theirsBar}})
      if (edit->What == Edit::Insert || edit->What == Edit::Delete) {
        const auto diff = barcompare::CompareBars(Bar(Contents(base)), Bar(Contents(*bar)));
        EXPECT_EQ(diff.Added.size() + diff.Removed.size(), 1u) << "seed " << seed;
        EXPECT_TRUE(diff.Moved.empty() && diff.Changed.empty()) << "seed " << seed;
      }
    const BarContent oursContent = Bar(Contents(oursBar));
    const auto merged =
        barcompare::MergeBars(Bar(Contents(base)), oursContent, Bar(Contents(theirsBar)));
    if (!merged.Conflicts.empty())
      continue;
    ++clean;
    ASSERT_EQ(merged.Bar.Buttons, Contents(Apply(oursBar, theirs))) << "seed " << seed;
    // Written over ours' file, it reads back as merged (an empty bar is stored as one
    // empty button, as every save stores it).
    if (seed % 50 == 0 && !merged.Bar.Buttons.empty()) {
      ::ButtonBar bar("", "");
      for (const ButtonContent &content : oursContent.Buttons) {
        bar.Buttons.push_back(std::make_unique<::Button>(barcompare::ButtonOf(content)));
        bar.IconHandles.emplace_back();
      }
      bar.SaveTo(file);
      barcompare::WriteMergedBar(merged, oursContent, file);
      EXPECT_EQ(barcompare::ReadBarContent(file).Buttons, merged.Bar.Buttons) << "seed " << seed;
    }
  }
  // Conflicts are for the pairs equal buttons leave in doubt, not for every pair.
  EXPECT_GT(clean, Seeds * 3 / 4);
}

} // namespace
