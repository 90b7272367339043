// Text: what measuring and drawing a watermark's text costs, wrapped and turned.
#include <benchmark/benchmark.h>

#include <string>

#include "gdi/scratch_surface.h"
#include "platform/gdi.h"
#include "tools/stock_log_font.h"

namespace {

const std::u16string kCaption = u"(c) 2026 Example Photo - all rights reserved";
const std::u16string kParagraph =
    u"Watermarks in the scripts people write: English, Ελληνικά, Русский; 日本語の文は単語の間に"
    u"空白がなくても折り返します。 العربية تُكتب من اليمين إلى اليسار، ועברית גם כן; हिन्दी में पाठ.";

struct ScreenDc {
  HDC dc = GetDC(nullptr);
  ~ScreenDc() { ReleaseDC(nullptr, dc); }
};

// A surface with a font selected, as a text watermark draws.
struct Canvas {
  Canvas(LONG height, LONG escapement)
      : surface(ScreenDc().dc, 1200, 800),
        logfont(vx::tools::StockBasedLogFont(u"Arial", height, FW_BOLD, 0, 0, escapement)),
        font(CreateFontIndirectW(&logfont)),
        previous(SelectObject(surface.dc(), font)) {
    SetBkMode(surface.dc(), TRANSPARENT);
    SetTextColor(surface.dc(), RGB(255, 255, 255));
  }
  ~Canvas() {
    SelectObject(surface.dc(), previous);
    DeleteObject(font);
  }
  vx::ScratchSurface surface;
  LOGFONTW logfont;
  HFONT font;
  HGDIOBJ previous;
};

void BM_MeasureParagraph(benchmark::State& state) {
  Canvas canvas(-24, 0);
  for (auto _ : state) {
    RECT rect{0, 0, 600, 0};
    benchmark::DoNotOptimize(DrawTextW(canvas.surface.dc(), kParagraph.c_str(), -1, &rect,
                                       DT_CALCRECT | DT_WORDBREAK | DT_EXTERNALLEADING));
  }
}
BENCHMARK(BM_MeasureParagraph)->Unit(benchmark::kMicrosecond);

void BM_DrawParagraph(benchmark::State& state) {
  Canvas canvas(-24, 0);
  for (auto _ : state) {
    RECT rect{10, 10, 610, 790};
    DrawTextW(canvas.surface.dc(), kParagraph.c_str(), -1, &rect, DT_WORDBREAK | DT_EXTERNALLEADING);
  }
}
BENCHMARK(BM_DrawParagraph)->Unit(benchmark::kMicrosecond);

void BM_DrawCaption(benchmark::State& state) {
  Canvas canvas(LONG(-state.range(0)), LONG(state.range(1)));
  for (auto _ : state) TextOutW(canvas.surface.dc(), 20, 700, kCaption.c_str(), int(kCaption.size()));
  state.SetItemsProcessed(state.iterations() * std::int64_t(kCaption.size()));
}
BENCHMARK(BM_DrawCaption)->Args({16, 0})->Args({48, 0})->Args({48, 300})->Args({120, 0})->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
