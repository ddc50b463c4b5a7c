#include "document/BarCompare.h"
#include "document/ButtonList.h"
#include "platform/Profile.h"
#include "platform/TextRules.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <functional>
#include <list>
#include <unordered_map>

namespace barcompare {

namespace {

const char *const BarSection = "Buttonbar";
const char *const CacheSection = "AlternativeCache";

struct ContentHash {
  size_t operator()(const ButtonContent &content) const {
    size_t hash = 0;
    for (const auto &field : content)
      hash = hash * 1000003u ^ std::hash<std::string>()(field);
    return hash;
  }
};

std::string OtherKeyId(const std::string &section, const std::string &key) {
  return platform::LowerText(section) + '\0' + platform::LowerText(key);
}

// The names of the file's sections, in file order.
std::vector<std::string> SectionNames(const std::string &fileName) {
  std::vector<char> buffer(4096);
  for (;;) {
    const uint32_t size = static_cast<uint32_t>(buffer.size());
    const uint32_t length =
        platform::GetPrivateProfileSectionNamesA(buffer.data(), size, fileName.c_str());
    if (length + 2 < size || size >= (1u << 30)) {
      std::vector<std::string> names;
      for (size_t start = 0; start < length;) {
        names.emplace_back(buffer.data() + start);
        start += names.back().size() + 1;
      }
      return names;
    }
    buffer.resize(buffer.size() * 2);
  }
}

// Pairs identical buttons, the k-th of a kind with the k-th.
void MatchIdentical(const std::vector<ButtonContent> &older,
                    const std::vector<ButtonContent> &newer, Matching &m) {
  std::unordered_map<ButtonContent, std::vector<int>, ContentHash> positions;
  for (int i = 0; i < int(older.size()); ++i)
    positions[older[size_t(i)]].push_back(i);
  std::unordered_map<ButtonContent, size_t, ContentHash> taken;
  for (int j = 0; j < int(newer.size()); ++j) {
    auto found = positions.find(newer[size_t(j)]);
    if (found == positions.end())
      continue;
    size_t &next = taken[newer[size_t(j)]];
    if (next >= found->second.size())
      continue;
    const int i = found->second[next++];
    m.NewOfOld[size_t(i)] = j;
    m.OldOfNew[size_t(j)] = i;
  }
}

int EqualFields(const ButtonContent &a, const ButtonContent &b) {
  int equal = 0;
  for (int field = 0; field < FieldCount; ++field)
    equal += a[size_t(field)] == b[size_t(field)];
  return equal;
}

// Pairs what is left by a shared command or tooltip: most fields equal, then nearest.
void MatchSimilar(const std::vector<ButtonContent> &older, const std::vector<ButtonContent> &newer,
                  Matching &m) {
  // How many old buttons of one command or tooltip are looked at on either side of the
  // new button's position.
  constexpr int Reach = 4;
  const int keyFields[] = {bfCommand, bfTooltip};
  std::unordered_map<std::string, std::vector<int>> byValue[2];
  for (int i = 0; i < int(older.size()); ++i)
    if (m.NewOfOld[size_t(i)] < 0)
      for (int k = 0; k < 2; ++k)
        if (!older[size_t(i)][size_t(keyFields[k])].empty())
          byValue[k][older[size_t(i)][size_t(keyFields[k])]].push_back(i);
  for (int j = 0; j < int(newer.size()); ++j) {
    if (m.OldOfNew[size_t(j)] >= 0)
      continue;
    int best = -1, bestEqual = -1, bestDistance = 0;
    auto consider = [&](int i) {
      if (m.NewOfOld[size_t(i)] >= 0)
        return;
      const int equal = EqualFields(older[size_t(i)], newer[size_t(j)]);
      const int distance = std::abs(i - j);
      if (equal > bestEqual || (equal == bestEqual && distance < bestDistance)) {
        best = i;
        bestEqual = equal;
        bestDistance = distance;
      }
    };
    for (int k = 0; k < 2; ++k) {
      const std::string &value = newer[size_t(j)][size_t(keyFields[k])];
      if (value.empty())
        continue;
      auto found = byValue[k].find(value);
      if (found == byValue[k].end())
        continue;
      const std::vector<int> &list = found->second;
      const auto middle = std::lower_bound(list.begin(), list.end(), j) - list.begin();
      for (auto at = std::max<ptrdiff_t>(0, middle - Reach);
           at < std::min<ptrdiff_t>(ptrdiff_t(list.size()), middle + Reach); ++at)
        consider(list[size_t(at)]);
    }
    if (best >= 0) {
      m.NewOfOld[size_t(best)] = j;
      m.OldOfNew[size_t(j)] = best;
    }
  }
}

// Pairs a button replaced in place: its neighbours on both sides are partners.
void MatchInPlace(size_t oldCount, size_t newCount, Matching &m) {
  const int olds = int(oldCount), news = int(newCount);
  for (int j = 0; j < news; ++j) {
    if (m.OldOfNew[size_t(j)] >= 0)
      continue;
    int i = -1;
    if (j == 0)
      i = 0;
    else if (m.OldOfNew[size_t(j - 1)] >= 0)
      i = m.OldOfNew[size_t(j - 1)] + 1;
    if (i < 0 || i >= olds || m.NewOfOld[size_t(i)] >= 0)
      continue;
    const bool nextAgrees = (j + 1 == news && i + 1 == olds) ||
                            (j + 1 < news && i + 1 < olds && m.OldOfNew[size_t(j + 1)] == i + 1);
    if (!nextAgrees)
      continue;
    m.NewOfOld[size_t(i)] = j;
    m.OldOfNew[size_t(j)] = i;
  }
}

// Marks the pairs off the longest run that keeps the old order as moved.
void MarkMoved(Matching &m) {
  std::vector<int> pairs; // new positions of paired buttons, in new order
  for (int j = 0; j < int(m.OldOfNew.size()); ++j)
    if (m.OldOfNew[size_t(j)] >= 0)
      pairs.push_back(j);
  std::vector<int> tails;                      // tails[l]: index into pairs ending a run l+1
  std::vector<int> previous(pairs.size(), -1); // the run's element before each
  for (int p = 0; p < int(pairs.size()); ++p) {
    const int old = m.OldOfNew[size_t(pairs[size_t(p)])];
    auto at = std::lower_bound(tails.begin(), tails.end(), old, [&](int t, int value) {
      return m.OldOfNew[size_t(pairs[size_t(t)])] < value;
    });
    if (at != tails.begin())
      previous[size_t(p)] = *(at - 1);
    if (at == tails.end())
      tails.push_back(p);
    else
      *at = p;
  }
  for (int j : pairs)
    m.MovedNew[size_t(j)] = true;
  for (int p = tails.empty() ? -1 : tails.back(); p >= 0; p = previous[size_t(p)])
    m.MovedNew[size_t(pairs[size_t(p)])] = false;
}

std::vector<FieldChange> FieldChanges(const ButtonContent &older, const ButtonContent &newer) {
  std::vector<FieldChange> changes;
  for (int field = 0; field < FieldCount; ++field)
    if (older[size_t(field)] != newer[size_t(field)])
      changes.push_back({field, older[size_t(field)], newer[size_t(field)]});
  return changes;
}

std::optional<std::string> ValueOf(const OtherKeys &keys, const std::string &id) {
  auto found = keys.find(id);
  return found == keys.end() ? std::nullopt : std::optional<std::string>(found->second.Value);
}

// The merge of one value: one side's change is taken, a change of both to different
// values keeps ours and is a conflict.
template <class T> T MergeValue(const T &base, const T &ours, const T &theirs, bool &conflict) {
  conflict = false;
  if (ours == theirs || theirs == base)
    return ours;
  if (ours == base)
    return theirs;
  conflict = true;
  return ours;
}

// One button of the merged bar: its base position (-1 for one added) and whether theirs
// added it.
struct Entry {
  ButtonContent Content;
  int Base = -1;
  bool AddedByTheirs = false;
  std::vector<Conflict> Conflicts;
};

class ButtonMerge {
public:
  ButtonMerge(const BarContent &base, const BarContent &ours, const BarContent &theirs)
      : base_(base.Buttons), ours_(ours.Buttons), theirs_(theirs.Buttons),
        toOurs_(MatchButtons(base_, ours_)), toTheirs_(MatchButtons(base_, theirs_)),
        place_(base_.size(), entries_.end()) {}

  void Run(MergeResult &result) {
    TakeOurs();
    NoteDeletedByOurs();
    PlaceTheirs();
    for (const Entry &entry : entries_) {
      for (Conflict conflict : entry.Conflicts) {
        conflict.Position = int(result.Bar.Buttons.size());
        result.Conflicts.push_back(std::move(conflict));
      }
      result.Bar.Buttons.push_back(entry.Content);
    }
    result.Conflicts.insert(result.Conflicts.end(), deleted_.begin(), deleted_.end());
  }

private:
  // Ours' buttons in ours' order, each with theirs' changes to it.
  void TakeOurs() {
    for (int j = 0; j < int(ours_.size()); ++j) {
      const int b = toOurs_.OldOfNew[size_t(j)];
      Entry entry{ours_[size_t(j)], b, false, {}};
      if (b < 0) {
        ++oursAdded_[entry.Content];
      } else if (const int t = toTheirs_.NewOfOld[size_t(b)]; t < 0) {
        if (ours_[size_t(j)] == base_[size_t(b)])
          continue;
        entry.Conflicts.push_back(
            {Conflict::DeletedByTheirs, -1, -1, {}, {}, "changed", "deleted"});
      } else {
        MergeFields(base_[size_t(b)], theirs_[size_t(t)], entry);
      }
      entries_.push_back(std::move(entry));
      if (b >= 0)
        place_[size_t(b)] = std::prev(entries_.end());
    }
  }

  static void MergeFields(const ButtonContent &base, const ButtonContent &theirs, Entry &entry) {
    for (size_t field = 0; field < size_t(FieldCount); ++field) {
      bool conflict = false;
      const std::string ours = entry.Content[field];
      entry.Content[field] = MergeValue(base[field], ours, theirs[field], conflict);
      if (conflict)
        entry.Conflicts.push_back(
            {Conflict::FieldChanged, -1, int(field), {}, {}, ours, theirs[field]});
    }
  }

  void NoteDeletedByOurs() {
    for (int b = 0; b < int(base_.size()); ++b) {
      const int t = toTheirs_.NewOfOld[size_t(b)];
      if (toOurs_.NewOfOld[size_t(b)] < 0 && t >= 0 && theirs_[size_t(t)] != base_[size_t(b)])
        deleted_.push_back({Conflict::DeletedByOurs, b, -1, {}, {}, "deleted", "changed"});
    }
  }

  // Theirs' added and moved buttons go after the button they follow in theirs.
  void PlaceTheirs() {
    auto cursor = entries_.begin();
    int theirsBefore = -1; // base position of the paired button before, in theirs
    for (int j = 0; j < int(theirs_.size()); ++j) {
      const int b = toTheirs_.OldOfNew[size_t(j)];
      if (b < 0) {
        PlaceAdded(theirs_[size_t(j)], cursor);
        continue;
      }
      const auto at = place_[size_t(b)];
      if (at != entries_.end()) {
        if (toTheirs_.MovedNew[size_t(j)])
          cursor = Move(b, at, cursor, theirsBefore);
        else
          cursor = AfterOursAdded(std::next(at));
      }
      theirsBefore = b;
    }
  }

  // The same button added on both sides is added once.
  void PlaceAdded(const ButtonContent &content, std::list<Entry>::iterator &cursor) {
    auto same = oursAdded_.find(content);
    if (same != oursAdded_.end() && same->second > 0) {
      --same->second;
      return;
    }
    entries_.insert(cursor, Entry{content, -1, true, {}});
  }

  // Moves theirs' moved button to the cursor unless ours moved it too: then it stays in
  // ours' place, a conflict when that is not after the same button.
  std::list<Entry>::iterator Move(int b, std::list<Entry>::iterator at,
                                  std::list<Entry>::iterator cursor, int theirsBefore) {
    const int o = toOurs_.NewOfOld[size_t(b)];
    if (!toOurs_.MovedNew[size_t(o)]) {
      if (cursor == at)
        return std::next(at);
      entries_.splice(cursor, entries_, at);
      return cursor;
    }
    const int oursBefore = o > 0 ? toOurs_.OldOfNew[size_t(o - 1)] : -1;
    if (oursBefore != theirsBefore)
      at->Conflicts.push_back({Conflict::MovedBoth, -1, -1, {}, {}, "moved", "moved"});
    return AfterOursAdded(std::next(at));
  }

  // Past the buttons ours added right there: theirs' go after ours'.
  std::list<Entry>::iterator AfterOursAdded(std::list<Entry>::iterator at) {
    while (at != entries_.end() && at->Base < 0 && !at->AddedByTheirs)
      ++at;
    return at;
  }

  const std::vector<ButtonContent> &base_, &ours_, &theirs_;
  Matching toOurs_, toTheirs_;
  std::list<Entry> entries_;
  std::vector<std::list<Entry>::iterator> place_;
  std::unordered_map<ButtonContent, int, ContentHash> oursAdded_;
  std::vector<Conflict> deleted_;
};

void MergeOtherKeys(const BarContent &base, const BarContent &ours, const BarContent &theirs,
                    MergeResult &result) {
  result.Bar.Others = ours.Others;
  std::vector<std::string> ids;
  for (const auto *keys : {&base.Others, &theirs.Others})
    for (const auto &[id, key] : *keys)
      if (platform::LowerText(key.Section) != platform::LowerText(CacheSection))
        ids.push_back(id);
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  for (const std::string &id : ids) {
    const auto b = ValueOf(base.Others, id), o = ValueOf(ours.Others, id),
               t = ValueOf(theirs.Others, id);
    bool conflict = false;
    const auto merged = MergeValue(b, o, t, conflict);
    const OtherKey &named = theirs.Others.count(id) ? theirs.Others.at(id) : base.Others.at(id);
    if (conflict)
      result.Conflicts.push_back({Conflict::KeyChanged, -1, -1, named.Section, named.Key, o, t});
    if (merged == o)
      continue;
    if (merged)
      result.Bar.Others[id] = {named.Section, named.Key, *merged};
    else
      result.Bar.Others.erase(id);
  }
}

} // namespace

ButtonContent ContentOf(const Button &button) {
  return {button.IconRef,   button.Command, button.Params,
          button.StartPath, button.Tooltip, std::to_string(button.RunMode)};
}

Button ButtonOf(const ButtonContent &content) {
  Button button;
  button.IconRef = content[bfIconRef];
  button.Command = content[bfCommand];
  button.Params = content[bfParams];
  button.StartPath = content[bfStartPath];
  button.Tooltip = content[bfTooltip];
  const std::string &mode = content[bfRunMode];
  std::from_chars(mode.data(), mode.data() + mode.size(), button.RunMode);
  return button;
}

const char *FieldKeyName(int field) {
  static const char *const names[] = {"button", "cmd", "param", "path", "menu", "iconic"};
  return field >= 0 && field < FieldCount ? names[field] : "";
}

BarContent ReadBarContent(const std::string &fileName) {
  BarContent content;
  // Only the texts are compared: the icons the bar loads with them are looked up without
  // the program's settings.
  const ButtonBar bar(fileName, std::string());
  content.Buttons.reserve(bar.Buttons.size());
  for (const auto &button : bar.Buttons)
    content.Buttons.push_back(ContentOf(*button));
  platform::ProfileBatch reading; // never committed: the file is parsed once
  for (const std::string &section : SectionNames(fileName)) {
    if (platform::LowerText(section) == platform::LowerText(BarSection))
      continue;
    platform::VisitProfileSection(
        section, fileName, [&](std::string_view key, std::optional<std::string_view> value) {
          if (value)
            content.Others.try_emplace(OtherKeyId(section, std::string(key)),
                                       OtherKey{section, std::string(key), std::string(*value)});
        });
  }
  return content;
}

Matching MatchButtons(const std::vector<ButtonContent> &older,
                      const std::vector<ButtonContent> &newer) {
  Matching m{std::vector<int>(older.size(), -1), std::vector<int>(newer.size(), -1),
             std::vector<bool>(newer.size(), false)};
  MatchIdentical(older, newer, m);
  MatchSimilar(older, newer, m);
  MatchInPlace(older.size(), newer.size(), m);
  MarkMoved(m);
  return m;
}

BarDiff CompareBars(const BarContent &older, const BarContent &newer) {
  BarDiff diff;
  const Matching m = MatchButtons(older.Buttons, newer.Buttons);
  for (int i = 0; i < int(older.Buttons.size()); ++i)
    if (m.NewOfOld[size_t(i)] < 0)
      diff.Removed.push_back(i);
  for (int j = 0; j < int(newer.Buttons.size()); ++j) {
    const int i = m.OldOfNew[size_t(j)];
    if (i < 0) {
      diff.Added.push_back(j);
      continue;
    }
    if (m.MovedNew[size_t(j)])
      diff.Moved.push_back({i, j});
    auto fields = FieldChanges(older.Buttons[size_t(i)], newer.Buttons[size_t(j)]);
    if (!fields.empty())
      diff.Changed.push_back({i, j, std::move(fields)});
  }
  auto o = older.Others.begin();
  auto n = newer.Others.begin();
  while (o != older.Others.end() || n != newer.Others.end()) {
    if (n == newer.Others.end() || (o != older.Others.end() && o->first < n->first)) {
      diff.Keys.push_back({o->second.Section, o->second.Key, o->second.Value, std::nullopt});
      ++o;
    } else if (o == older.Others.end() || n->first < o->first) {
      diff.Keys.push_back({n->second.Section, n->second.Key, std::nullopt, n->second.Value});
      ++n;
    } else {
      if (o->second.Value != n->second.Value)
        diff.Keys.push_back({n->second.Section, n->second.Key, o->second.Value, n->second.Value});
      ++o;
      ++n;
    }
  }
  return diff;
}

MergeResult MergeBars(const BarContent &base, const BarContent &ours, const BarContent &theirs) {
  MergeResult result;
  ButtonMerge(base, ours, theirs).Run(result);
  MergeOtherKeys(base, ours, theirs, result);
  return result;
}

void WriteMergedBar(const MergeResult &merged, const BarContent &ours,
                    const std::string &fileName) {
  platform::ProfileBatch batch;
  // Ours' buttons as they were stay as ours wrote them, key order and spelling with them.
  if (merged.Bar.Buttons != ours.Buttons) {
    ButtonBar bar("", ""); // no icon is loaded or written
    for (const ButtonContent &content : merged.Bar.Buttons) {
      bar.Buttons.push_back(std::make_unique<Button>(ButtonOf(content)));
      bar.IconHandles.emplace_back();
    }
    // Cache off and no icon change: the save writes no icon library and leaves the
    // cache's section as it is.
    bar.CacheMode = CacheOff;
    bar.SaveTo(fileName);
  }
  for (const auto &[id, key] : ours.Others)
    if (!merged.Bar.Others.count(id))
      platform::DeleteProfileKey(key.Section, key.Key, fileName);
  for (const auto &[id, key] : merged.Bar.Others)
    if (ValueOf(ours.Others, id) != key.Value)
      platform::WriteProfileString(key.Section, key.Key, platform::ExactProfileValue(key.Value),
                                   fileName);
  batch.Commit();
}

} // namespace barcompare
