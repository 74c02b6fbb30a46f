// Local paths for the entries of one extraction run. Different disc entries can map
// to the same local name ("a/b" and "a_b" both become "a_b"; an imported tree keeps
// two entries named "README"); the second must not replace the first. Each entry of a
// run claims its destination here and gets a path no earlier entry of the run has.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace tarnwick {

struct TDestination {
  std::string path;       // where the entry goes
  std::string wanted;     // LocalDestination of the entry; differs from path when renamed
  std::string takenBy;    // when renamed: the owner of the entry that holds `wanted`
  bool Renamed() const { return path != wanted; }
};

class TDistinctDestinations {
 public:
  // The destination of the entry named `longName` in the local `directory`:
  // LocalDestination(directory, longName) unless an earlier claim of this run holds
  // that path, or holds the same local file under a name that differs only in ASCII
  // case (a local file system that ignores case). Then "~2", "~3", ... is added, to
  // a file's name before its extension ("name~2.ext"), to a directory's name at its
  // end, keeping the name within 255 bytes. `owner` (the entry's path on the disc)
  // is kept to name the holder in later clashes.
  TDestination Claim(const std::string& directory, const std::string& longName, bool isDirectory,
                     const std::string& owner);

 private:
  // The owner of the claim that holds `path`, or none.
  const std::string* Holder(const std::string& path) const;

  // Claimed path -> owner.
  std::unordered_map<std::string, std::string> owners_;
  // Claimed paths by their ASCII lower-case form.
  std::unordered_map<std::string, std::vector<std::string>> folded_;
  // Wanted path -> the next number to try for it.
  std::unordered_map<std::string, unsigned> nextNumber_;
};

}  // namespace tarnwick
