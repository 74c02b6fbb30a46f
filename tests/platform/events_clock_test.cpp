#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/OwnPlatform.h"
#include "platform/RealClock.h"
#include "platform/VirtualClock.h"

namespace tarnwick::platform {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

class EventsTest : public ::testing::Test {
 protected:
  test::OwnPlatform platform;
  VirtualClock clock{1000};
};

TEST_F(EventsTest, VirtualTimeoutCostsNoRealTimeAndSleepsAreRecorded) {
  ScopedClock scope(clock);
  EventHandle event = platform.NewEvent(true, false);
  const auto before = steady_clock::now();
  EXPECT_EQ(platform.WaitForSingleObject(event, 10000), kWaitTimeout);
  EXPECT_LT(steady_clock::now() - before, std::chrono::seconds(2));
  EXPECT_EQ(clock.NowMs(), 11000u);

  platform.SetEvent(event);  // signalled: returns at once, time stands still
  EXPECT_EQ(platform.WaitForSingleObject(event, 5000), kWaitSignalled);
  EXPECT_EQ(clock.NowMs(), 11000u);
  EXPECT_EQ(clock.Waits(), (std::vector<std::uint32_t>{10000, 5000}));

  platform.SleepEx(5000, false);
  platform.SleepEx(250, false);
  EXPECT_EQ(clock.Sleeps(), (std::vector<std::uint32_t>{5000, 250}));
  EXPECT_EQ(clock.SleptMs(), 5250u);
  EXPECT_EQ(clock.NowMs(), 16250u);
  EXPECT_TRUE(platform.CloseEvent(event));
}

TEST_F(EventsTest, VirtualClockRealGraceLetsAnotherThreadSignal) {
  clock.SetRealGrace(5000);
  ScopedClock scope(clock);
  EventHandle event = platform.NewEvent(true, false);
  std::thread signaller([event] {
    std::this_thread::sleep_for(milliseconds(20));
    SignalEvent(event);  // as a library does (SetEvent on Windows)
  });
  EXPECT_EQ(platform.WaitForSingleObject(event, 10000), kWaitSignalled);
  signaller.join();
  EXPECT_EQ(clock.NowMs(), 1000u);
  platform.CloseEvent(event);
}

TEST_F(EventsTest, RealClockWaitWokenByAnotherThreadOrTimingOut) {
  RealClock real;
  ScopedClock scope(real);
  EventHandle event = platform.NewEvent(true, false);
  const auto before = steady_clock::now();
  std::thread signaller([this, event] {
    std::this_thread::sleep_for(milliseconds(30));
    platform.SetEvent(event);
  });
  EXPECT_EQ(platform.WaitForSingleObject(event, 10000), kWaitSignalled);
  signaller.join();
  EXPECT_GE(steady_clock::now() - before, milliseconds(25));
  EXPECT_LT(steady_clock::now() - before, std::chrono::seconds(5));

  EXPECT_TRUE(platform.ResetEvent(event));
  const auto start = steady_clock::now();
  EXPECT_EQ(platform.WaitForSingleObject(event, 40), kWaitTimeout);
  EXPECT_GE(steady_clock::now() - start, milliseconds(35));
  platform.CloseEvent(event);
}

TEST_F(EventsTest, ManualResetStaysSignalledAutoResetIsConsumed) {
  ScopedClock scope(clock);
  EventHandle manual = platform.NewEvent(true, true);
  EXPECT_EQ(platform.WaitForSingleObject(manual, 100), kWaitSignalled);
  EXPECT_EQ(platform.WaitForSingleObject(manual, 100), kWaitSignalled);
  EXPECT_TRUE(platform.ResetEvent(manual));
  EXPECT_FALSE(platform.IsEventSet(manual));
  EXPECT_EQ(platform.WaitForSingleObject(manual, 100), kWaitTimeout);

  EventHandle automatic = platform.NewEvent(false, true);
  EXPECT_EQ(platform.WaitForSingleObject(automatic, 100), kWaitSignalled);
  EXPECT_FALSE(platform.IsEventSet(automatic));
  EXPECT_EQ(platform.WaitForSingleObject(automatic, 100), kWaitTimeout);
  platform.CloseEvent(manual);
  platform.CloseEvent(automatic);
}

TEST_F(EventsTest, ClosedAndForeignEventsAreRefused) {
  ScopedClock scope(clock);
  EventHandle event = platform.NewEvent(true, false);
  void* notAnEvent[1] = {nullptr};  // an address no event of the platform stands behind
  const auto foreign = reinterpret_cast<EventHandle>(notAnEvent);
  EXPECT_EQ(platform.WaitForSingleObject(foreign, 100), kWaitFailed);
  EXPECT_EQ(clock.Wait(foreign, 100), kWaitFailed);
  EXPECT_FALSE(platform.SetEvent(foreign));
  EXPECT_TRUE(platform.CloseHandle(reinterpret_cast<Handle>(event)));
  EXPECT_FALSE(platform.CloseEvent(event));
  EXPECT_FALSE(platform.SetEvent(event));
  EXPECT_EQ(platform.WaitForSingleObject(event, 100), kWaitFailed);
}

}  // namespace
}  // namespace tarnwick::platform
