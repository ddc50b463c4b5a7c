#pragma once
// Unit AdvancedIcon, TAdvancedIcon: an icon made of an ordered list of images (one per size and
// colour depth), loaded from an .ico file or from a group-icon resource of a 32-bit module, and
// copied whole.
#include "icons/IconImage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class ResourceModule;
class ResourceName;
} // namespace platform

namespace icons {

using platform::ResourceModule;
using platform::ResourceName;

// The images of one icon. Count and Capacity are 16-bit: an icon holds at most 65535
// images.
class TIconImageList {
public:
  TIconImageList() = default;
  ~TIconImageList() { Clear(); }
  TIconImageList(const TIconImageList &) = delete;
  TIconImageList &operator=(const TIconImageList &) = delete;

  // Sets the number of slots, never below Count.
  void SetCapacity(uint16_t slots);
  // Appends the image, which the list then owns; grows by exactly one slot when full. A
  // list already holding 65535 images frees the image and returns false.
  bool Add(std::unique_ptr<TIconImage> image);
  // The image at a 0-based index, or none at Count or beyond.
  TIconImage *Items(size_t index) const;
  // Frees the image at a 0-based index; nothing at Count or beyond.
  void Delete(size_t index);
  void Clear();

  uint16_t Count() const { return static_cast<uint16_t>(items_.size()); }
  uint16_t Capacity() const { return capacity_; }

private:
  std::vector<std::unique_ptr<TIconImage>> items_;
  uint16_t capacity_ = 0;
};

class TAdvancedIcon {
public:
  TAdvancedIcon() = default;
  virtual ~TAdvancedIcon() = default;
  TAdvancedIcon(const TAdvancedIcon &) = delete;
  TAdvancedIcon &operator=(const TAdvancedIcon &) = delete;

  // Replaces the own images by base-kind copies of the source's, in the source's order.
  virtual void Assign(const TAdvancedIcon &source);

  // Replaces the images by those of an .ico file. False for a file that is not an icon
  // file (the icon is then empty). Raises platform::EFileReadError when the file cannot
  // be read.
  bool LoadFromFile(const std::string &fileName);
  // The same over the bytes of an .ico file already in memory.
  bool LoadFromBytes(std::string_view bytes);
  // Appends the images of the group-icon resource `name` of a loaded module. False
  // (nothing appended) when the group is not an icon directory. Raises EResNotFound
  // when the group or an icon resource it names is not in the module. Images beyond
  // the budget (when given) are left out.
  bool LoadFromResource(const ResourceModule &instance, const ResourceName &name,
                        TLoadBudget *budget = nullptr);
  // Reads and checks the 6-byte icon directory header at the stream's position:
  // reserved 0, type 1 (cursors and anything else are refused). On success `count` is
  // the number of entries and the image list is presized; the images held remain.
  bool ReadDirectory(TByteStream &stream, uint16_t &count);

  TIconImageList Images;
};

} // namespace icons
