// A JSON document written as it is produced, in the layout of nlohmann::json's
// dump(2) (two-space indent, "key": value, empty containers as {} and [], UTF-8 kept,
// invalid UTF-8 replaced), so a listing of any size needs no document in memory.
//
// The writer does not sort: keys must come in the order the document should show
// them (nlohmann::json orders an object's keys by byte value).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::cli {

class TJsonWriter {
 public:
  explicit TJsonWriter(std::ostream& out);
  ~TJsonWriter();  // flushes
  TJsonWriter(const TJsonWriter&) = delete;
  TJsonWriter& operator=(const TJsonWriter&) = delete;

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The key of the next value inside an object.
  void Key(std::string_view key);
  void String(std::string_view text);
  void Number(std::int64_t value);
  void Number(std::uint64_t value);
  void Bool(bool value);
  void Null();
  // Writes what is buffered to the stream.
  void Flush();

 private:
  void BeforeValue();
  void Open(char bracket);
  void Close(char bracket);
  void Quoted(std::string_view text);
  void Indent(std::size_t depth);

  std::ostream& out_;
  std::string buffer_;
  // Per open container: whether it holds anything yet.
  std::vector<bool> filled_;
  bool afterKey_ = false;
};

}  // namespace tarnwick::cli
