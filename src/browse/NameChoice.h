// Which names an import shows, as both windows and the command line offer the
// choice: the choices in menu order, their labels, and the word that names each in
// the settings and on the command line. Free of any GUI toolkit.
#pragma once

#include <array>
#include <string>

#include "iso/QuarnBurner.h"

namespace tarnwick {

inline constexpr const char* kNamesMenuText = "Names";

struct TNameChoice {
  TNamePreference preference;
  const char* label;  // the menu's text
  const char* word;   // the settings' and the command line's word
};

// Automatic, Joliet, Rock Ridge, ISO 9660, UDF.
const std::array<TNameChoice, 5>& NameChoices();

// The choice a word names; Automatic for any other word (an empty setting, one
// written by a later version).
const TNameChoice& NameChoiceOf(const std::string& word);
const TNameChoice& NameChoiceOf(TNamePreference preference);

}  // namespace tarnwick
