// Unit BarEdits: every edit undone restores the bar exactly, redone repeats it, and the
// flags follow the editor's rules and the saves in between. The bar is the example
// installation's, its icons those of the example Total Commander folder.
#include "document/BarEdits.h"
#include "document/FileNames.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <tuple>

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WindowsNameOf;

namespace {

std::filesystem::path Examples() {
  return std::filesystem::canonical(testsupport::TestData("../../examples"));
}

class BarEditsTest : public ::testing::Test {
protected:
  BarEditsTest() : commander_("COMMANDER_PATH", WindowsNameOf(Examples() / "totalcmd").c_str()) {
    platform::FlushProfileCache();
  }

  // What saving the bar writes, the bar file and its cache, each time into the same
  // empty folder, so that no earlier save shows through.
  std::pair<std::string, std::string> Saved(ButtonBar &bar) {
    std::filesystem::remove(dir / "t.bar");
    std::filesystem::remove(dir / "t.icl");
    bar.SaveTo(WindowsNameOf(dir / "t.bar"));
    platform::FlushProfileCache();
    const bool cached = std::filesystem::exists(dir / "t.icl");
    return {ReadBytes(dir / "t.bar"), cached ? ReadBytes(dir / "t.icl") : ""};
  }

  TempDir dir;
  testsupport::ScopedEnv commander_;
};

// The pixels of each button's icon handle, empty for none.
std::vector<std::vector<uint32_t>> Icons(const ButtonBar &bar) {
  std::vector<std::vector<uint32_t>> icons;
  for (int i = 0; i < bar.Count(); ++i)
    icons.push_back(bar.IconHandle(i) ? bar.IconHandle(i).Pixels()->argb : std::vector<uint32_t>{});
  return icons;
}

// A random edit that fits the bar, of every kind, with texts of any 8-bit character but
// line breaks; every tenth one cannot be applied.
class RandomEdits {
public:
  explicit RandomEdits(unsigned seed) : random_(seed) {}

  bool OneIn(int n) { return Pick(n) == 0; }

  edits::Edit Next(const ButtonBar &bar) {
    const int count = bar.Count();
    if (Pick(10) == 0)
      return Failing(count);
    switch (Pick(10)) {
    case 0:
      return edits::Add(After(count));
    case 1:
      return edits::Insert(Pick(count + 1));
    case 2:
      return edits::Delete(Pick(count + 1) - 1, Pick(2) == 0);
    case 3:
      return count ? edits::Move(Pick(count), Pick(count)) : edits::Add(std::nullopt);
    case 4:
      return count ? edits::SetField(Pick(count), Pick(6), FieldText()) : edits::Insert(0);
    case 5:
      return edits::Paste(After(count), {Text(), Text(), IconRef(), Text(), Text(), RunMode()});
    case 6:
      return count ? edits::Clone(Pick(count)) : edits::Add(std::nullopt);
    case 7:
      return edits::DropFiles({Program(), Program()}, After(count));
    case 8:
      return count ? edits::ChooseCommand(Pick(count), {IconRef(), "cm_" + Text(), Tooltip()})
                   : edits::Add(-1);
    default:
      return edits::SetCacheMode(static_cast<uint8_t>(Pick(3)));
    }
  }

private:
  int Pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random_); }
  std::string Text() {
    std::string text(static_cast<size_t>(Pick(12)), ' ');
    for (char &c : text)
      c = static_cast<char>(32 + Pick(224));
    return text;
  }
  std::string IconRef() {
    static const char *const refs[] = {"wcmicons.dll,13",
                                       "WCMICONS.DLL,0",
                                       "missing.dll,2",
                                       "",
                                       "%COMMANDER_PATH%\\icons\\star.ico",
                                       ",0",
                                       "%COMMANDER_PATH%\\tools\\sums.exe,1"};
    return refs[Pick(7)];
  }
  std::string RunMode() { return std::to_string(Pick(5) - 2); }
  std::string FieldText() { return Pick(3) == 0 ? IconRef() : Pick(2) ? Text() : RunMode(); }
  std::optional<std::string> Tooltip() { return Pick(2) ? std::optional(Text()) : std::nullopt; }
  std::string Program() {
    return Pick(2) ? WindowsNameOf(Examples() / "totalcmd" / "tools" / "notes.exe")
                   : "C:\\x\\y.exe";
  }
  edits::After After(int count) {
    return Pick(3) == 0 ? std::nullopt : edits::After(Pick(count + 1) - 1);
  }
  // Each fails after the bar was partly changed, but for the position out of range.
  edits::Edit Failing(int count) {
    switch (Pick(4)) {
    case 0:
      return edits::SetField(Pick(count + 1) - 1, bfRunMode, "max");
    case 1:
      return edits::DropFiles({Program(), "C:\\a\r\nb.exe"}, After(count));
    case 2:
      return edits::ChooseCommand(Pick(count + 1) - 1, {IconRef(), "cm_x", "a\nb"});
    default:
      return edits::Move(count, 0);
    }
  }
  std::mt19937 random_;
};

TEST_F(BarEditsTest, EditsUndoneSaveTheBarAsLoadedAndRedoneSaveTheEditedBar) {
  ButtonBar bar(WindowsNameOf(Examples() / "bars" / "tools.bar"), "");
  const auto loaded = Saved(bar);
  const auto loadedIcons = Icons(bar);
  edits::History history(bar);
  RandomEdits random(20240607);
  int selection = 0, failed = 0;
  for (int i = 0; i < 400; ++i) {
    if (random.OneIn(12) && history.CanUndo()) {
      selection = history.Undo();
      continue;
    }
    if (random.OneIn(12) && history.CanRedo()) {
      selection = history.Redo();
      continue;
    }
    const auto before = std::tuple(bar.Modified, bar.IconsChanged, history.CanRedo());
    try {
      selection = history.Do(random.Next(bar), selection);
    } catch (const std::exception &) {
      // The buttons are as they were, or the undos below would show it.
      EXPECT_EQ(std::tuple(bar.Modified, bar.IconsChanged, history.CanRedo()), before);
      ++failed;
    }
  }
  ASSERT_GT(failed, 10);
  while (history.CanRedo())
    history.Redo();
  const auto edited = Saved(bar);
  const auto editedIcons = Icons(bar);
  ASSERT_NE(edited.first, loaded.first);
  ASSERT_NE(edited.second, "") << "the edited bar has icons to cache";
  while (history.CanUndo())
    history.Undo();
  EXPECT_EQ(Saved(bar).first, loaded.first);
  EXPECT_EQ(Icons(bar), loadedIcons);
  EXPECT_FALSE(bar.Modified);
  while (history.CanRedo())
    history.Redo();
  const auto redone = Saved(bar);
  EXPECT_EQ(redone.first, edited.first);
  EXPECT_TRUE(redone.second == edited.second) << "the same icon cache";
  EXPECT_EQ(Icons(bar), editedIcons);
}

TEST_F(BarEditsTest, EachEditSetsTheEditorsFlagsAndSelection) {
  const std::string program = WindowsNameOf(Examples() / "totalcmd" / "tools" / "sums.exe");
  const ClipboardButtonLines pasted = {"c", "", "", "", "", ""};
  const CommandChoice choice = {"x.dll,1", "cm_X", {}};
  struct Case {
    const char *name;
    edits::Edit edit;
    bool iconsChanged;
    int selection; // the selection before is 1
    int count;     // of four buttons
  };
  Case cases[] = {
      {"Add", edits::Add(std::nullopt), false, 4, 5},
      {"Add", edits::Add(-1), false, 0, 5},
      {"Insert", edits::Insert(3), false, 3, 5},
      {"Delete", edits::Delete(3), true, 2, 3},
      {"Delete", edits::Delete(-1), true, 1, 4},
      {"Move", edits::Move(0, 2), true, 2, 4},
      {"Move", edits::Move(1, 1), true, 1, 4},
      {"Edit", edits::SetField(0, bfParams, "-x"), false, 0, 4},
      {"Edit", edits::SetField(0, bfRunMode, "1"), false, 0, 4},
      {"Edit", edits::SetField(2, bfIconRef, "wcmicons.dll,2"), true, 2, 4},
      {"Paste", edits::Paste(0, pasted), true, 1, 5},
      {"Clone", edits::Clone(2), true, 3, 5},
      {"Drop files", edits::DropFiles({program, program}, std::nullopt), true, 5, 6},
      {"Choose command", edits::ChooseCommand(0, choice), true, 0, 4},
      {"Cache mode", edits::SetCacheMode(CacheLinks), false, 1, 4},
  };
  ButtonBar bar(WindowsNameOf(Examples() / "bars" / "more.bar"), "");
  ASSERT_EQ(bar.Count(), 4);
  edits::History history(bar);
  for (auto &c : cases) {
    SCOPED_TRACE(c.name + std::string(" to selection ") + std::to_string(c.selection));
    EXPECT_EQ(history.Do(std::move(c.edit), 1), c.selection);
    EXPECT_EQ(history.UndoName(), c.name);
    EXPECT_EQ(bar.Modified, c.name != std::string("Cache mode"));
    EXPECT_EQ(bar.IconsChanged, c.iconsChanged);
    EXPECT_EQ(bar.Count(), c.count);
    EXPECT_EQ(history.Undo(), 1);
    EXPECT_FALSE(bar.Modified || bar.IconsChanged);
    EXPECT_EQ(history.RedoName(), c.name);
  }
  // Edits that fail part way leave the buttons, the flags and the edit to redo as they were.
  const CommandChoice badTooltip = {"x.dll,1", "cm_X", "a\r\nb"};
  const ClipboardButtonLines badRunMode = {"c", "", "x.dll", "", "", "max"};
  edits::Edit failing[] = {edits::ChooseCommand(0, badTooltip),
                           edits::DropFiles({program, "a\nb"}, std::nullopt)};
  for (edits::Edit &edit : failing) {
    EXPECT_ANY_THROW(history.Do(std::move(edit), 1));
    EXPECT_EQ(bar.Count(), 4);
    EXPECT_EQ(bar.GetField(0, bfCommand), "cm_SrcBrief");
    EXPECT_FALSE(bar.Modified || bar.IconsChanged);
    EXPECT_EQ(history.RedoName(), "Cache mode");
  }
  // A paste whose run mode is no number goes as far as the editor's Paste goes, and is
  // reported once it can be undone.
  EXPECT_THROW(history.Do(edits::Paste(0, badRunMode), 1), EConvertError);
  EXPECT_EQ(bar.Count(), 5);
  EXPECT_EQ(bar.GetField(1, bfCommand), "c");
  EXPECT_EQ(bar.GetField(1, bfRunMode), "0");
  EXPECT_EQ(history.UndoName(), "Paste");
  history.Undo();
  EXPECT_EQ(bar.Count(), 4);
}

TEST_F(BarEditsTest, ModifiedFollowsTheLastSaveAndIconsChangedOutlivesOne) {
  ButtonBar bar(WindowsNameOf(Examples() / "bars" / "more.bar"), "");
  edits::History history(bar);
  struct Step {
    const char *action;
    bool modified, iconsChanged;
  } steps[] = {
      {"tooltip", true, false}, {"undo", false, false}, {"redo", true, false},
      {"save", false, false},   {"icon", true, true},   {"undo", false, false},
      {"undo", true, false},    {"redo", false, false}, {"icon", true, true},
      {"save", false, true},    {"undo", true, true},   {"undo", true, true},
      {"redo", true, true},     {"redo", false, true},  {"undo", true, true},
      {"tooltip", true, true},  {"undo", true, true},
  };
  int n = 0;
  for (const auto &step : steps) {
    SCOPED_TRACE(std::to_string(++n) + " " + step.action);
    const std::string action = step.action;
    if (action == "tooltip")
      history.Do(edits::SetField(0, bfTooltip, "t" + std::to_string(n)), 0);
    else if (action == "icon")
      history.Do(edits::SetField(0, bfIconRef, "wcmicons.dll," + std::to_string(n)), 0);
    else if (action == "undo")
      history.Undo();
    else if (action == "redo")
      history.Redo();
    else {
      bar.SaveTo(WindowsNameOf(dir / "t.bar"));
      history.MarkSaved();
    }
    EXPECT_EQ(bar.Modified, step.modified);
    EXPECT_EQ(bar.IconsChanged, step.iconsChanged);
  }
}

TEST_F(BarEditsTest, DeletedButtonComesBackWithItsOwnIconHandle) {
  ButtonBar bar(WindowsNameOf(Examples() / "bars" / "more.bar"), "");
  for (bool keepOne : {true, false}) {
    SCOPED_TRACE(keepOne);
    while (bar.Count() > 1)
      bar.Delete(1);
    const std::string ref = bar.GetField(0, bfIconRef);
    const platform::IconPixels *icon = bar.IconHandle(0).Pixels();
    ASSERT_NE(icon, nullptr);
    edits::History history(bar);
    EXPECT_EQ(history.Do(edits::Delete(0, keepOne), 0), keepOne ? 0 : -1);
    EXPECT_EQ(bar.Count(), keepOne ? 1 : 0) << "the editor's bar keeps one empty button";
    EXPECT_EQ(bar.GetField(0, bfIconRef), "");
    history.Undo();
    ASSERT_EQ(bar.Count(), 1);
    EXPECT_EQ(bar.GetField(0, bfIconRef), ref);
    EXPECT_EQ(bar.IconHandle(0).Pixels(), icon);
  }
}

} // namespace
