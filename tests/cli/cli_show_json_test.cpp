// show --json and drives --json against the text forms of the same drive: every figure
// the text prints comes back as a number, and the tracks are those the disc holds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "CliRun.h"
#include "support/TempDir.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct Track {
  int number, session;
  const char* mode;
  std::uint32_t start, length;
};

struct Disc {
  const char* name;
  const char* description;  // empty: the sample disc
  int status;
  std::vector<Track> tracks;
};

std::string Msf(std::uint32_t lba) {
  const std::uint32_t f = lba + 150;
  char text[16];
  std::snprintf(text, sizeof text, "%03u:%02u:%02u", f / 4500, f / 75 % 60, f % 75);
  return text;
}
std::string Mb(std::uint64_t blocks) { return std::to_string(static_cast<long long>(std::nearbyint(blocks / 512.0))); }
std::string Decimal(std::uint64_t blocks) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f MB", blocks * 2048.0 / 1048576.0);
  return text;
}
std::string Blocks(const json& j) {
  EXPECT_EQ(j.at("bytes").get<std::uint64_t>(), j.at("blocks").get<std::uint64_t>() * 2048);
  return Mb(j.at("blocks").get<std::uint64_t>());
}

// The text `show` would print for the document.
std::string TextOf(const json& doc) {
  std::string text = " Number  Start   Size\n";
  if (!doc.at("ready").get<bool>()) return text + "     Error getting session information\n";
  for (const json& s : doc.at("sessions")) {
    char number[8];
    std::snprintf(number, sizeof number, "%03d", s.at("number").get<int>());
    const std::string msf = Msf(s.at("start").get<std::uint32_t>());
    if (s.at("size").is_null()) {
      text += " " + std::string(number) + " " + msf + "  ???? MB\n";
    } else {
      const std::string mb = Blocks(s.at("size"));
      text += "   " + std::string(number) + " " + msf + " " + std::string(mb.size() < 4 ? 4 - mb.size() : 0, ' ') + mb + " MB\n";
    }
  }
  const json& free = doc.at("free");
  const std::string mb = Blocks(free);
  text += " Free  " + (free.at("start").is_null() ? std::string("00:00:00") : Msf(free.at("start").get<std::uint32_t>())) +
          " " + std::string(mb.size() < 4 ? 4 - mb.size() : 0, ' ') + mb + " MB\n";
  text += "Medium  : " + doc.at("medium").at("name").get<std::string>() + "\n";
  Blocks(doc.at("disc_size"));
  Blocks(doc.at("used_space"));
  text += "Disc Size  : " + Decimal(doc.at("disc_size").at("blocks").get<std::uint64_t>()) + "\n";
  text += "Used Space  : " + Decimal(doc.at("used_space").at("blocks").get<std::uint64_t>()) + "\n";
  return text;
}

TEST(ShowJson, CarriesEveryFigureOfTheTextForm) {
  const Disc discs[] = {
      {"sample", "", 0, {{1, 1, "mode1", 0, 89}, {2, 2, "mode1", 11489, 56}, {3, 3, "mode1", 18445, 41}}},
      // Audio before a data session (no volume descriptor there: a line without size).
      {"enhanced", "medium profile=CD-R\ndisc status=complete\nsession\ntrack type=audio start=0 length=9000\n"
                   "track type=audio start=9000 length=4500\nsession\ntrack start=24900 length=3000\n",
       0, {{1, 1, "audio", 0, 9000}, {2, 1, "audio", 9000, 4500}, {3, 2, "mode1", 24900, 3000}}},
      // A DVD's second session beyond what the MSF form can address.
      {"dvd", "medium profile=DVD+R\ndisc status=incomplete\nsession\ntrack start=0 length=5000\n"
              "session\ntrack start=1200000 length=64\n",
       0, {{1, 1, "mode1", 0, 5000}, {2, 2, "mode1", 1200000, 64}}},
      // A drive that answers no READ TRACK INFORMATION: lengths from the next start.
      {"no-track-info", "medium profile=CD-ROM\nsession\ntrack type=audio start=0 length=700\n"
                        "track start=700 length=300\nfault command=52 sense=05/20/00\n",
       0, {{1, 1, nullptr, 0, 700}, {2, 1, nullptr, 700, 300}}},
      {"blank", "medium profile=CD-R\ndisc status=empty\n", 0, {}},
      {"absent", "medium absent\n", 1, {}},
  };
  TempDir dir;
  for (const Disc& disc : discs) {
    SCOPED_TRACE(disc.name);
    fs::path image = fs::path(TARNWICK_SOURCE_DIR) / "samples" / "sample.disc";
    if (*disc.description) {
      image = dir / (std::string(disc.name) + ".disc");
      std::ofstream(image) << disc.description;
    }
    const CliResult text = RunCli({"--image", image.string(), "show"});
    const CliResult doc = RunCli({"--image", image.string(), "show", "--json"});
    EXPECT_EQ(text.status, disc.status) << text.err;
    EXPECT_EQ(doc.status, disc.status) << doc.err;
    const json j = json::parse(doc.out);
    EXPECT_EQ(doc.out, j.dump(2) + "\n") << "keys in byte order, dump(2) layout";
    EXPECT_EQ(TextOf(j), text.out);
    if (!j.at("ready").get<bool>()) continue;
    std::vector<json> expected;
    for (const Track& t : disc.tracks)
      expected.push_back({{"number", t.number},
                          {"session", t.session},
                          {"mode", t.mode ? json(t.mode) : json(nullptr)},
                          {"start", t.start},
                          {"length", t.length}});
    EXPECT_EQ(j.at("tracks"), json(expected));
    for (const json& s : j.at("sessions")) {
      std::vector<int> inSession;
      for (const Track& t : disc.tracks)
        if (t.session == s.at("number").get<int>()) inSession.push_back(t.number);
      ASSERT_FALSE(inSession.empty());
      EXPECT_EQ(s.at("first_track").get<int>(), inSession.front());
      EXPECT_EQ(s.at("last_track").get<int>(), inSession.back());
    }

    // drives --json names what the text line shows.
    const CliResult drives = RunCli({"--image", image.string(), "drives"});
    const CliResult drivesDoc = RunCli({"--image", image.string(), "drives", "--json"});
    ASSERT_EQ(drivesDoc.status, 0) << drivesDoc.err;
    std::string lines;
    const json drivesJson = json::parse(drivesDoc.out);
    for (const json& d : drivesJson.at("drives")) {
      const json& a = d.at("address");
      char head[64];
      std::snprintf(head, sizeof head, "%u:%u:%u,%s: ", a.at("adapter").get<unsigned>(), a.at("target").get<unsigned>(),
                    a.at("lun").get<unsigned>(), d.at("letter").get<std::string>().c_str());
      char identity[64];
      std::snprintf(identity, sizeof identity, "%-8s%-16s%-4s", d.at("vendor").get<std::string>().c_str(),
                    d.at("product").get<std::string>().c_str(), d.at("revision").get<std::string>().c_str());
      lines += head + std::string(identity) + "\t" + d.at("device").get<std::string>() + "\n";
    }
    EXPECT_EQ(lines, drives.out);
  }
}

}  // namespace
}  // namespace tarnwick::test
