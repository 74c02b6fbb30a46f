// The streaming JSON writer lays out any document exactly as nlohmann::json's
// dump(2) does (the listing's documents were written that way before they were
// streamed): nesting, empty containers, numbers at their limits, and strings that
// need escaping or hold invalid UTF-8.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/JsonWriter.h"

namespace tarnwick::cli {
namespace {

using nlohmann::json;

// Replays a document through the writer (objects iterate their keys in order).
void Replay(const json& value, TJsonWriter& out) {
  switch (value.type()) {
    case json::value_t::object:
      out.BeginObject();
      for (const auto& [key, item] : value.items()) {
        out.Key(key);
        Replay(item, out);
      }
      out.EndObject();
      break;
    case json::value_t::array:
      out.BeginArray();
      for (const json& item : value) Replay(item, out);
      out.EndArray();
      break;
    case json::value_t::string:
      out.String(value.get_ref<const std::string&>());
      break;
    case json::value_t::number_unsigned:
      out.Number(value.get<std::uint64_t>());
      break;
    case json::value_t::number_integer:
      out.Number(value.get<std::int64_t>());
      break;
    case json::value_t::boolean:
      out.Bool(value.get<bool>());
      break;
    default:
      out.Null();
      break;
  }
}

TEST(JsonWriter, LaysOutDocumentsAsDumpWithIndentTwo) {
  const std::string texts[] = {"",          "plain name.txt", "quote \" and back\\slash", "\x01\x1f\x7f ctl",
                               "tab\tnl\n\r\b\f", "caf\xc3\xa9 \xf0\x9f\x98\x80", "bad \xff\xfe bytes",
                               "cut \xe2\x82", std::string("nul\0inside", 10)};
  json strings = json::array();
  for (const std::string& t : texts) strings.push_back(t);
  const json documents[] = {
      json::object(),
      json::array(),
      json{{"entries", json::array()}, {"path", "/"}},
      json{{"drive", "D:"},
           {"entries", {{{"attributes", 16}, {"date", nullptr}, {"extents", json::array()}, {"hidden", false}},
                        {{"extents", {{{"bytes", 7}, {"lba", 45}}, {{"bytes", -1}, {"lba", 0}}}}, {"hidden", true}}}},
           {"session", 255}},
      json{{"limits",
            {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::uint64_t>::max(), 0, -1}},
           {"nested", {json::array(), json::object(), {json::array({json::object()})}}},
           {"strings", strings},
           {texts[5], texts[6]}},
  };
  for (const json& document : documents) {
    std::ostringstream streamed;
    {
      TJsonWriter writer(streamed);
      Replay(document, writer);
    }
    EXPECT_EQ(document.dump(2, ' ', false, json::error_handler_t::replace), streamed.str());
  }
}

}  // namespace
}  // namespace tarnwick::cli
