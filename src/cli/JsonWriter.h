// A JSON document written as it is produced, in the layout of nlohmann::json's
// dump(2) (two-space indent, "key": value, empty containers as {} and [], UTF-8 kept,
// invalid UTF-8 replaced), so a listing of any size needs no document in memory.
//
// The writer does not sort: keys must come in the order the document should show
// them (nlohmann::json orders an object's keys by byte value).
#pragma once

#include <cstdint>
#include <functional>
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

  // The text `write` gives for one value written at this writer's depth; written
  // again with Raw, it repeats a value that recurs unchanged without building it anew.
  std::string Render(const std::function<void(TJsonWriter&)>& write) const;
  // The next value, as Render gave it.
  void Raw(std::string_view text);
  // The containers open around the next value.
  std::size_t Depth() const { return filled_.size(); }

 private:
  // A writer that only renders into its buffer (see Render).
  TJsonWriter() = default;
  void BeforeValue();
  void Open(char bracket);
  void Close(char bracket);
  void Quoted(std::string_view text);
  void Indent(std::size_t depth);

  std::ostream* out_ = nullptr;
  std::string buffer_;
  // Per open container: whether it holds anything yet.
  std::vector<bool> filled_;
  bool afterKey_ = false;
};

}  // namespace tarnwick::cli
