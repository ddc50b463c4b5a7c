#include "document/BarCompare.h"
#include "document/ButtonList.h"
#include "document/SequenceMatch.h"
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

using Buttons = std::vector<const ButtonContent *>;

void Pair(Matching &m, int i, int j) {
  m.NewOfOld[size_t(i)] = j;
  m.OldOfNew[size_t(j)] = i;
}

bool SharesKey(const ButtonContent &a, const ButtonContent &b) {
  for (int field : {bfCommand, bfTooltip})
    if (!a[size_t(field)].empty() && a[size_t(field)] == b[size_t(field)])
      return true;
  return false;
}

// Pairs the buttons between two pairs of equal buttons (or the ends) when both bars hold
// as many there: one button replaced by one, or several each sharing a command or tooltip
// with the one at its place.
void MatchInPlace(const Buttons &older, const Buttons &newer,
                  const std::vector<std::pair<int, int>> &common, Matching &m) {
  int i = 0, j = 0;
  for (size_t p = 0; p <= common.size(); ++p) {
    const int nextI = p < common.size() ? common[p].first : int(older.size());
    const int nextJ = p < common.size() ? common[p].second : int(newer.size());
    if (nextI - i == nextJ - j)
      for (int q = 0; q < nextI - i; ++q)
        if (nextI - i == 1 || SharesKey(*older[size_t(i + q)], *newer[size_t(j + q)]))
          Pair(m, i + q, j + q);
    i = nextI + 1;
    j = nextJ + 1;
  }
}

// Pairs the unpaired buttons whose key (content, command or tooltip; an empty key is
// none) is held by exactly one unpaired button of each bar: a button moved, or moved and
// changed. A key several buttons share says nothing about which is which.
template <class Key, class KeyOf>
void MatchUniqueKeys(const Buttons &older, const Buttons &newer, Matching &m, KeyOf keyOf) {
  struct Holders {
    int OldCount = 0, Old = -1, NewCount = 0, New = -1;
  };
  std::unordered_map<Key, Holders> holders;
  for (int i = 0; i < int(older.size()); ++i)
    if (m.NewOfOld[size_t(i)] < 0)
      if (const auto key = keyOf(i, *older[size_t(i)]))
        ++holders[*key].OldCount, holders[*key].Old = i;
  for (int j = 0; j < int(newer.size()); ++j)
    if (m.OldOfNew[size_t(j)] < 0)
      if (const auto key = keyOf(-1 - j, *newer[size_t(j)]))
        if (auto found = holders.find(*key); found != holders.end())
          ++found->second.NewCount, found->second.New = j;
  for (const auto &[key, h] : holders)
    if (h.OldCount == 1 && h.NewCount == 1)
      Pair(m, h.Old, h.New);
}

// One reading of which old button is which new one: the longest run of equal buttons in
// order, then buttons replaced in place, then unique keys. ids are the buttons' contents
// as numbers.
Matching MatchOnce(const Buttons &older, const Buttons &newer, const std::vector<int> &oldIds,
                   const std::vector<int> &newIds) {
  Matching m{std::vector<int>(older.size(), -1), std::vector<int>(newer.size(), -1),
             std::vector<bool>(newer.size(), false), std::vector<bool>(older.size(), false)};
  const auto common = CommonSubsequence(oldIds, newIds);
  for (const auto &[i, j] : common)
    Pair(m, i, j);
  MatchInPlace(older, newer, common, m);
  MatchUniqueKeys<int>(older, newer, m, [&](int at, const ButtonContent &) {
    return std::optional<int>(at >= 0 ? oldIds[size_t(at)] : newIds[size_t(-1 - at)]);
  });
  for (int field : {bfCommand, bfTooltip})
    MatchUniqueKeys<std::string_view>(older, newer, m, [field](int, const ButtonContent &content) {
      const std::string &value = content[size_t(field)];
      return value.empty() ? std::nullopt : std::optional<std::string_view>(value);
    });
  return m;
}

// Marks the pairs off the longest run that keeps the old order as moved. Where several
// runs are that long (two neighbours swapped: either one moved), the pairs on some of
// them but not on all are uncertain.
void MarkMoved(Matching &m) {
  std::vector<int> pairs; // new positions of paired buttons, in new order
  for (int j = 0; j < int(m.OldOfNew.size()); ++j)
    if (m.OldOfNew[size_t(j)] >= 0)
      pairs.push_back(j);
  const int count = int(pairs.size());
  auto oldAt = [&](int p) { return m.OldOfNew[size_t(pairs[size_t(p)])]; };
  std::vector<int> tails;                       // tails[l]: index into pairs ending a run l+1
  std::vector<int> previous(size_t(count), -1); // the run's element before each
  std::vector<int> ending(static_cast<size_t>(count)); // the longest run ending at each
  for (int p = 0; p < count; ++p) {
    auto at = std::lower_bound(tails.begin(), tails.end(), oldAt(p),
                               [&](int t, int value) { return oldAt(t) < value; });
    ending[size_t(p)] = int(at - tails.begin()) + 1;
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
  // The longest run starting at each, from the back: runs of falling old positions.
  std::vector<int> starting(static_cast<size_t>(count)), lows;
  for (int p = count - 1; p >= 0; --p) {
    auto at = std::lower_bound(lows.begin(), lows.end(), -oldAt(p));
    starting[size_t(p)] = int(at - lows.begin()) + 1;
    if (at == lows.end())
      lows.push_back(-oldAt(p));
    else
      *at = -oldAt(p);
  }
  // A pair on a longest run holds its place on every one when it is the only pair on a
  // longest run at that step.
  const int longest = int(tails.size());
  std::vector<int> onStep(size_t(longest) + 1, 0);
  for (int p = 0; p < count; ++p)
    if (ending[size_t(p)] + starting[size_t(p)] - 1 == longest)
      ++onStep[size_t(ending[size_t(p)])];
  for (int p = 0; p < count; ++p)
    if (ending[size_t(p)] + starting[size_t(p)] - 1 == longest &&
        onStep[size_t(ending[size_t(p)])] > 1)
      m.UncertainOld[size_t(oldAt(p))] = true;
}

// A button added, removed or moved next to an equal one could as well have been any of
// their run, and so could one already uncertain: the old buttons of such a run are
// uncertain. Each run is marked once.
void MarkSlidingRuns(const std::vector<ButtonContent> &older,
                     const std::vector<ButtonContent> &newer, Matching &m) {
  auto mark = [&](const std::vector<ButtonContent> &buttons, auto edited, auto markOne) {
    const int count = int(buttons.size());
    for (int at = 0; at < count;) {
      int end = at + 1;
      while (end < count && buttons[size_t(end)] == buttons[size_t(at)])
        ++end;
      bool slides = false;
      for (int k = at; k < end && end - at > 1 && !slides; ++k)
        slides = edited(k);
      for (int k = at; slides && k < end; ++k)
        markOne(k);
      at = end;
    }
  };
  mark(
      older,
      [&](int i) {
        const int j = m.NewOfOld[size_t(i)];
        return j < 0 || m.MovedNew[size_t(j)] || m.UncertainOld[size_t(i)];
      },
      [&](int i) { m.UncertainOld[size_t(i)] = true; });
  mark(
      newer,
      [&](int j) {
        const int i = m.OldOfNew[size_t(j)];
        return i < 0 || m.MovedNew[size_t(j)] || m.UncertainOld[size_t(i)];
      },
      [&](int j) {
        if (m.OldOfNew[size_t(j)] >= 0)
          m.UncertainOld[size_t(m.OldOfNew[size_t(j)])] = true;
      });
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

// For each button of a side the nearest paired buttons before and after it (not itself),
// or -1.
struct PairedNeighbours {
  std::vector<int> Before, After;
  explicit PairedNeighbours(const Matching &m) {
    const int count = int(m.OldOfNew.size());
    Before.assign(size_t(count), -1);
    After.assign(size_t(count), -1);
    for (int s = 1; s < count; ++s)
      Before[size_t(s)] = m.OldOfNew[size_t(s - 1)] >= 0 ? s - 1 : Before[size_t(s - 1)];
    for (int s = count - 2; s >= 0; --s)
      After[size_t(s)] = m.OldOfNew[size_t(s + 1)] >= 0 ? s + 1 : After[size_t(s + 1)];
  }
};

// The base buttons a side touched: deleted, changed or moved, or next to a button it
// added or moved.
std::vector<bool> Touched(const Matching &m, const std::vector<ButtonContent> &base,
                          const std::vector<ButtonContent> &side) {
  std::vector<bool> touched(base.size(), false);
  for (size_t b = 0; b < base.size(); ++b) {
    const int s = m.NewOfOld[b];
    touched[b] = s < 0 || side[size_t(s)] != base[b] || m.MovedNew[size_t(s)];
  }
  const PairedNeighbours neighbours(m);
  for (size_t s = 0; s < side.size(); ++s)
    if (m.OldOfNew[s] < 0 || m.MovedNew[s])
      for (int next : {neighbours.Before[s], neighbours.After[s]})
        if (next >= 0)
          touched[size_t(m.OldOfNew[size_t(next)])] = true;
  return touched;
}

// One button of the merged bar: its base position (-1 for one added), its position in
// ours (-1 for one theirs added) and whether theirs added it.
struct Entry {
  ButtonContent Content;
  int Base = -1;
  int Ours = -1;
  bool AddedByTheirs = false;
  std::vector<Conflict> Conflicts;
};

class ButtonMerge {
public:
  ButtonMerge(const BarContent &base, const BarContent &ours, const BarContent &theirs)
      : base_(base.Buttons), ours_(ours.Buttons), theirs_(theirs.Buttons),
        toOurs_(MatchButtons(base_, ours_)), toTheirs_(MatchButtons(base_, theirs_)),
        theirsNeighbours_(toTheirs_), place_(base_.size(), entries_.end()) {
    // A change one side made where the other side's match is a guess cannot be placed
    // with certainty: it is left out.
    const auto oursTouched = Touched(toOurs_, base_, ours_);
    const auto theirsTouched = Touched(toTheirs_, base_, theirs_);
    doubtful_.resize(base_.size());
    for (size_t b = 0; b < base_.size(); ++b)
      doubtful_[b] = (toOurs_.UncertainOld[b] && theirsTouched[b]) ||
                     (toTheirs_.UncertainOld[b] && oursTouched[b]);
  }

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
      result.OursPositions.push_back(entry.Ours);
    }
    result.Conflicts.insert(result.Conflicts.end(), deleted_.begin(), deleted_.end());
    for (int b = 0; b < int(base_.size()); ++b)
      if (doubtful_[size_t(b)])
        result.Conflicts.push_back({Conflict::Uncertain, b, -1, {}, {}, {}, {}});
  }

private:
  // Ours' buttons in ours' order, each with theirs' changes to it.
  void TakeOurs() {
    int before = -1; // the base position of the paired button before, in ours
    for (int j = 0; j < int(ours_.size()); ++j) {
      const int b = toOurs_.OldOfNew[size_t(j)];
      Entry entry{ours_[size_t(j)], b, j, false, {}};
      if (b < 0) {
        ++oursAdded_[{before, entry.Content}];
      } else if (doubtful_[size_t(b)]) {
        // ours' version as it is
      } else if (const int t = toTheirs_.NewOfOld[size_t(b)]; t < 0) {
        before = b;
        if (ours_[size_t(j)] == base_[size_t(b)])
          continue;
        entry.Conflicts.push_back(
            {Conflict::DeletedByTheirs, -1, -1, {}, {}, "changed", "deleted"});
      } else {
        MergeFields(base_[size_t(b)], theirs_[size_t(t)], entry);
      }
      entries_.push_back(std::move(entry));
      if (b >= 0) {
        place_[size_t(b)] = std::prev(entries_.end());
        before = b;
      }
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
      if (toOurs_.NewOfOld[size_t(b)] < 0 && t >= 0 && theirs_[size_t(t)] != base_[size_t(b)] &&
          !doubtful_[size_t(b)])
        deleted_.push_back({Conflict::DeletedByOurs, b, -1, {}, {}, "deleted", "changed"});
    }
  }

  // Whether theirs' button at position j was added or moved next to a button whose match
  // is a guess: where it goes is not known.
  bool PlaceDoubtful(int j) const {
    for (int next : {theirsNeighbours_.Before[size_t(j)], theirsNeighbours_.After[size_t(j)]})
      if (next >= 0 && doubtful_[size_t(toTheirs_.OldOfNew[size_t(next)])])
        return true;
    return false;
  }

  // Theirs' added and moved buttons go after the button they follow in theirs.
  void PlaceTheirs() {
    auto cursor = entries_.begin();
    int theirsBefore = -1; // base position of the paired button before, in theirs
    for (int j = 0; j < int(theirs_.size()); ++j) {
      const int b = toTheirs_.OldOfNew[size_t(j)];
      if (b < 0) {
        if (!PlaceDoubtful(j))
          PlaceAdded(theirs_[size_t(j)], theirsBefore, cursor);
        continue;
      }
      const auto at = place_[size_t(b)];
      if (at != entries_.end()) {
        if (toTheirs_.MovedNew[size_t(j)] && !doubtful_[size_t(b)] && !PlaceDoubtful(j))
          cursor = Move(b, at, cursor, theirsBefore);
        else
          cursor = AfterOursAdded(std::next(at));
      }
      theirsBefore = b;
    }
  }

  // The same button added on both sides after the same button is added once.
  void PlaceAdded(const ButtonContent &content, int theirsBefore,
                  std::list<Entry>::iterator &cursor) {
    auto same = oursAdded_.find({theirsBefore, content});
    if (same != oursAdded_.end() && same->second > 0) {
      --same->second;
      return;
    }
    entries_.insert(cursor, Entry{content, -1, -1, true, {}});
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
  PairedNeighbours theirsNeighbours_;
  std::vector<bool> doubtful_;
  std::list<Entry> entries_;
  std::vector<std::list<Entry>::iterator> place_;
  // Ours' added buttons by the base position of the paired button before them.
  std::map<std::pair<int, ButtonContent>, int> oursAdded_;
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
  std::unordered_map<ButtonContent, int, ContentHash> numbers;
  auto numbered = [&](const std::vector<ButtonContent> &buttons) {
    std::vector<int> ids;
    ids.reserve(buttons.size());
    for (const ButtonContent &content : buttons)
      ids.push_back(numbers.try_emplace(content, int(numbers.size())).first->second);
    return ids;
  };
  auto pointers = [](const std::vector<ButtonContent> &buttons) {
    Buttons all;
    all.reserve(buttons.size());
    for (const ButtonContent &content : buttons)
      all.push_back(&content);
    return all;
  };
  Buttons oldButtons = pointers(older), newButtons = pointers(newer);
  std::vector<int> oldIds = numbered(older), newIds = numbered(newer);
  Matching m = MatchOnce(oldButtons, newButtons, oldIds, newIds);
  // The same read back to front: where equal buttons leave a choice, the two readings
  // choose differently, and a pair they do not share is a guess.
  for (auto *sequence : {&oldButtons, &newButtons})
    std::reverse(sequence->begin(), sequence->end());
  std::reverse(oldIds.begin(), oldIds.end());
  std::reverse(newIds.begin(), newIds.end());
  const Matching back = MatchOnce(oldButtons, newButtons, oldIds, newIds);
  const int olds = int(older.size()), news = int(newer.size());
  for (int i = 0; i < olds; ++i) {
    const int j = back.NewOfOld[size_t(olds - 1 - i)];
    m.UncertainOld[size_t(i)] = (j < 0 ? -1 : news - 1 - j) != m.NewOfOld[size_t(i)];
  }
  MarkMoved(m);
  MarkSlidingRuns(older, newer, m);
  // A move that is a guess (of two swapped buttons either moved) makes the place it was
  // moved to a guess too: the buttons around it are uncertain.
  std::vector<int> guessedNeighbours;
  for (int j = 0, before = -1; j < news; ++j) {
    const int i = m.OldOfNew[size_t(j)];
    if (i < 0)
      continue;
    if (m.MovedNew[size_t(j)] && m.UncertainOld[size_t(i)]) {
      if (before >= 0)
        guessedNeighbours.push_back(m.OldOfNew[size_t(before)]);
      for (int next = j + 1; next < news; ++next)
        if (m.OldOfNew[size_t(next)] >= 0) {
          guessedNeighbours.push_back(m.OldOfNew[size_t(next)]);
          break;
        }
    }
    before = j;
  }
  for (int i : guessedNeighbours)
    m.UncertainOld[size_t(i)] = true;
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
    // The file is ours' copy: its loaded buttons know their lines, which a save keeps
    // for every button the merge left as it was.
    ButtonBar bar(fileName, "");
    // A file that no longer holds ours' buttons gets every button laid out afresh.
    const bool oursLoaded = bar.Buttons.size() == ours.Buttons.size();
    std::vector<std::unique_ptr<Button>> buttons;
    std::vector<platform::IconHandle> icons;
    buttons.reserve(merged.Bar.Buttons.size());
    icons.reserve(merged.Bar.Buttons.size());
    for (size_t position = 0; position < merged.Bar.Buttons.size(); ++position) {
      const ButtonContent &content = merged.Bar.Buttons[position];
      const int from = oursLoaded ? merged.OursPositions[position] : -1;
      if (from < 0) {
        buttons.push_back(std::make_unique<Button>(ButtonOf(content)));
        icons.emplace_back();
        continue;
      }
      std::unique_ptr<Button> button = std::move(bar.Buttons[size_t(from)]);
      const Button fields = ButtonOf(content);
      button->IconRef = fields.IconRef;
      button->Command = fields.Command;
      button->Params = fields.Params;
      button->StartPath = fields.StartPath;
      button->Tooltip = fields.Tooltip;
      button->RunMode = fields.RunMode;
      buttons.push_back(std::move(button));
      icons.push_back(std::move(bar.IconHandles[size_t(from)]));
    }
    bar.Buttons = std::move(buttons);
    bar.IconHandles = std::move(icons);
    // Cache off and no icon change: the save writes no icon library and leaves the
    // cache's section as it is.
    bar.CacheMode = CacheOff;
    bar.IconsChanged = false;
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
