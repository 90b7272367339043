// Writing a 12-megapixel picture as JPEG, beside libjpeg-turbo's own cjpeg on the same
// pixels (quality 80, no subsampling): cjpeg is the floor for this work.
//
// The pixels are the top-left 4000 x 3000 of a real photograph when one is at hand
// (VXIMAGE_BENCH_INPUTS, by default the shared benchmark folder beside the checkout), and
// a synthetic picture with fine detail otherwise.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/utf8.h"
#include "module/iresize.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

struct Bstr {
  explicit Bstr(const std::string& utf8) : text(SysAllocString(vx::WideFromUtf8(utf8).c_str())) {}
  ~Bstr() { SysFreeString(text); }
  BSTR text;
};

// Prepares, once: a folder with the source picture as a lossless-enough JPEG and as the
// PPM that cjpeg reads.
struct Fixture {
  std::string folder;
  std::string source_jpeg;
  std::string source_ppm;
  std::string origin;

  Fixture() {
    char pattern[] = "/tmp/vximage-bench-XXXXXX";
    folder = mkdtemp(pattern);
    source_jpeg = folder + "/source.jpg";
    source_ppm = folder + "/source.ppm";
    const char* env = std::getenv("VXIMAGE_BENCH_INPUTS");
    const std::string inputs = env ? env : VXIMAGE_SOURCE_DIR "/../shared/bench/inputs";
    const std::string photo = inputs + "/photo-13mp.jpg";
    IResize* resize = nullptr;
    CreateResize(IID_IResize, reinterpret_cast<void**>(&resize));
    resize->put_Quality(100);
    if (std::filesystem::exists(photo) && resize->LoadSourceImage(Bstr(photo).text) == S_OK) {
      origin = "photo-13mp.jpg, top-left 4000x3000";
    } else {
      WriteSyntheticPpm(source_ppm);
      resize->LoadSourceImage(Bstr(JpegFromPpm()).text);
      origin = "synthetic 4000x3000";
    }
    resize->MakeCropImage(Bstr(source_jpeg).text, 0, 0, kWidth, kHeight);
    resize->Release();
    const std::string djpeg = "djpeg -outfile '" + source_ppm + "' '" + source_jpeg + "'";
    if (std::system(djpeg.c_str()) != 0) source_ppm.clear();
  }
  ~Fixture() { std::filesystem::remove_all(folder); }

  void WriteSyntheticPpm(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fprintf(f, "P6\n%d %d\n255\n", kWidth, kHeight);
    std::uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        seed = seed * 1664525u + 1013904223u;
        const int noise = int(seed >> 27);
        std::fputc((x / 7 + noise) & 255, f);
        std::fputc((y / 5 + noise) & 255, f);
        std::fputc(((x + y) / 11 + noise) & 255, f);
      }
    std::fclose(f);
  }

  // cjpeg turns the PPM into a quality-100 JPEG that the object then loads.
  std::string JpegFromPpm() {
    const std::string jpeg = folder + "/synthetic.jpg";
    const std::string command = "cjpeg -quality 100 -sample 1x1 -outfile '" + jpeg + "' '" + source_ppm + "'";
    if (std::system(command.c_str()) != 0) return std::string();
    return jpeg;
  }
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

void BM_MakeMarkImage12MP(benchmark::State& state) {
  Fixture& f = TheFixture();
  IResize* resize = nullptr;
  CreateResize(IID_IResize, reinterpret_cast<void**>(&resize));
  if (resize->LoadSourceImage(Bstr(f.source_jpeg).text) != S_OK) state.SkipWithError("no source");
  const Bstr target(f.folder + "/out.jpg");
  for (auto _ : state) {
    if (resize->MakeMarkImage(target.text) != S_OK) state.SkipWithError("write failed");
  }
  resize->Release();
  state.SetLabel(f.origin);
  state.counters["MP/s"] = benchmark::Counter(kWidth * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_MakeMarkImage12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

// The floor: the same pixels through cjpeg, started as its own process each time.
void BM_CjpegFloor12MP(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (f.source_ppm.empty()) state.SkipWithError("cjpeg/djpeg not installed");
  const std::string command =
      "cjpeg -quality 80 -sample 1x1 -outfile '" + f.folder + "/floor.jpg' '" + f.source_ppm + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("cjpeg failed");
  }
  state.SetLabel(f.origin);
  state.counters["MP/s"] = benchmark::Counter(kWidth * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CjpegFloor12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

}  // namespace

BENCHMARK_MAIN();
