#pragma once
// UTF-8 one code point at a time. A leaf of the host layer: the code page's conversions,
// the registry's escapes, text files and the case rules all build on it, and it calls
// nothing of theirs.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The code point at s[i], advancing i past it; nothing for a malformed sequence (an
// overlong form, a surrogate, a value above U+10FFFF or a cut sequence; i unchanged).
std::optional<uint32_t> NextCodePoint(std::string_view s, size_t &i);
// Appends the UTF-8 form of cp.
void AppendUtf8(uint32_t cp, std::string &out);

} // namespace platform
