// Interlocked counters and critical sections with the semantics of Windows: the new value
// from increment and decrement, the old one from compare-exchange, and critical sections
// that the holding thread may enter again.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/synchapi.h"

namespace {

TEST(Interlocked, ReturnsWhatWindowsReturns) {
  LONG volatile value = 5;
  EXPECT_EQ(InterlockedIncrement(&value), 6);
  EXPECT_EQ(InterlockedDecrement(&value), 5);
  EXPECT_EQ(InterlockedCompareExchange(&value, 9, 4), 5);  // no match: unchanged
  EXPECT_EQ(value, 5);
  EXPECT_EQ(InterlockedCompareExchange(&value, 9, 5), 5);
  EXPECT_EQ(value, 9);
  value = 0x7FFFFFFF;
  EXPECT_EQ(InterlockedIncrement(&value), static_cast<LONG>(0x80000000));  // wraps, as a 32-bit add
}

TEST(CriticalSection, TheHolderMayEnterAgainAndOthersWait) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EnterCriticalSection(&section);  // recursive: no deadlock
  std::atomic<bool> entered{false};
  std::thread other([&] {
    EnterCriticalSection(&section);
    entered = true;
    LeaveCriticalSection(&section);
  });
  LeaveCriticalSection(&section);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(entered);  // still held once
  LeaveCriticalSection(&section);
  other.join();
  EXPECT_TRUE(entered);

  // Threads that count under it lose no step.
  long count = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        EnterCriticalSection(&section);
        ++count;
        LeaveCriticalSection(&section);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(count, 40000);
  DeleteCriticalSection(&section);
}

}  // namespace
