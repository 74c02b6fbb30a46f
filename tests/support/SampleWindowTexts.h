// What a window shows for the sample disc (samples/sample.disc): the session list,
// the labels, and for each session its directory tree and its root's grid rows (its
// Rock Ridge names, in the order of the primary tree's records). Both
// windows' tests compare their controls with these texts.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tarnwick::test::sample {

using Rows = std::vector<std::pair<std::string, std::string>>;

inline const std::vector<std::string> kSessionLines = {
    "   001 000:02:00    0 MB",
    "   002 002:35:14    0 MB",
    "   003 004:07:70    0 MB",
    " Free  004:08:36  653 MB",
};
inline constexpr const char* kMedium = "CD-R";
inline constexpr const char* kDiscSize = "703.12 MB";
inline constexpr const char* kUsedSpace = "49.58 MB";

struct Session {
  std::vector<std::string> tree;  // "CD", "CD/docs", ... depth first
  Rows root;                      // (column 0, column 1) of the root's rows
};

inline const std::vector<Session> kSessions = {
    {{"CD", "CD/docs"},
     {{" 1 big.bin", "   100000"}, {" 2 docs", " < DIR > "}, {" 3 empty.dat", "        0"},
      {" 4 one.bin", "        1"}, {" 5 README.TXT", "     3120"}}},
    {{"CD", "CD/archive", "CD/docs", "CD/photos", "CD/private"},
     {{" 1 archive", " < DIR > "}, {" 2 big.bin", "   100000"}, {" 3 docs", " < DIR > "},
      {" 4 empty.dat", "        0"}, {" 5 one.bin", "        1"}, {" 6 photos", " < DIR > "},
      {" 7 private", " < DIR > "}, {" 8 README.TXT", "     4345"}}},
    {{"CD", "CD/archive", "CD/docs", "CD/photos", "CD/private"},
     {{" 1 archive", " < DIR > "}, {" 2 big.bin", "   100000"}, {" 3 changes.txt", "      512"},
      {" 4 docs", " < DIR > "}, {" 5 empty.dat", "        0"}, {" 6 one.bin", "      246"},
      {" 7 photos", " < DIR > "}, {" 8 private", " < DIR > "}, {" 9 README.TXT", "     4345"}}},
};

}  // namespace tarnwick::test::sample
