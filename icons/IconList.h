#pragma once
// Unit IconLibrary, TIconList: the icons of a library with their names, in order. A leaf
// of the icon layer: the library, its readers and both writers use it, and it calls none
// of them.
#include "icons/AdvancedIcon.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace icons {

// A name with the icon it names; the icon may be none.
using TNamedIcon = std::pair<std::string, std::unique_ptr<TAdvancedIcon>>;
using TNamedIcons = std::vector<TNamedIcon>;

// The icons of a library with their names, in order; duplicates allowed. The list owns
// its icons.
class TIconList {
public:
  // Appends the icon under the name and returns its position; an empty name becomes
  // "Icon " and the new count ("Icon 1", "Icon 10"). Does nothing (and returns -1)
  // without an icon.
  int AddIcon(std::string name, std::unique_ptr<TAdvancedIcon> icon);
  // Frees every icon and empties the list.
  void Clear();
  // Frees the icon at the index and removes its entry; EListError (IconLibrary.h)
  // outside the list.
  void Delete(int index);
  // Replaces the content (freeing the icons held) by the given pairs, taken over in order.
  void Assign(TNamedIcons source);

  int Count() const { return static_cast<int>(items_.size()); }
  // The name / the icon at a position; EListError outside the list.
  const std::string &Strings(int index) const;
  TAdvancedIcon *Objects(int index) const;

private:
  TNamedIcons items_;
};

} // namespace icons
