#include "cli/JsonWriter.h"

#include <charconv>
#include <ostream>

#include <nlohmann/json.hpp>

namespace tarnwick::cli {

namespace {

constexpr std::size_t kFlushAt = 1 << 16;

// Text that JSON takes as it is: printable ASCII without quote or backslash.
bool Plain(std::string_view text) {
  for (unsigned char c : text)
    if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') return false;
  return true;
}

}  // namespace

TJsonWriter::TJsonWriter(std::ostream& out) : out_(&out) { buffer_.reserve(kFlushAt + 4096); }

TJsonWriter::~TJsonWriter() { Flush(); }

void TJsonWriter::Flush() {
  if (!out_) return;
  if (!buffer_.empty()) out_->write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  buffer_.clear();
}

std::string TJsonWriter::Render(const std::function<void(TJsonWriter&)>& write) const {
  // Only the depth shapes the text of a value: its indents.
  TJsonWriter value;
  value.filled_.assign(filled_.size(), true);
  value.afterKey_ = true;
  write(value);
  return std::move(value.buffer_);
}

void TJsonWriter::Raw(std::string_view text) {
  BeforeValue();
  buffer_ += text;
}

void TJsonWriter::Indent(std::size_t depth) { buffer_.append(2 * depth, ' '); }

void TJsonWriter::BeforeValue() {
  if (buffer_.size() >= kFlushAt) Flush();
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (filled_.empty()) return;
  buffer_ += filled_.back() ? ",\n" : "\n";
  filled_.back() = true;
  Indent(filled_.size());
}

void TJsonWriter::Key(std::string_view key) {
  BeforeValue();
  Quoted(key);
  buffer_ += ": ";
  afterKey_ = true;
}

void TJsonWriter::Open(char bracket) {
  BeforeValue();
  buffer_ += bracket;
  filled_.push_back(false);
}

void TJsonWriter::Close(char bracket) {
  const bool filled = filled_.back();
  filled_.pop_back();
  if (filled) {
    buffer_ += '\n';
    Indent(filled_.size());
  }
  buffer_ += bracket;
}

void TJsonWriter::BeginObject() { Open('{'); }
void TJsonWriter::EndObject() { Close('}'); }
void TJsonWriter::BeginArray() { Open('['); }
void TJsonWriter::EndArray() { Close(']'); }

void TJsonWriter::Quoted(std::string_view text) {
  if (Plain(text)) {
    buffer_ += '"';
    buffer_ += text;
    buffer_ += '"';
    return;
  }
  // Escapes and invalid UTF-8 exactly as the rest of our JSON output treats them.
  buffer_ += nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void TJsonWriter::String(std::string_view text) {
  BeforeValue();
  Quoted(text);
}

void TJsonWriter::Number(std::int64_t value) {
  BeforeValue();
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  buffer_.append(digits, end);
}

void TJsonWriter::Number(std::uint64_t value) {
  BeforeValue();
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  buffer_.append(digits, end);
}

void TJsonWriter::Bool(bool value) {
  BeforeValue();
  buffer_ += value ? "true" : "false";
}

void TJsonWriter::Null() {
  BeforeValue();
  buffer_ += "null";
}

}  // namespace tarnwick::cli
