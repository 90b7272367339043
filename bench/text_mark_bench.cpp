// What a text watermark costs: AddTextMark on the 20-megapixel photograph of the shared
// benchmark folder (VXIMAGE_BENCH_INPUTS, by default beside the checkout), loaded once: the
// typical caption (48 pixels per em, bottom left) without a shadow and with shadows of
// sizes 0, 5 and 20, a centred paragraph wrapped to half the width, a caption turned 30
// degrees, and a paragraph covering the whole picture under shadows of sizes 5, 50 and 1000.
// Then the longest captions the call takes (2^17 UTF-16 units: prefixes, one long word,
// short lines, Devanagari clusters, words of Devanagari clusters no two alike, stacked
// marks, direction controls) on the 2-megapixel
// photograph, wrapped to 600 pixels, with a shadow. Marks accumulate on the one picture,
// which changes nothing in what a call costs. Times are processor time.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "bench/bench_inputs.h"
#include "module/iresize.h"

namespace {

using vx::bench::Bstr;

// An object with a photograph of the benchmark folder loaded, made once for every benchmark.
IResize* Loaded(const char* name = "photo-20mp.jpg") {
  static std::map<std::string, IResize*> loaded;
  IResize*& resize = loaded[name];
  if (!resize) {
    CreateResize(IID_IResize, reinterpret_cast<void**>(&resize));
    resize->LoadSourceImage(Bstr(vx::bench::Inputs() + "/" + name).text);
  }
  return resize;
}

enum Shape { kCaption, kParagraph, kTurned, kCovering };

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
  r->put_TextMarkAreaWidth(shape == kParagraph ? width / 2 : shape == kCovering ? width : -1);
  r->put_MarkPos(shape == kParagraph ? 0 : shape == kCovering ? 1 : 3);
  r->put_MarkPosOffsetX(shape == kParagraph || shape == kCovering ? 0 : 10);
  r->put_MarkPosOffsetY(shape == kParagraph || shape == kCovering ? 0 : -10);
  std::string covering;
  // About 70 lines of 220 characters: the whole 5472 x 3648 picture.
  while (covering.size() < 16000) covering += "Proof copy, not for print. ";
  const Bstr text(shape == kParagraph ? "Proof copy, not for print: licence 2026-0417, Example Photo Agency, "
                                        "all rights reserved"
                  : shape == kCovering ? covering
                                       : "(c) 2026 Example Photo");
  for (auto _ : state) r->AddTextMark(text.text, 0, 0);
}

// The longest captions the call takes.
std::u16string Repeated(const std::u16string& unit) {
  std::u16string text;
  while (text.size() + unit.size() <= (std::size_t{1} << 17)) text += unit;
  return text;
}

// Words of Devanagari clusters that differ from word to word, so that no two lines are alike.
std::u16string VariedDevanagari() {
  std::u16string text;
  std::uint32_t seed = 7;
  while (text.size() + 16 <= (std::size_t{1} << 17)) {
    for (int cluster = 0; cluster < 3; ++cluster) {
      seed = seed * 1664525u + 1013904223u;
      text += char16_t(0x0915 + (seed >> 24) % 32);  // a consonant
      text += u"\u094D";                               // virama
      text += char16_t(0x0915 + (seed >> 16) % 32);
      text += char16_t(0x093E + (seed >> 8) % 8);      // a vowel sign
    }
    text += u' ';
  }
  return text;
}

void BM_LongestCaption(benchmark::State& state, std::u16string unit) {
  IResize* r = Loaded("photo-2mp.jpg");
  LONG width = 0;
  r->GetSourceImageWidth(&width);
  if (width <= 0) {
    state.SkipWithError("photo-2mp.jpg did not load");
    return;
  }
  r->put_TextMarkFontName(Bstr("DejaVu Sans").text);
  r->put_TextMarkHeight(-24);
  r->put_TextMarkColor(0xFFFFFF);
  r->put_TextMarkShadowVisible(1);
  r->put_TextMarkShadowSize(5);
  r->put_TextMarkShadowDistance(3);
  r->put_TextMarkRotate(0);
  r->put_TextMarkAreaWidth(600);
  r->put_MarkPos(0);
  r->put_MarkPosOffsetX(0);
  r->put_MarkPosOffsetY(0);
  const std::u16string text = unit.empty() ? VariedDevanagari() : Repeated(unit);
  BSTR caption = SysAllocStringLen(text.data(), UINT(text.size()));
  for (auto _ : state) r->AddTextMark(caption, 0, 0);
  SysFreeString(caption);
}

BENCHMARK_CAPTURE(BM_AddTextMark, caption_no_shadow, kCaption, -1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_AddTextMark, caption_shadow_0, kCaption, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_AddTextMark, caption_shadow_5, kCaption, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_AddTextMark, caption_shadow_20, kCaption, 20)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_AddTextMark, paragraph_shadow_5, kParagraph, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_AddTextMark, turned_shadow_5, kTurned, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_AddTextMark, covering_shadow_5, kCovering, 5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AddTextMark, covering_shadow_50, kCovering, 50)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AddTextMark, covering_shadow_1000, kCovering, 1000)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_LongestCaption, prefixes, u"&x")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongestCaption, one_word, u"W")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongestCaption, short_lines, u"x\n")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongestCaption, devanagari, u"\u0915\u094D\u0937\u093F")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongestCaption, stacked_marks,
                  u"a\u0300\u0301\u0302\u0303\u0304\u0305\u0306\u0307\u0308\u0309\u030A")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongestCaption, direction_controls, u"\u202Ba\u202Ab")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongestCaption, words, u"Proof copy, not for print. ")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongestCaption, devanagari_words_all_different, u"")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
