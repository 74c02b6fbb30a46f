// A TQuarnBurner attached to one virtual drive, with its debug messages collected,
// and a text dump of its tree for comparisons.
#pragma once

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "iso/QuarnBurner.h"
#include "support/CraftedIso.h"
#include "support/TempDir.h"
#include "support/VirtualDriveScope.h"

namespace tarnwick::test {

struct ServedDisc {
  TempDir dir;
  std::unique_ptr<VirtualDriveScope> scope;
  TQuarnBurner qb;
  std::vector<std::string> log;  // "type:text"

  ServedDisc() {
    qb.OnDebugMessage = [this](TSCSIDevice*, const std::string& text, std::uint8_t type) {
      log.push_back(std::to_string(type) + ":" + text);
    };
  }
  ~ServedDisc() { scope.reset(); }

  void Serve(const std::string& path) {
    scope.reset();  // a scope undoes the transport when it ends, so end the old one first
    scope = std::make_unique<VirtualDriveScope>(std::vector<std::string>{path});
    scope->Attach(qb, 0);
  }
  void Serve(const CraftedIso& iso) { Serve(iso.Write(dir / "disc.iso")); }
  // A description text written next to the images and served.
  void ServeDescription(const std::string& text) {
    const std::string path = (dir / "disc.desc").string();
    std::ofstream(dir / "disc.desc", std::ios::binary) << text;
    Serve(path);
  }

  bool Logged(const std::string& line) const {
    for (const std::string& l : log)
      if (l == line) return true;
    return false;
  }
};

// One line per entry, "  " per level: name, size, attributes, and "-" for an entry
// without a date.
inline void DumpTree(const TDEntry* dir, std::string& out, int depth = 0) {
  for (const TFEntry* e = dir ? dir->Files : nullptr; e; e = e->Next) {
    out += std::string(2 * depth, ' ') + e->LongName + " " + std::to_string(e->Size) + " " + std::to_string(e->Attr) +
           (e->HasDate() ? "" : " -") + "\n";
    if (e->Dir) DumpTree(e->Dir, out, depth + 1);
  }
}

inline std::string DumpTree(const TDEntry* dir) {
  std::string out;
  DumpTree(dir, out);
  return out;
}

}  // namespace tarnwick::test
