#include "RescueMapBlocks.h"

#include <gtest/gtest.h>

#include <sstream>

#include "CliRun.h"

namespace tarnwick::test {

std::vector<std::uint32_t> MapBlocks(const std::string& map, const std::string& statuses) {
  const CliResult r = RunCaptured({"ddrescuelog", "-b", "2048", "-l" + statuses, map});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<std::uint32_t> listed;
  std::istringstream lines(r.out);
  for (std::uint32_t b; lines >> b;) listed.push_back(b);
  return listed;
}

}  // namespace tarnwick::test
