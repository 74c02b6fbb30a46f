// The wait-until-ready loop: sleeps between polls while the drive reports that it is
// becoming ready (additional sense code 04h). The budget falls by the nominal sleep of
// every round, not by the time that really passed, so the number of rounds is bounded
// by budget / interval whatever the clock does.
#include <cstring>

#include "drive/AnswerBuffers.h"
#include "drive/SCSIDevice.h"
#include "platform/Platform.h"

namespace tarnwick {

namespace {

constexpr std::int32_t kQuirkPollMs = 1500;
constexpr std::int32_t kTestUnitReadyMs = 5000;
constexpr std::uint8_t kNotReadyAsc = 0x04;

void Sleep(std::int64_t ms) { platform::Current().SleepEx(static_cast<std::uint32_t>(ms), false); }

}  // namespace

bool TSCSIDevice::WaitUntilReady(std::int32_t budgetMs, std::int32_t intervalMs) {
  auto& sense = AnswerBuffers().SenseBuffer;
  // 64-bit arithmetic: a budget near the 32-bit limits must not wrap. An interval
  // below 1 ms would never use up the budget and poll a drive that stays not ready
  // for ever, so it counts as 1 ms.
  std::int64_t budget = budgetMs;
  const std::int64_t interval = intervalMs < 1 ? 1 : intervalMs;
  auto notReady = [this] { return LastSense[12] == kNotReadyAsc; };

  std::memset(sense, 0, sizeof sense);

  // Drives known to answer slowly after a medium change are polled in short steps first.
  if (DvdRwQuirk || ReadyPollQuirk) {
    do {
      Sleep(kQuirkPollMs);
      budget -= kQuirkPollMs;
      if (budget < 0) break;
      TestUnitReady(kTestUnitReadyMs);
    } while (notReady());
  }

  do {
    Sleep(interval);
    ReadDiscInfo();
    budget -= interval;
    if (budget < 0) return false;
  } while (notReady());

  if (TestUnitReady(kTestUnitReadyMs)) return true;

  do {
    Sleep(interval);
    budget -= interval;
    if (budget < 0) return false;
    TestUnitReady(kTestUnitReadyMs);
  } while (notReady());

  do {
    std::memset(sense, 0, sizeof sense);
    RequestSense(sense, sizeof sense);
    budget -= interval;
    if (budget < 0) return false;
    // A current error with the valid bit counts as not ready.
    if (sense[0] == 0xF0) sense[12] = kNotReadyAsc;
    if (sense[12] == kNotReadyAsc) Sleep(interval);
  } while (sense[12] != 0);

  return true;
}

}  // namespace tarnwick
