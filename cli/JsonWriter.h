#pragma once
// A JSON document written to standard output while it is made, laid out as PrintJson
// lays out a tree (two spaces an indent, ": " after a key), so that a listing of any
// length holds no more in memory than a buffer of output. Texts are given as UTF-8
// (JsonText); malformed UTF-8 that a marked text held is replaced, as PrintJson does.
// A command that fails midway leaves what was written out so far (nothing for a
// document shorter than one buffer): its error message and status tell the failure.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

class JsonWriter {
public:
  JsonWriter() = default;
  JsonWriter(const JsonWriter &) = delete;
  JsonWriter &operator=(const JsonWriter &) = delete;

  // Values: in an array each is the next element; in an object each follows its Key.
  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  void String(std::string_view utf8);
  void Number(int64_t value);
  void Null();
  // The next member's name in the object being written.
  void Key(std::string_view name);
  // A member in one call.
  void Field(std::string_view name, std::string_view utf8);
  void Field(std::string_view name, int64_t value);
  // Ends the document with a line break and writes out what is left.
  void Finish();

private:
  // Starts a value: after a key in place, in an array on a line of its own.
  void StartValue();
  // Starts a member or element on a line of its own, after a comma but for the first.
  void NewItem();
  void Begin(char bracket);
  void End(char bracket);
  // The text quoted, with what JSON must escape escaped.
  void PutString(std::string_view utf8);
  void Put(std::string_view text);
  void Flush();

  std::vector<bool> emptyLevels_; // for each object or array open: whether it is still empty
  bool afterKey_ = false;
  std::string buffer_;
};

} // namespace cli
