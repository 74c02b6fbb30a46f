// What the window and the command line say about an import's problems: one line per
// kind of problem, with how many there were and the first few places, never one line
// per entry left out. Free of any GUI toolkit.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "iso/ImportProblems.h"

namespace tarnwick {

// One line per kind of problem, in the order the kinds were first met; each names at
// most `places` of the directories or entries concerned.
std::vector<std::string> ImportProblemLines(const TImportProblems& problems, std::size_t places = 3);

// The text of the window's message box: a heading and the lines above; empty when
// there were no problems.
std::string ImportProblemSummary(const TImportProblems& problems, std::size_t places = 3);

}  // namespace tarnwick
