#pragma once
// SHA-256 of bytes as lower-case hex, for comparing what our readers extract with the
// digests a reference reader recorded.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace testsupport {

std::string Sha256Hex(std::span<const uint8_t> bytes);
std::string Sha256Hex(std::string_view bytes);

} // namespace testsupport
