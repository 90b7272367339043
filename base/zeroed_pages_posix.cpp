// Zeroed pages from mmap, and the last freed block kept a moment for the next picture.
//
// A process that makes many pictures of one size (a batch of photographs from one camera)
// frees a block of pixels and at once asks for another of the same size. Fresh pages cost
// a fault and a clearing in the kernel each (about 2 ms for the 9 MB of a 2-megapixel
// picture, against 1.2 ms to clear the same block again here), so the last freed block is
// kept and cleared when a block of its size is asked for. It is let go when a block of
// another size is asked for (before that block is mapped, so the peak stays where it was),
// when another block is freed, and at the latest kKeptFor after it was freed, by a thread
// that waits for that moment. Only blocks of up to kMostKeptBytes are kept.
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "base/zeroed_memory.h"

namespace vx {

namespace {

constexpr std::size_t kMostKeptBytes = std::size_t{128} << 20;

using Clock = std::chrono::steady_clock;

struct KeptBlock {
  std::mutex lock;
  std::condition_variable freed;
  void* pages = nullptr;
  std::size_t bytes = 0;
  Clock::time_point until;
  Clock::duration kept_for = std::chrono::seconds(2);
  pid_t letting_go_in = 0;  // the process whose thread lets the block go when due (none after a fork)
};

// Never destroyed: the thread that lets the block go waits on it until the process ends.
KeptBlock& TheKeptBlock() {
  static KeptBlock* kept = new KeptBlock;
  return *kept;
}

// Takes the kept block out; the caller unmaps or uses it outside the lock.
std::pair<void*, std::size_t> TakeKept(KeptBlock& kept) {
  return {std::exchange(kept.pages, nullptr), std::exchange(kept.bytes, 0)};
}

void LetGoWhenDue(KeptBlock& kept) {
  std::unique_lock guard(kept.lock);
  for (;;) {
    if (!kept.pages) {
      kept.freed.wait(guard);
    } else if (Clock::now() < kept.until) {
      kept.freed.wait_until(guard, kept.until);
    } else {
      const auto [pages, bytes] = TakeKept(kept);
      guard.unlock();
      munmap(pages, bytes);
      guard.lock();
    }
  }
}

// With the lock held: makes sure this process has the thread that lets blocks go.
bool HaveThreadLettingGo(KeptBlock& kept) {
  if (kept.letting_go_in == getpid()) return true;
  try {
    std::thread(LetGoWhenDue, std::ref(kept)).detach();
  } catch (const std::system_error&) {
    return false;
  }
  kept.letting_go_in = getpid();
  return true;
}

void* MapZeroedPages(std::size_t bytes) {
  void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages == MAP_FAILED) return nullptr;
  madvise(pages, bytes, MADV_HUGEPAGE);
  return pages;
}

}  // namespace

void* AllocateZeroedPages(std::size_t bytes) {
  KeptBlock& kept = TheKeptBlock();
  std::pair<void*, std::size_t> block;
  {
    std::lock_guard guard(kept.lock);
    block = TakeKept(kept);
  }
  if (block.first && block.second == bytes) {
    std::memset(block.first, 0, bytes);
    return block.first;
  }
  if (block.first) munmap(block.first, block.second);
  return MapZeroedPages(bytes);
}

void FreeZeroedPages(void* pages, std::size_t bytes) {
  KeptBlock& kept = TheKeptBlock();
  std::pair<void*, std::size_t> older{pages, bytes};
  if (bytes <= kMostKeptBytes) {
    std::lock_guard guard(kept.lock);
    if (kept.kept_for > Clock::duration::zero() && HaveThreadLettingGo(kept)) {
      older = TakeKept(kept);
      kept.pages = pages;
      kept.bytes = bytes;
      kept.until = Clock::now() + kept.kept_for;
      kept.freed.notify_one();
    }
  }
  if (older.first) munmap(older.first, older.second);
}

void KeepFreedPagesFor(std::chrono::milliseconds time) {
  KeptBlock& kept = TheKeptBlock();
  std::lock_guard guard(kept.lock);
  kept.kept_for = time;
  kept.until = std::min(kept.until, Clock::now() + time);
  kept.freed.notify_one();
}

}  // namespace vx
