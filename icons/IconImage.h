#pragma once
// Unit IconImage, TIconImage: one image of an icon: the raw image bytes as they stand in an .ico
// file or an icon resource (a DIB: bitmap information header, colour table, XOR and AND masks; or a
// PNG), the twelve directory fields that describe them, and the platform icon made from
// the bytes the first time somebody needs it.
#include "icons/IconStream.h"
#include "platform/IconFormats.h"
#include "platform/IconHandle.h"
#include "platform/MessageText.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {
class ResourceModule;
class ResourceName;
} // namespace platform

namespace icons {

using platform::ImageFacts;
using platform::ReadImageFacts;
using platform::ResourceModule;
using platform::ResourceName;

class THiResIcon;

// A resource a module's directory names but does not hold (missing, or its bytes lie
// beyond the end of the file); the message names the resource.
class EResNotFound : public platform::EMessageError {
public:
  explicit EResNotFound(const std::string &name)
      : EMessageError("Resource " + name + " not found") {}
};

// How many image bytes one load may copy out of its input. Several directory entries
// may name the same image bytes, and each is copied, so a small crafted file could
// otherwise claim gigabytes; real files store each image once and stay far below it.
class TLoadBudget {
public:
  explicit TLoadBudget(uint64_t inputSize) : left_(inputSize * 8 + (uint64_t{4} << 20)) {}
  // Takes bytes from the budget; false (taking nothing) when too few are left.
  bool Take(uint64_t bytes) {
    if (bytes > left_)
      return false;
    left_ -= bytes;
    return true;
  }

private:
  uint64_t left_;
};

// The directory entry of the given kind at the stream's position, which moves past it.
// Raises EReadError when the stream ends inside the entry.
platform::IconDirEntry ReadDirEntry(TByteStream &stream, platform::IconDirKind kind);

class TIconImage {
public:
  TIconImage() = default;
  virtual ~TIconImage();
  TIconImage(const TIconImage &) = delete;
  TIconImage &operator=(const TIconImage &) = delete;

  // The platform icon, made from Data on first use at Width x Height (0 = the image's
  // own size); an empty handle when there are no bytes or they cannot be decoded, in
  // which case the next call tries again.
  virtual const platform::IconHandle &Handle() const;
  // A graphic showing this image's icon. It borrows the handle: it must not outlive
  // the image.
  virtual std::unique_ptr<THiResIcon> CreateGraphic() const;
  // A new base-kind image with copies of the source's fields, bytes and icon.
  static std::unique_ptr<TIconImage> CreateCopy(const TIconImage &source);
  // Appends BytesInRes bytes of Data (nothing when there is no Data).
  void SaveToStream(TByteWriter &stream) const;

  // Copies the twelve fields both kinds of directory entry share (width .. bytes in
  // resource).
  void CopyEntry(const platform::IconDirEntry &entry);
  // Width and Height from the image bytes: min(width, height) of a DIB (whose height
  // covers both masks, so it is halved) or of a PNG, low 8 bits (256 gives 0).
  void FitSizeToBitmap();
  // Planes and BitCount from the image bytes where the entry leaves them 0, as resource
  // compilers fill them. A stated value stays, even one the image does not have (PNGs
  // are often listed with 8 bits): Windows picks an icon's image by these fields, so a
  // library written from the image must state what its source stated.
  void FitDepthToImage();

  uint8_t Width = 0;
  uint8_t Height = 0;
  uint8_t ColorCount = 0;
  uint8_t Reserved = 0;
  uint16_t Planes = 0;
  uint16_t BitCount = 0;
  uint32_t BytesInRes = 0;
  // The image bytes; when present it holds at least BytesInRes bytes.
  std::optional<std::vector<uint8_t>> Data;

private:
  mutable platform::IconHandle handle_;
};

// An image read out of an .ico file.
class TFileIconImage : public TIconImage {
public:
  // Reads the 16-byte file directory entry at the stream's position and the image
  // bytes it points to; the stream is left just after the entry. The caller makes sure
  // the entry is there. Nothing when the image bytes do not lie wholly inside the file
  // (such an image is dropped rather than kept half-read) or exceed the budget.
  static std::unique_ptr<TFileIconImage> FromStream(TByteStream &stream, TLoadBudget &budget);
};

// An image read out of a group-icon resource of a 32-bit module.
class TResourceIconImage : public TIconImage {
public:
  // Reads the 14-byte group directory entry at the stream's position (the caller makes
  // sure it is there) and copies the icon resource it names out of the module. The
  // resource's own size is the true size of the image: a directory that states more is
  // clamped to it. Raises EResNotFound when the module does not hold the resource;
  // nothing when the resource's bytes exceed the budget.
  static std::unique_ptr<TResourceIconImage>
  FromStream(TByteStream &stream, const ResourceModule &instance, TLoadBudget &budget);
};

} // namespace icons
