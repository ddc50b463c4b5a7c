#include "cli/JsonWriter.h"

#include <charconv>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace cli {

namespace {

// What is written out at once; a large document goes out in pieces of this size.
constexpr size_t kBufferSize = 64 * 1024;

// A text of ASCII characters only is escaped here, the rest by the JSON library.
bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80)
      return false;
  return true;
}

// The escape of an ASCII character as the JSON library writes it; empty for a character
// that stands for itself.
std::string_view EscapeOf(char c, char (&hex)[6]) {
  switch (c) {
  case '"':
    return "\\\"";
  case '\\':
    return "\\\\";
  case '\b':
    return "\\b";
  case '\f':
    return "\\f";
  case '\n':
    return "\\n";
  case '\r':
    return "\\r";
  case '\t':
    return "\\t";
  default:
    break;
  }
  if (static_cast<unsigned char>(c) >= 0x20)
    return {};
  static constexpr char kDigits[] = "0123456789abcdef";
  hex[0] = '\\';
  hex[1] = 'u';
  hex[2] = '0';
  hex[3] = '0';
  hex[4] = kDigits[(c >> 4) & 0xF];
  hex[5] = kDigits[c & 0xF];
  return std::string_view(hex, 6);
}

} // namespace

void JsonWriter::BeginObject() {
  Begin('{');
}

void JsonWriter::EndObject() {
  End('}');
}

void JsonWriter::BeginArray() {
  Begin('[');
}

void JsonWriter::EndArray() {
  End(']');
}

void JsonWriter::String(std::string_view utf8) {
  StartValue();
  PutString(utf8);
}

void JsonWriter::PutString(std::string_view utf8) {
  if (!IsAscii(utf8)) {
    // The checking of UTF-8 and the replacement of what is malformed are the JSON
    // library's, as in PrintJson.
    Put(nlohmann::ordered_json(std::string(utf8))
            .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    return;
  }
  Put("\"");
  size_t plain = 0; // the start of the run of characters not yet written
  char hex[6];
  for (size_t i = 0; i < utf8.size(); ++i) {
    const std::string_view escape = EscapeOf(utf8[i], hex);
    if (escape.empty())
      continue;
    Put(utf8.substr(plain, i - plain));
    Put(escape);
    plain = i + 1;
  }
  Put(utf8.substr(plain));
  Put("\"");
}

void JsonWriter::Number(int64_t value) {
  StartValue();
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  Put(std::string_view(digits, static_cast<size_t>(end - digits)));
}

void JsonWriter::Null() {
  StartValue();
  Put("null");
}

void JsonWriter::Key(std::string_view name) {
  NewItem();
  PutString(name);
  Put(": ");
  afterKey_ = true;
}

void JsonWriter::Field(std::string_view name, std::string_view utf8) {
  Key(name);
  String(utf8);
}

void JsonWriter::Field(std::string_view name, int64_t value) {
  Key(name);
  Number(value);
}

void JsonWriter::Finish() {
  Put("\n");
  Flush();
  std::fflush(stdout);
}

void JsonWriter::StartValue() {
  if (afterKey_)
    afterKey_ = false;
  else if (!emptyLevels_.empty())
    NewItem();
}

void JsonWriter::NewItem() {
  Put(emptyLevels_.back() ? "\n" : ",\n");
  emptyLevels_.back() = false;
  buffer_.append(2 * emptyLevels_.size(), ' ');
}

void JsonWriter::Begin(char bracket) {
  StartValue();
  Put(std::string_view(&bracket, 1));
  emptyLevels_.push_back(true);
}

void JsonWriter::End(char bracket) {
  const bool empty = emptyLevels_.back();
  emptyLevels_.pop_back();
  if (!empty) {
    Put("\n");
    buffer_.append(2 * emptyLevels_.size(), ' ');
  }
  Put(std::string_view(&bracket, 1));
}

void JsonWriter::Put(std::string_view text) {
  buffer_ += text;
  if (buffer_.size() >= kBufferSize)
    Flush();
}

void JsonWriter::Flush() {
  std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
  buffer_.clear();
}

} // namespace cli
