// The process-wide answer buffers of the drive commands, kept in one owned place.
// Every query overwrites the buffer it uses; all use is on one thread.
#pragma once

#include <cstdint>

namespace tarnwick {

struct TAnswerBuffers {
  std::uint8_t DiscInfoBuffer[56];      // READ DISC INFORMATION
  std::uint8_t ConfigBuffer[114];       // GET CONFIGURATION
  std::uint8_t SessionAnswer[4];        // READ TOC format 1
  std::uint8_t CapacityAnswer[8];       // READ CAPACITY
  std::uint8_t FormatCapacities[248];   // READ FORMAT CAPACITIES
  std::uint8_t SenseBuffer[40];         // REQUEST SENSE in WaitUntilReady
  std::uint8_t ModeBuffer[1024];        // every MODE SENSE answer and MODE SELECT list
  std::uint8_t PageBuffer[256];         // capabilities and vendor pages
  std::uint8_t PageBuffer512A[512];     // write parameters pages
  std::uint8_t PageBuffer512B[512];
  std::uint8_t TocBuffer[114];          // READ TOC format 0 in GetDiscInfo
};

TAnswerBuffers& AnswerBuffers();

}  // namespace tarnwick
