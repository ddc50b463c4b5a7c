// What both PNG back ends share: the header, read before a codec is asked to decode.
#include "platform/PngCodec.h"

#include <algorithm>
#include <array>

namespace platform {

namespace {

constexpr std::array<uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::array<uint8_t, 8> kHeaderChunk = {0, 0, 0, 13, 'I', 'H', 'D', 'R'};

uint32_t BigEndian32(std::span<const uint8_t> bytes, size_t at) {
  return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 |
         bytes[at + 3];
}

} // namespace

std::optional<PngSides> PngHeaderSides(std::span<const uint8_t> bytes) {
  if (bytes.size() < 24 || !std::equal(kSignature.begin(), kSignature.end(), bytes.begin()) ||
      !std::equal(kHeaderChunk.begin(), kHeaderChunk.end(), bytes.begin() + 8))
    return std::nullopt;
  return PngSides{BigEndian32(bytes, 16), BigEndian32(bytes, 20)};
}

} // namespace platform
