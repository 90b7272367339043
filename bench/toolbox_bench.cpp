// The drawing toolbox on the sizes bench/compare_toolbox.sh sets ImageMagick against:
// rotation of a 4-megapixel picture by 30 degrees, blur n = 9 sigma 2 of 1 megapixel,
// 10 000 smooth lines on a 4-megapixel surface, and a nine-part background of 1920 x 1080.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "gdi/dib_words.h"
#include "gdi/scratch_surface.h"
#include "gdi/vxgdi.h"

namespace {

constexpr int kSide = 2000;  // 4 megapixels

// The screen as reference, released at the end of the expression that asked for it.
struct ScreenDc {
  HDC dc = GetDC(nullptr);
  ~ScreenDc() { ReleaseDC(nullptr, dc); }
};

// A surface of the given size holding a pattern with some texture in every channel.
struct Surface {
  Surface(int width, int height) : scratch(ScreenDc().dc, width, height) {
    std::vector<std::uint32_t> words(std::size_t(width) * height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        words[std::size_t(y) * width + x] = (std::uint32_t((x * 7) ^ (y * 3)) & 0xFF) |
                                            ((std::uint32_t(x + y) << 8) & 0xFF00) |
                                            ((std::uint32_t(x * y) << 16) & 0xFF0000);
      }
    }
    vx::WriteDibWords(scratch.dc(), 0, 0, width, height, words.data());
  }
  HDC dc() const { return scratch.dc(); }
  vx::ScratchSurface scratch;
};

// The lines of the benchmark: end points from the generator x -> 69069 x + 1 (mod 2^32),
// taken modulo the side; compare_toolbox.sh draws the same lines with ImageMagick.
std::vector<int> LineEnds(int count) {
  std::vector<int> ends;
  std::uint32_t x = 1;
  for (int i = 0; i < 4 * count; ++i) {
    x = 69069u * x + 1u;
    ends.push_back(int(x % kSide));
  }
  return ends;
}

void BM_RotateDC30(benchmark::State& state) {
  const Surface source(kSide, kSide);
  const Surface target(2800, 2800);
  for (auto _ : state) CvxGDI::RotateDC(target.dc(), 400, 400, source.dc(), kSide, kSide, 30.0);
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_RotateDC30)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DrawDCByRotateData30(benchmark::State& state) {
  std::vector<unsigned char> picture(std::size_t(kSide) * kSide * 4);
  for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<unsigned char>(i * 31 >> 3);
  const Surface target(2800, 2800);
  for (auto _ : state) {
    CvxGDI::DrawDCByRotateData(target.dc(), 400, 400, kSide, kSide, picture.data(), 30.0f, 0, 0);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_DrawDCByRotateData30)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RotateDC2_30(benchmark::State& state) {
  const Surface source(kSide, kSide);
  const Surface target(2800, 2800);
  for (auto _ : state) {
    CvxGDI::RotateDC2(target.dc(), 400, 400, source.dc(), source.scratch.bitmap(), kSide, kSide, 30.0);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_RotateDC2_30)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FastBlur9Sigma2(benchmark::State& state) {
  const Surface target(1000, 1000);
  for (auto _ : state) CvxGDI::FastBlur(target.dc(), 1000, 1000, 9, 2.0);
  state.SetItemsProcessed(state.iterations() * 1000 * 1000);
}
BENCHMARK(BM_FastBlur9Sigma2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SmoothLines10000(benchmark::State& state) {
  const Surface target(kSide, kSide);
  const std::vector<int> ends = LineEnds(10000);
  for (auto _ : state) {
    for (std::size_t i = 0; i < ends.size(); i += 4) {
      CvxGDI::DrawSmoothLine(target.dc(), ends[i], ends[i + 1], ends[i + 2], ends[i + 3], RGB(0, 0, 0));
    }
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_SmoothLines10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SmoothEllipses1000(benchmark::State& state) {
  const Surface target(kSide, kSide);
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      CvxGDI::DrawSmoothEllipse(target.dc(), i, i / 2, kSide - i, kSide - i / 3, RGB(0, 0, 0));
    }
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_SmoothEllipses1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NinePartBackground1920x1080(benchmark::State& state) {
  const Surface frame(300, 200);
  HBITMAP bitmap = CreateCompatibleBitmap(ScreenDc().dc, 300, 200);
  {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, 300, 200, frame.dc(), 0, 0, SRCCOPY);
    SelectObject(dc, previous);
    DeleteDC(dc);
  }
  const Surface target(1920, 1080);
  RECT rect{0, 0, 1920, 1080};
  for (auto _ : state) CvxGDI::DrawBgBitmap(target.dc(), rect, 40, 260, 30, 170, bitmap, true);
  DeleteObject(bitmap);
  state.SetItemsProcessed(state.iterations() * 1920 * 1080);
}
BENCHMARK(BM_NinePartBackground1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
BENCHMARK_MAIN();
