// The About text both windows show: the product, its version and what it does.
#pragma once

#include <string>

namespace tarnwick {

std::string AboutText();

}  // namespace tarnwick
