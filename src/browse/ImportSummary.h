// What the window and the command line say about an import's problems, in plain words:
// one line per kind of problem, with how many there were and the first few places,
// never one line per entry left out. Free of any GUI toolkit.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "iso/QuarnBurner.h"

namespace tarnwick {

// One line per kind of problem, in the order the kinds were first met (what could not
// be read before what a limit left out); each names at most `places` of the
// directories or entries concerned.
std::vector<std::string> ImportProblemLines(const TImportProblems& problems, std::size_t places = 3);

// The text of the window's message box after importing `session`: what is missing,
// in plain words (never that the session was imported when its top directory could
// not be read); how much the window's limits leave out, and that the command-line
// tool lists it all; how the marked directories look; and, when anything could not be
// read, what to try next. Empty when there were no problems.
std::string ImportProblemSummary(const TQuarnBurner& burner, std::uint8_t session, std::size_t places = 3);

}  // namespace tarnwick
