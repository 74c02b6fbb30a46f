// Placeholder: replaced by its implementation.
#include "drive/AnswerBuffers.h"
#include "drive/Disc.h"

namespace tarnwick {

const std::array<const char*, 14> MediumNames = {};
const TProfileEntry* FindProfile(std::uint16_t) { return nullptr; }
std::uint8_t ProfileToMediumIndex(std::uint16_t) { return 0; }
TAnswerBuffers& AnswerBuffers() { static TAnswerBuffers b{}; return b; }

}  // namespace tarnwick
