// Blending whole pictures: what a watermark or a PNG load costs at 20 megapixels.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "gdi/scratch_surface.h"
#include "gdi/vxgdi.h"

namespace {

constexpr int kWidth = 5472, kHeight = 3648;  // 20 megapixels

// An RGBA picture like a logo: transparent and opaque areas with soft edges between.
std::vector<unsigned char> LogoLikePicture(int width, int height) {
  std::vector<unsigned char> bytes(std::size_t(width) * height * 4);
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < width; ++c) {
      unsigned char* p = &bytes[(std::size_t(r) * width + c) * 4];
      const int band = (c / 64 + r / 64) % 4;
      p[0] = static_cast<unsigned char>(c);
      p[1] = static_cast<unsigned char>(r);
      p[2] = static_cast<unsigned char>(c + r);
      p[3] = band == 0 ? 0 : band == 1 ? 255 : static_cast<unsigned char>((c * 5 + r) & 0xFF);
    }
  }
  return bytes;
}

// The screen as reference for the target, released at the end of the expression.
struct ScreenDc {
  HDC dc = GetDC(nullptr);
  ~ScreenDc() { ReleaseDC(nullptr, dc); }
};

void BM_DrawDCByData(benchmark::State& state) {
  auto picture = LogoLikePicture(kWidth, kHeight);
  vx::ScratchSurface target(ScreenDc().dc, kWidth, kHeight);
  for (auto _ : state) CvxGDI::DrawDCByData(target.dc(), 0, 0, kWidth, kHeight, picture.data());
  state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_DrawDCByData)->Unit(benchmark::kMillisecond);

void BM_DrawStretchDCByData(benchmark::State& state) {
  auto picture = LogoLikePicture(kWidth / 2, kHeight / 2);
  vx::ScratchSurface target(ScreenDc().dc, kWidth, kHeight);
  for (auto _ : state) {
    CvxGDI::DrawStretchDCByData(target.dc(), 0, 0, kWidth, kHeight, picture.data(), 0, 0,
                                kWidth / 2, kHeight / 2, kWidth / 2, kHeight / 2);
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_DrawStretchDCByData)->Unit(benchmark::kMillisecond);

void BM_ShadeColors(benchmark::State& state) {
  std::uint32_t colour = 0x00123456;
  int weight = 0;
  for (auto _ : state) {
    colour = std::uint32_t(CvxGDI::ShadeColors(LONG(colour), 0x00FEDCBA, weight));
    weight = (weight + 1) & 0xFF;
    benchmark::DoNotOptimize(colour);
  }
}
BENCHMARK(BM_ShadeColors);

}  // namespace

BENCHMARK_MAIN();
