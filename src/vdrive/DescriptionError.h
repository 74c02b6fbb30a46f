// The error a disc description or image that cannot be used raises. Its text names the
// file, the line where there is one, and what is wrong: "disc.txt:4: unknown key 'size'".
#pragma once

#include <stdexcept>

namespace tarnwick::vdrive {

class DescriptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tarnwick::vdrive
