// What a window shows for the sample disc (samples/sample.disc): the session list,
// the labels, and for each session its directory tree and its root's grid rows. Both
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
     {{" 1 README.TXT", "     3120"}, {" 2 big.bin", "   100000"}, {" 3 docs", " < DIR > "},
      {" 4 empty.dat", "        0"}, {" 5 one.bin", "        1"}}},
    {{"CD", "CD/archive", "CD/docs", "CD/photos", "CD/private"},
     {{" 1 README.TXT", "     4345"}, {" 2 archive", " < DIR > "}, {" 3 big.bin", "   100000"},
      {" 4 docs", " < DIR > "}, {" 5 empty.dat", "        0"}, {" 6 one.bin", "        1"},
      {" 7 photos", " < DIR > "}, {" 8 private", " < DIR > "}}},
    {{"CD", "CD/archive", "CD/docs", "CD/photos", "CD/private"},
     {{" 1 README.TXT", "     4345"}, {" 2 archive", " < DIR > "}, {" 3 big.bin", "   100000"},
      {" 4 changes.txt", "      512"}, {" 5 docs", " < DIR > "}, {" 6 empty.dat", "        0"},
      {" 7 one.bin", "      246"}, {" 8 photos", " < DIR > "}, {" 9 private", " < DIR > "}}},
};

}  // namespace tarnwick::test::sample
