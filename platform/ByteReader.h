#pragma once
// One bounds-checked little-endian reader for every parser of untrusted bytes (icon
// files, icon images, PE and NE modules). Offsets are widened to 64 bits before any
// addition, so no offset or length read from a file can wrap around the end of the
// buffer. The reader never owns the bytes it looks at.
#include "platform/MessageText.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// A read outside the buffer; what() names the structure and the offset.
class EByteRange : public EMessageError {
public:
  using EMessageError::EMessageError;
};

class ByteReader {
public:
  ByteReader() = default;
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  explicit ByteReader(std::string_view bytes)
      : bytes_(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size()) {}

  size_t size() const { return bytes_.size(); }
  std::span<const uint8_t> bytes() const { return bytes_; }

  // True when [offset, offset + length) lies inside the buffer.
  bool has(uint64_t offset, uint64_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }

  // Values at an offset, or nothing when they do not fit.
  std::optional<uint8_t> u8(uint64_t offset) const {
    if (!has(offset, 1))
      return std::nullopt;
    return bytes_[offset];
  }
  std::optional<uint16_t> u16le(uint64_t offset) const {
    if (!has(offset, 2))
      return std::nullopt;
    return static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
  }
  std::optional<uint32_t> u32le(uint64_t offset) const {
    if (!has(offset, 4))
      return std::nullopt;
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
      value = value << 8 | bytes_[offset + static_cast<size_t>(i)];
    return value;
  }
  std::optional<uint64_t> u64le(uint64_t offset) const {
    auto low = u32le(offset);
    auto high = u32le(offset + 4);
    if (!low || !high)
      return std::nullopt;
    return uint64_t{*high} << 32 | *low;
  }
  // A sub-range of the buffer, or nothing when it does not fit.
  std::optional<std::span<const uint8_t>> slice(uint64_t offset, uint64_t length) const {
    if (!has(offset, length))
      return std::nullopt;
    return bytes_.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
  }
  // A reader over a sub-range; an empty reader when it does not fit.
  ByteReader sub(uint64_t offset, uint64_t length) const {
    auto part = slice(offset, length);
    return part ? ByteReader(*part) : ByteReader();
  }

  // The same reads, throwing EByteRange naming `what` when the bytes are not there;
  // for parsers that give up on a structure as a whole.
  uint8_t u8(uint64_t offset, const char *what) const { return need(u8(offset), what, offset); }
  uint16_t u16le(uint64_t offset, const char *what) const {
    return need(u16le(offset), what, offset);
  }
  uint32_t u32le(uint64_t offset, const char *what) const {
    return need(u32le(offset), what, offset);
  }
  std::span<const uint8_t> slice(uint64_t offset, uint64_t length, const char *what) const {
    return need(slice(offset, length), what, offset);
  }

private:
  template <typename T> static T need(std::optional<T> value, const char *what, uint64_t offset) {
    if (!value)
      throw EByteRange(std::string(what) + " at offset " + std::to_string(offset) +
                       " lies outside the data");
    return *value;
  }

  std::span<const uint8_t> bytes_;
};

} // namespace platform
