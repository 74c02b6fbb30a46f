#include <gtest/gtest.h>

#include <string>

#include "platform/SystemNames.h"

namespace tarnwick::platform {
namespace {

TEST(SystemNamesTest, ReservedNamesAreMadeSafeAndOthersKept) {
#if defined(_WIN32)
  const struct {
    const char* name;
    const char* safe;
  } cases[] = {
      {"CON", "_CON"},          {"nul.txt", "_nul.txt"},     {"Com1", "_Com1"},
      {"LPT9.tar.gz", "_LPT9.tar.gz"}, {"AUX .txt", "_AUX .txt"}, {"COM0", "COM0"},
      {"CONSOLE", "CONSOLE"},   {"a<b>c:d\"e|f?g*h", "a_b_c_d_e_f_g_h"},
      {"tab\there", "tab_here"}, {"name. .", "name"},        {"README", "README"},
      {"conout$", "_conout$"},  {"CONIN$.log", "_CONIN$.log"}, {"COM\xC2\xB9", "_COM\xC2\xB9"},
      {"lpt\xC2\xB3.txt", "_lpt\xC2\xB3.txt"}, {"COM\xC2\xB4", "COM\xC2\xB4"}, {"COM10", "COM10"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MakeSystemSafeName(c.name), c.safe) << c.name;
    EXPECT_EQ(IsReservedSystemName(c.name), std::string(c.name) != c.safe) << c.name;
    EXPECT_FALSE(IsReservedSystemName(MakeSystemSafeName(c.name))) << c.name;
  }
#else
  // Only '/' and NUL are special on Linux, and callers handle those themselves.
  for (const char* name : {"CON", "nul.txt", "a:b?c", "name. "}) {
    EXPECT_EQ(MakeSystemSafeName(name), name);
    EXPECT_FALSE(IsReservedSystemName(name));
  }
#endif
}

}  // namespace
}  // namespace tarnwick::platform
