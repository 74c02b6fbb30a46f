#include "browse/NameChoice.h"

namespace tarnwick {

const std::array<TNameChoice, 5>& NameChoices() {
  static const std::array<TNameChoice, 5> choices{{
      {TNamePreference::Auto, "Automatic", "auto"},
      {TNamePreference::Joliet, "Joliet", "joliet"},
      {TNamePreference::RockRidge, "Rock Ridge", "rockridge"},
      {TNamePreference::Iso, "ISO 9660", "iso"},
      {TNamePreference::Udf, "UDF", "udf"},
  }};
  return choices;
}

const TNameChoice& NameChoiceOf(const std::string& word) {
  for (const TNameChoice& choice : NameChoices())
    if (word == choice.word) return choice;
  return NameChoices().front();
}

const TNameChoice& NameChoiceOf(TNamePreference preference) {
  for (const TNameChoice& choice : NameChoices())
    if (preference == choice.preference) return choice;
  return NameChoices().front();
}

}  // namespace tarnwick
