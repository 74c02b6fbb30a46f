// The disc description language: one statement a line, a keyword followed by
// key=value fields (values with blanks in double quotes), '#' starting a comment.
// docs/disc-description.md describes every keyword and key.
#pragma once

#include <string>

#include "vdrive/DiscModel.h"

namespace tarnwick::vdrive {

// Parses and checks a description; throws DescriptionError "name:line: what".
DiscModel ParseDescription(const std::string& text, const std::string& baseDir, const std::string& name);

// True when the first statement of `text` (blank lines and comments skipped) begins
// with a description keyword.
bool LooksLikeDescription(const std::string& text);

}  // namespace tarnwick::vdrive
