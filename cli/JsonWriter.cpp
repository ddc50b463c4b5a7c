#include "cli/JsonWriter.h"

#include <charconv>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace cli {

namespace {

// What is written out at once; a large document goes out in pieces of this size.
constexpr size_t kBufferSize = 64 * 1024;

// Printable ASCII other than the quote and the backslash stands for itself in JSON.
bool NeedsNoEscape(std::string_view text) {
  for (char c : text)
    if (c < 0x20 || c > 0x7E || c == '"' || c == '\\')
      return false;
  return true;
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
  if (NeedsNoEscape(utf8)) {
    Put("\"");
    Put(utf8);
    Put("\"");
    return;
  }
  // Escapes and the checking of UTF-8 are the JSON library's, as in PrintJson.
  Put(nlohmann::ordered_json(std::string(utf8))
          .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
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
