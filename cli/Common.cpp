#include "cli/Cli.h"
#include "platform/HostFiles.h"

#include <charconv>
#include <filesystem>

namespace cli {

std::string WindowsNameOfArgument(const std::string &hostPath) {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(hostPath, ec);
  return platform::WindowsName(ec ? hostPath : absolute.lexically_normal().string());
}

std::string JsonText(const std::string &bytes) {
  std::string utf8;
  utf8.reserve(bytes.size());
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

int ParsePosition(const std::string &text, int last, const char *what) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size())
    throw UsageError(std::string(what) + " '" + text + "' is not a number");
  if (value < 1 || value > last)
    throw UsageError(std::string(what) + " " + text + " is outside 1.." + std::to_string(last));
  return value;
}

} // namespace cli
