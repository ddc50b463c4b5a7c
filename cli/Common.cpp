#include "cli/Cli.h"
#include "cli/JsonWriter.h"
#include "document/ButtonList.h"
#include "document/Settings.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/HostPathText.h"
#include "platform/Utf8.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

namespace cli {

std::string WindowsNameOfArgument(const std::string &hostPath) {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(platform::HostFsPath(hostPath), ec);
  return platform::WindowsName(ec ? hostPath : platform::HostPathText(absolute.lexically_normal()));
}

std::string ShownText(const std::string &text, TextForm form) {
  return form == TextForm::Bytes ? text : platform::TextToUtf8(text);
}

bool IsUtf8(const std::string &text) {
  for (size_t i = 0; i < text.size();)
    if (!platform::NextCodePoint(text, i))
      return false;
  return true;
}

std::string TakenText(const std::string &given, TextForm form, const char *what) {
  if (form == TextForm::Bytes)
    return given;
  if (!IsUtf8(given))
    throw UsageError(std::string(what) + " is not UTF-8 (--bytes takes it as bytes)");
  return platform::Utf8ToText(given);
}

std::string JsonText(const std::string &text, TextForm form) {
  if (form == TextForm::Characters)
    return platform::TextToUtf8(text);
  std::string utf8;
  utf8.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

void OptionalField(JsonWriter &json, const char *name, const std::optional<std::string> &text,
                   TextForm form) {
  json.Key(name);
  if (text)
    json.String(JsonText(*text, form));
  else
    json.Null();
}

std::string CoreMessageToUtf8(std::string_view message) {
  const std::string_view mark = platform::Utf8Mark;
  std::string out;
  for (size_t marked = message.find(mark); marked != std::string_view::npos;
       marked = message.find(mark)) {
    out += platform::TextToUtf8(message.substr(0, marked));
    // The quoted text runs as far as the bytes are UTF-8: the message goes on in ASCII.
    size_t end = marked + mark.size();
    while (end < message.size() && message.substr(end, mark.size()) != mark &&
           platform::NextCodePoint(message, end)) {
    }
    out += message.substr(marked + mark.size(), end - marked - mark.size());
    message.remove_prefix(end);
  }
  return out + platform::TextToUtf8(message);
}

void PrintJson(const nlohmann::ordered_json &document) {
  WriteOut(document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
}

int ParseNumber(const std::string &text, int first, int last, const char *what) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size())
    throw UsageError(std::string(what) + " '" + text + "' is not a number");
  if (value < first || value > last)
    throw UsageError(std::string(what) + " " + text + " is outside " + std::to_string(first) +
                     ".." + std::to_string(last));
  return value;
}

int ParsePosition(const std::string &text, int last, const char *what) {
  return ParseNumber(text, 1, last, what);
}

std::optional<std::string> ParsedArgs::Value(const std::string &option) const {
  auto found = values.find(option);
  if (found == values.end())
    return std::nullopt;
  return found->second;
}

void ParsedArgs::RequirePositional(size_t min, size_t max,
                                   const std::vector<const char *> &names) const {
  if (positional.size() < min)
    throw UsageError(std::string("no ") + names[positional.size()] + " given");
  if (positional.size() > max)
    throw UsageError("unexpected argument '" + positional[max] + "'");
}

ParsedArgs ParseArgs(const Args &args, const ArgSpec &options) {
  ParsedArgs parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    if (arg == "--help") {
      parsed.help = true;
    } else if (options.flags.count(arg)) {
      parsed.flags.insert(arg);
    } else if (options.valued.count(arg)) {
      if (i + 1 >= args.size())
        throw UsageError(arg + " needs a value");
      parsed.values[arg] = args[++i];
    } else if (arg.rfind("--", 0) == 0) {
      throw UsageError("unknown option '" + arg + "'");
    } else {
      parsed.positional.push_back(arg);
    }
  }
  return parsed;
}

uint8_t ParseCacheMode(const std::string &text) {
  if (text == "off")
    return CacheOff;
  if (text == "links")
    return CacheLinks;
  if (text == "tcmenu")
    return CacheWithTcMenu;
  throw UsageError("cache mode '" + text + "' is not one of off, links, tcmenu");
}

uint8_t DefaultCacheMode(const Context &context) {
  return DefaultCacheSetting(context.ExeFileName);
}

void SaveBar(ButtonBar &bar, const std::string &fileName) {
  bar.SaveTo(fileName);
  if (bar.CacheNote)
    std::fprintf(stderr, "corvane-cli: %s\n",
                 CoreMessageToUtf8(platform::EnglishText(*bar.CacheNote)).c_str());
}

std::string ExistingFile(const std::string &hostPath) {
  const std::string name = WindowsNameOfArgument(hostPath);
  if (!platform::FileExists(name))
    throw Failure("cannot open " + hostPath + ": no such file");
  return name;
}

std::string LowerAscii(std::string text) {
  for (char &c : text)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return text;
}

void WriteOut(const std::string &bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

} // namespace cli
