// Splitting work on the rows of a picture among the processor's cores.
#pragma once

#include <algorithm>
#include <cstdint>
#include <new>
#include <system_error>
#include <vector>

// A standard library built without threads (MinGW's win32 thread model) gets one band.
#if defined(__GLIBCXX__) && !defined(_GLIBCXX_HAS_GTHREADS)
#define VX_ROW_BANDS_THREADED 0
#else
#define VX_ROW_BANDS_THREADED 1
#include <thread>
#endif

namespace vx {

// Calls work(first_row, end_row) on consecutive bands that together cover [0, rows), on as
// many threads as there are cores when `cost` (a rough count of operations) makes it worth
// starting them, else on the calling thread. Each band must touch only its own output, and
// `work` must not throw.
template <class Work>
void ForEachRowBand(int rows, std::int64_t cost, Work work) {
#if !VX_ROW_BANDS_THREADED
  (void)cost;
  work(0, rows);
#else
  constexpr std::int64_t kCostPerThread = 4'000'000;
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const int bands = static_cast<int>(std::min<std::int64_t>(
      {cores, rows, std::max<std::int64_t>(1, cost / kCostPerThread)}));
  if (bands <= 1) {
    work(0, rows);
    return;
  }
  std::vector<std::thread> threads;
  try {
    threads.reserve(std::size_t(bands - 1));
  } catch (const std::bad_alloc&) {
    work(0, rows);
    return;
  }
  for (int band = 1; band < bands; ++band) {
    const int first = static_cast<int>(std::int64_t{rows} * band / bands);
    const int end = static_cast<int>(std::int64_t{rows} * (band + 1) / bands);
    try {
      threads.emplace_back(work, first, end);
    } catch (const std::system_error&) {
      work(first, end);  // no thread to be had: done here instead
    }
  }
  work(0, static_cast<int>(std::int64_t{rows} / bands));
  for (std::thread& t : threads) t.join();
#endif
}

}  // namespace vx
