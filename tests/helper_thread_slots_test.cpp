// The count of helper threads: a slot is had only while fewer than the limit are taken,
// and is given back when its holder goes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>
#include <vector>

#include "platform/codecs/helper_thread_slots.h"

namespace vx::testing {
namespace {

TEST(HelperThreadSlots, NoMoreThanTheLimitAreTakenAndEachIsGivenBack) {
  std::atomic<unsigned> count{0};
  {
    HelperThreadSlot first(count, 2);
    std::optional<HelperThreadSlot> second;
    second.emplace(count, 2);
    HelperThreadSlot third(count, 2);
    EXPECT_TRUE(first.taken());
    EXPECT_TRUE(second->taken());
    EXPECT_FALSE(third.taken());
    EXPECT_EQ(count.load(), 2u);
    second.reset();
    HelperThreadSlot fourth(count, 2);
    EXPECT_TRUE(fourth.taken());
  }
  EXPECT_EQ(count.load(), 0u);
  HelperThreadSlot none(count, 0);  // one core: no helper threads at all
  EXPECT_FALSE(none.taken());
  EXPECT_EQ(count.load(), 0u);
}

TEST(HelperThreadSlots, ThreadsTakingSlotsAtOnceNeverExceedTheLimit) {
  std::atomic<unsigned> count{0};
  std::atomic<int> holders{0}, most_holders{0}, taken{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        HelperThreadSlot slot(count, 3);
        if (!slot.taken()) continue;
        ++taken;
        const int now = ++holders;
        int most = most_holders.load();
        while (now > most && !most_holders.compare_exchange_weak(most, now)) {
        }
        std::this_thread::yield();
        --holders;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_LE(most_holders.load(), 3);
  EXPECT_GT(taken.load(), 0);
  EXPECT_EQ(count.load(), 0u);
}

// The process's own count follows the machine: at most one less than its cores, and
// none while the machine has no idle core.
TEST(HelperThreadSlots, TheProcessHasAtMostOneLessThanItsCores) {
  const unsigned cores = std::thread::hardware_concurrency();
  std::vector<std::optional<HelperThreadSlot>> slots(cores + 1);
  unsigned taken = 0;
  for (auto& slot : slots) taken += slot.emplace().taken() ? 1 : 0;
  EXPECT_LE(taken, cores > 1 ? cores - 1 : 0);
}

TEST(HelperThreadSlots, TheLoadReportGivesTheTasksThatRunOrWait) {
  EXPECT_EQ(RunnableTasks("0.42 0.35 0.30 2/318 4711\n"), 2);
  EXPECT_EQ(RunnableTasks("17.48 14.36 8.80 19/243 7827"), 19);
  EXPECT_EQ(RunnableTasks("0.00 0.00 0.00 0/1 1"), 0);
  for (const char* broken : {"", "0.42 0.35 0.30", "0.42 0.35 0.30 ", "0.42 0.35 0.30 2", "0.42 0.35 0.30 x/318 1",
                             "0.42 0.35 0.30 -2/318 1", "0.42 0.35 0.30 99999999999/318 1", "0.42 0.35 0.30 /318"})
    EXPECT_EQ(RunnableTasks(broken), -1) << broken;
}

TEST(HelperThreadSlots, ThePressureReportGivesTheShareOfTimeTasksWaited) {
  EXPECT_DOUBLE_EQ(CoreWaitPercent("some avg10=1.52 avg60=0.80 avg300=0.31 total=123456\n"), 1.52);
  EXPECT_DOUBLE_EQ(CoreWaitPercent("some avg10=98.67 avg60=98.70 avg300=98.45 total=7839245533"), 98.67);
  EXPECT_DOUBLE_EQ(CoreWaitPercent("some avg10=0.00 avg60=0.00 avg300=0.00 total=0"), 0.0);
  for (const char* broken : {"", "full avg10=1.00 avg60=0.00", "some avg60=1.00", "some avg10=x avg60=1",
                             "some avg10=-3.00 avg60=1", "some avg10=250.00 avg60=1", "some avg10="})
    EXPECT_EQ(CoreWaitPercent(broken), -1) << broken;
}

TEST(HelperThreadSlots, ACoreIsIdleWhileFewerTasksRunThanThereAreCoresAndFewWaited) {
  EXPECT_TRUE(IdleCoreAmong(1, 0.0, 2));  // only the asking thread runs
  EXPECT_FALSE(IdleCoreAmong(2, 0.0, 2));
  EXPECT_FALSE(IdleCoreAmong(9, 0.0, 2));
  EXPECT_TRUE(IdleCoreAmong(7, 9.9, 8));
  EXPECT_FALSE(IdleCoreAmong(1, 0.0, 1));
  // A lull in a steady load: idle this moment, but tasks have been waiting for cores.
  EXPECT_FALSE(IdleCoreAmong(1, 10.0, 2));
  EXPECT_FALSE(IdleCoreAmong(1, 98.7, 2));
  // Not reported: what is reported decides, and with neither the process's count.
  EXPECT_TRUE(IdleCoreAmong(-1, -1, 2));
  EXPECT_TRUE(IdleCoreAmong(1, -1, 2));
  EXPECT_FALSE(IdleCoreAmong(2, -1, 2));
  EXPECT_FALSE(IdleCoreAmong(-1, 50.0, 2));
}

}  // namespace
}  // namespace vx::testing
