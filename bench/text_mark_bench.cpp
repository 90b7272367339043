// What a text watermark costs: AddTextMark on the 20-megapixel photograph of the shared
// benchmark folder (VXIMAGE_BENCH_INPUTS, by default beside the checkout), loaded once: the
// typical caption (48 pixels per em, bottom left) without a shadow and with shadows of
// sizes 0, 5 and 20, a centred paragraph wrapped to half the width, and a caption turned
// 30 degrees. Marks accumulate on the one picture, which changes nothing in what a call
// costs. Times are processor time.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_inputs.h"
#include "module/iresize.h"

namespace {

using vx::bench::Bstr;

std::string Photo() { return vx::bench::Inputs() + "/photo-20mp.jpg"; }

// The object with the photograph loaded, made once for every benchmark.
IResize* Loaded() {
  static IResize* resize = [] {
    IResize* r = nullptr;
    CreateResize(IID_IResize, reinterpret_cast<void**>(&r));
    r->LoadSourceImage(Bstr(Photo()).text);
    return r;
  }();
  return resize;
}

enum Shape { kCaption, kParagraph, kTurned };

// Shadow size -1 is no shadow at all.
void BM_AddTextMark(benchmark::State& state, Shape shape, LONG shadow_size) {
  IResize* r = Loaded();
  LONG width = 0;
  r->GetSourceImageWidth(&width);
  if (width <= 0) {
    state.SkipWithError("photo-20mp.jpg did not load");
    return;
  }
  r->put_TextMarkFontName(Bstr("DejaVu Sans").text);
  r->put_TextMarkHeight(-48);
  r->put_TextMarkColor(0xFFFFFF);
  r->put_TextMarkShadowVisible(shadow_size >= 0);
  r->put_TextMarkShadowSize(shadow_size);
  r->put_TextMarkShadowDistance(3);
  r->put_TextMarkRotate(shape == kTurned ? 30 : 0);
  r->put_TextMarkAreaWidth(shape == kParagraph ? width / 2 : -1);
  r->put_MarkPos(shape == kParagraph ? 0 : 3);
  r->put_MarkPosOffsetX(shape == kParagraph ? 0 : 10);
  r->put_MarkPosOffsetY(shape == kParagraph ? 0 : -10);
  const Bstr text(shape == kParagraph ? "Proof copy, not for print: licence 2026-0417, Example Photo Agency, "
                                        "all rights reserved"
                                      : "(c) 2026 Example Photo");
  for (auto _ : state) r->AddTextMark(text.text, 0, 0);
}

BENCHMARK_CAPTURE(BM_AddTextMark, caption_no_shadow, kCaption, -1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_AddTextMark, caption_shadow_0, kCaption, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_AddTextMark, caption_shadow_5, kCaption, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_AddTextMark, caption_shadow_20, kCaption, 20)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_AddTextMark, paragraph_shadow_5, kParagraph, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_AddTextMark, turned_shadow_5, kTurned, 5)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
