// Zeroed pages from mmap, and the last freed blocks kept a moment for the next pictures.
//
// A process that makes many pictures of one size (a batch of photographs from one camera)
// frees a block of pixels and at once asks for another of the same size. Fresh pages cost
// a fault and a clearing in the kernel each (about 2 ms for the 9 MB of a 2-megapixel
// picture, against 1.2 ms to clear the same block again here), so freed blocks are kept
// and cleared when a block of their size is asked for: as many as the machine has cores
// (one for each worker of a batch), kMostKeptBytes together at most. They are let go when
// a block of another size is asked for (before that block is mapped, so the peak stays
// where it was), when newer ones take their place, and at the latest 2 seconds after they
// were freed, by a thread that waits for that moment.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
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
constexpr int kMostKeptBlocks = 8;

using Clock = std::chrono::steady_clock;

struct Block {
  void* pages = nullptr;
  std::size_t bytes = 0;
  Clock::time_point until;
};

struct KeptBlocks {
  std::mutex lock;
  std::condition_variable changed;
  Block block[kMostKeptBlocks];  // the newest first; empty ones at the end
  int count = 0;
  int most = std::clamp(int(std::thread::hardware_concurrency()), 1, kMostKeptBlocks);
  Clock::duration kept_for = std::chrono::seconds(2);
  pid_t letting_go_in = 0;  // the process whose thread lets blocks go when due (none after a fork)

  std::size_t Bytes() const {
    std::size_t total = 0;
    for (int i = 0; i < count; ++i) total += block[i].bytes;
    return total;
  }
  // Takes out block i; the caller unmaps or uses it outside the lock.
  Block Take(int i) {
    const Block taken = block[i];
    std::move(block + i + 1, block + count, block + i);
    block[--count] = Block{};
    return taken;
  }
};

// Never destroyed: the thread that lets blocks go waits on it until the process ends.
KeptBlocks& TheKeptBlocks() {
  static KeptBlocks* kept = new KeptBlocks;
  return *kept;
}

void LetGoWhenDue(KeptBlocks& kept) {
  std::unique_lock guard(kept.lock);
  for (;;) {
    if (kept.count == 0) {
      kept.changed.wait(guard);
      continue;
    }
    const Block& oldest = kept.block[kept.count - 1];
    if (Clock::now() < oldest.until) {
      kept.changed.wait_until(guard, oldest.until);
      continue;
    }
    const Block due = kept.Take(kept.count - 1);
    guard.unlock();
    munmap(due.pages, due.bytes);
    guard.lock();
  }
}

// With the lock held: makes sure this process has the thread that lets blocks go.
bool HaveThreadLettingGo(KeptBlocks& kept) {
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
  KeptBlocks& kept = TheKeptBlocks();
  Block reused;
  Block others[kMostKeptBlocks];
  int other_count = 0;
  {
    std::lock_guard guard(kept.lock);
    for (int i = 0; i < kept.count; ++i) {
      if (kept.block[i].bytes == bytes) {
        reused = kept.Take(i);
        break;
      }
    }
    if (!reused.pages) {
      while (kept.count > 0) others[other_count++] = kept.Take(0);
    }
  }
  if (reused.pages) {
    std::memset(reused.pages, 0, bytes);
    return reused.pages;
  }
  for (int i = 0; i < other_count; ++i) munmap(others[i].pages, others[i].bytes);
  return MapZeroedPages(bytes);
}

void FreeZeroedPages(void* pages, std::size_t bytes) {
  KeptBlocks& kept = TheKeptBlocks();
  Block let_go[kMostKeptBlocks + 1];
  int let_go_count = 0;
  {
    std::lock_guard guard(kept.lock);
    if (bytes <= kMostKeptBytes && kept.kept_for > Clock::duration::zero() && HaveThreadLettingGo(kept)) {
      // Room for the newest: the oldest go first.
      while (kept.count > 0 && (kept.count == kept.most || kept.Bytes() + bytes > kMostKeptBytes))
        let_go[let_go_count++] = kept.Take(kept.count - 1);
      std::move_backward(kept.block, kept.block + kept.count, kept.block + kept.count + 1);
      kept.block[0] = {pages, bytes, Clock::now() + kept.kept_for};
      ++kept.count;
      kept.changed.notify_one();
    } else {
      let_go[let_go_count++] = {pages, bytes, {}};
    }
  }
  for (int i = 0; i < let_go_count; ++i) munmap(let_go[i].pages, let_go[i].bytes);
}

void KeepFreedPagesFor(std::chrono::milliseconds time) {
  KeptBlocks& kept = TheKeptBlocks();
  std::lock_guard guard(kept.lock);
  kept.kept_for = time;
  for (int i = 0; i < kept.count; ++i) kept.block[i].until = std::min(kept.block[i].until, Clock::now() + time);
  kept.changed.notify_one();
}

}  // namespace vx
