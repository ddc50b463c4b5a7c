#pragma once
// A read position over bytes (what the icon units read .ico files, resources and 16-bit
// modules through) and its mirror, a little-endian writer with in-place patching for the
// icon library writer. Every read goes through ByteReader, so nothing past the end of
// the bytes is ever looked at.
#include "platform/ByteReader.h"

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace icons {

// The bounds-checked reader lives with the module reader, below the icon units.
using platform::ByteReader;
using platform::EByteRange;

// A read that wanted more bytes than the stream holds. Readers that give up on a
// structure as a whole (the 16-bit module reader) let it end their work.
class EReadError : public platform::EMessageError {
public:
  EReadError() : EMessageError(std::string("Stream read error")) {}
};

class TByteStream {
public:
  TByteStream() = default;
  explicit TByteStream(ByteReader bytes) : bytes_(bytes) {}

  uint64_t Size() const { return bytes_.size(); }
  // All the bytes, whatever the position.
  const ByteReader &Bytes() const { return bytes_; }
  uint64_t Position() const { return position_; }
  // Any position may be set; reads beyond the end then fail.
  void Seek(uint64_t position) { position_ = position; }
  uint64_t Remaining() const { return position_ < Size() ? Size() - position_ : 0; }

  // The next count bytes, advancing past them; nothing (and no move) when they are not
  // all there.
  std::optional<std::span<const uint8_t>> TryRead(uint64_t count) {
    auto part = bytes_.slice(position_, count);
    if (part)
      position_ += count;
    return part;
  }
  // The same, raising EReadError when the bytes are not all there.
  std::span<const uint8_t> ReadBuffer(uint64_t count) {
    auto part = TryRead(count);
    if (!part)
      throw EReadError();
    return *part;
  }
  uint8_t ReadByte() { return ReadBuffer(1)[0]; }
  uint16_t ReadWord() {
    auto part = ReadBuffer(2);
    return static_cast<uint16_t>(part[0] | part[1] << 8);
  }

private:
  ByteReader bytes_;
  uint64_t position_ = 0;
};

// Builds a file in memory: appends little-endian values and patches earlier ones.
class TByteWriter {
public:
  uint64_t Position() const { return bytes_.size(); }
  void WriteByte(uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
  void WriteWord(uint16_t value) {
    WriteByte(static_cast<uint8_t>(value));
    WriteByte(static_cast<uint8_t>(value >> 8));
  }
  void WriteDWord(uint32_t value) {
    WriteWord(static_cast<uint16_t>(value));
    WriteWord(static_cast<uint16_t>(value >> 16));
  }
  void WriteZeros(uint64_t count) { bytes_.append(static_cast<size_t>(count), '\0'); }
  void WriteBytes(std::string_view bytes) { bytes_.append(bytes); }
  void WriteBytes(std::span<const uint8_t> bytes) {
    bytes_.append(reinterpret_cast<const char *>(bytes.data()), bytes.size());
  }
  // Overwrites a 16-bit value written earlier; the end of the bytes does not move.
  void PatchWord(uint64_t position, uint16_t value) {
    if (position + 2 > bytes_.size())
      throw std::out_of_range("patch outside the written bytes");
    bytes_[static_cast<size_t>(position)] = static_cast<char>(value & 0xFF);
    bytes_[static_cast<size_t>(position) + 1] = static_cast<char>(value >> 8);
  }
  void Reserve(uint64_t size) { bytes_.reserve(static_cast<size_t>(size)); }
  const std::string &Bytes() const { return bytes_; }
  std::string Take() { return std::move(bytes_); }

private:
  std::string bytes_;
};

} // namespace icons
