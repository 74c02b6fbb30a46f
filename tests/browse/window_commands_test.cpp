#include <gtest/gtest.h>

#include "browse/WindowCommands.h"

namespace tarnwick {
namespace {

// Which session a double-clicked line of the session list imports, whichever window
// shows the list.
TEST(WindowCommands, ALineImportsTheSessionItNamesAndOtherLinesNothing) {
  using K = TSessionLine::Kind;
  const TSessionLine one{K::Session, "   001 000:02:00    0 MB", 1};
  const TSessionLine three{K::SessionWithoutSize, "   003 004:07:70  ???? MB", 3};
  const TSessionLine free{K::FreeSpace, " Free  004:08:36  653 MB", 0};
  const TSessionLine error{K::Error, kSessionErrorLine, 0};
  const struct {
    std::vector<TSessionLine> lines;
    std::size_t index;
    std::uint8_t session;
  } cases[] = {
      // Session 2 got no line: the second line still imports session 3.
      {{one, three, free}, 0, 1},
      {{one, three, free}, 1, 3},
      {{one, three, free}, 2, 0},   // the free-space line
      {{one, three, free}, 3, 0},   // past the end
      {{error}, 0, 0},              // a lone error line
      {{one}, 0, 0},                // a lone line is never imported
      {{}, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SessionOfLine(c.lines, c.index), c.session) << "line " << c.index << " of " << c.lines.size();
  }
}

}  // namespace
}  // namespace tarnwick
