#include "browse/About.h"

#include "Version.h"

namespace tarnwick {

std::string AboutText() {
  return std::string(kProductName) + " " + kProductVersion +
         "\n\nShows the sessions of a multisession CD, DVD or BD and copies files out of any one of them, "
         "talking to the drive directly. Disc images serve as virtual drives.\n\n"
         "The same from a terminal: tarnwick-cli --help";
}

}  // namespace tarnwick
