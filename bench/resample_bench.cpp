// ResamplePixels: what a thumbnail, a screen-sized copy and an enlargement cost, with the
// fastest loops and with the plain ones, and the heap the call takes beside its source and
// target. With --resize it is instead the driver of bench/resample_quality.sh:
//
//   resample_bench --resize in.ppm WIDTH HEIGHT FILTER out.ppm     (FILTER 1 area, 2 Lanczos-3)
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "object/resample.h"
#include "object/resample_plan.h"

// Heap accounting: the bytes held now and the most held since the last reset.
namespace {
std::size_t g_held = 0, g_peak = 0;
}  // namespace

void* operator new(std::size_t n) {
  void* p = std::malloc(n + 16);
  if (!p) throw std::bad_alloc();
  *static_cast<std::size_t*>(p) = n;
  g_held += n;
  if (g_held > g_peak) g_peak = g_held;
  return static_cast<char*>(p) + 16;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  char* block = static_cast<char*>(p) - 16;
  g_held -= *reinterpret_cast<std::size_t*>(block);
  std::free(block);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

struct Sizes {
  int src_width, src_height, width, height;
};

// A picture with detail at every scale (the cost does not depend on it, the checks do).
std::vector<std::uint32_t> Picture(int width, int height) {
  std::vector<std::uint32_t> words(std::size_t(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      words[std::size_t(y) * width + x] = (std::uint32_t(x * 7 + y) & 0xFF) | (std::uint32_t(x ^ y) & 0xFF) << 8 |
                                          (std::uint32_t(x * y >> 4) & 0xFF) << 16;
    }
  }
  return words;
}

void Run(benchmark::State& state, Sizes s, vx::ResampleFilter filter, bool plain) {
  const auto source = Picture(s.src_width, s.src_height);
  std::vector<std::uint32_t> target(std::size_t(s.width) * s.height);
  const vx::SourceWindow whole{0, 0, double(s.src_width), double(s.src_height)};
  vx::resample::Window window;
  vx::resample::SnapWindow(whole, s.src_width, s.src_height, &window);
  std::size_t peak = 0;
  for (auto _ : state) {
    g_peak = g_held;
    const std::size_t before = g_held;
    bool done;
    if (plain) {
      const auto plan = vx::resample::MakePlan(s.src_width, s.src_height, window, s.width,
                                               s.height, filter);
      done = vx::resample::RunPlan(plan, vx::resample::PlainKernels(), source.data(),
                                   s.src_width, target.data(), s.width);
    } else {
      done = vx::ResamplePixels(source.data(), s.src_width, s.src_height, s.src_width, whole,
                                target.data(), s.width, s.height, s.width, filter);
    }
    if (!done) state.SkipWithError("refused");
    peak = g_peak - before;
    benchmark::DoNotOptimize(target.data());
  }
  state.counters["heap_KiB"] = double(peak) / 1024;
  state.counters["src_MP/s"] = benchmark::Counter(double(s.src_width) * s.src_height * 1e-6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

constexpr Sizes k20To150{5472, 3648, 150, 100};
constexpr Sizes k20To800{5472, 3648, 800, 533};
constexpr Sizes k20To1920{5472, 3648, 1920, 1280};
constexpr Sizes k2To150{1600, 1200, 150, 113};
constexpr Sizes k2To4{1600, 1200, 2400, 1800};
constexpr auto kArea = vx::ResampleFilter::kArea;
constexpr auto kLanczos = vx::ResampleFilter::kLanczos3;

BENCHMARK_CAPTURE(Run, lanczos_20mp_to_150, k20To150, kLanczos, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, area_20mp_to_150, k20To150, kArea, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, lanczos_20mp_to_800, k20To800, kLanczos, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, area_20mp_to_800, k20To800, kArea, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, lanczos_20mp_to_1920, k20To1920, kLanczos, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, area_20mp_to_1920, k20To1920, kArea, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, lanczos_2mp_to_150, k2To150, kLanczos, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, lanczos_2mp_to_4mp, k2To4, kLanczos, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, plain_lanczos_20mp_to_150, k20To150, kLanczos, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, plain_area_20mp_to_150, k20To150, kArea, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, plain_lanczos_20mp_to_1920, k20To1920, kLanczos, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, plain_lanczos_2mp_to_4mp, k2To4, kLanczos, true)->Unit(benchmark::kMillisecond);

// --resize: a binary PPM (P6, maxval 255) in, one out.
bool ReadPpm(const char* path, int* width, int* height, std::vector<std::uint32_t>* words) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  int maxval = 0;
  const bool header = std::fscanf(f, "P6 %d %d %d", width, height, &maxval) == 3 &&
                      std::fgetc(f) != EOF && maxval == 255 && *width > 0 && *height > 0;
  std::vector<unsigned char> rgb;
  if (header) {
    rgb.resize(std::size_t(*width) * *height * 3);
    if (std::fread(rgb.data(), 1, rgb.size(), f) != rgb.size()) rgb.clear();
  }
  std::fclose(f);
  if (rgb.empty()) return false;
  words->resize(rgb.size() / 3);
  for (std::size_t k = 0; k < words->size(); ++k) {
    (*words)[k] = std::uint32_t(rgb[3 * k]) << 16 | std::uint32_t(rgb[3 * k + 1]) << 8 | rgb[3 * k + 2];
  }
  return true;
}

bool WritePpm(const char* path, int width, int height, const std::vector<std::uint32_t>& words) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", width, height);
  for (std::uint32_t w : words) {
    const unsigned char rgb[3] = {static_cast<unsigned char>(w >> 16),
                                  static_cast<unsigned char>(w >> 8), static_cast<unsigned char>(w)};
    std::fwrite(rgb, 1, 3, f);
  }
  return std::fclose(f) == 0;
}

int ResizeFile(char** argv) {
  int src_width, src_height;
  std::vector<std::uint32_t> source;
  if (!ReadPpm(argv[2], &src_width, &src_height, &source)) {
    std::fprintf(stderr, "resample_bench: cannot read %s as a binary PPM\n", argv[2]);
    return 1;
  }
  const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
  const auto filter = static_cast<vx::ResampleFilter>(std::atoi(argv[5]));
  std::vector<std::uint32_t> target(std::size_t(width > 0 ? width : 0) * (height > 0 ? height : 0));
  if (!vx::ResamplePixels(source.data(), src_width, src_height, src_width,
                          {0, 0, double(src_width), double(src_height)}, target.data(), width,
                          height, width, filter)) {
    std::fprintf(stderr, "resample_bench: refused\n");
    return 1;
  }
  return WritePpm(argv[6], width, height, target) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--resize") == 0) {
    if (argc != 7) {
      std::fprintf(stderr, "usage: resample_bench --resize in.ppm WIDTH HEIGHT FILTER out.ppm\n");
      return 2;
    }
    return ResizeFile(argv);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
