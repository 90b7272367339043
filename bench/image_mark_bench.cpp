// What an image watermark adds to the main job: load + AddImageMark (the 300 x 120 logo at
// the bottom right, opacity 50) + MakeMarkImage, against load + MakeMarkImage alone, on the
// 13- and 20-megapixel photographs of the shared benchmark folder (VXIMAGE_BENCH_INPUTS, by
// default beside the checkout). The two jobs alternate within each iteration, so that the
// machine's changing load falls on both alike; the counters give each job's mean wall time
// and what the mark adds: the median over the iterations of the ratio of the two jobs'
// processor time on this thread (user and system, which other processes on a busy machine
// disturb least). AddImageMark alone is timed apart.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_inputs.h"
#include "module/iresize.h"

namespace {

using vx::bench::Bstr;
using vx::bench::Inputs;

// Where the outputs go: a folder removed at the end of the run.
struct OutputFolder {
  std::string path;
  OutputFolder() {
    char pattern[] = "/tmp/vximage-mark-bench-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~OutputFolder() { std::filesystem::remove_all(path); }
};

const std::string& Outputs() {
  static OutputFolder folder;
  return folder.path;
}

// One job on a new object: load, optionally stamp the logo, write the picture. False when a
// step failed.
bool RunJob(const Bstr& photo, const Bstr* logo, const Bstr& target) {
  IResize* resize = nullptr;
  if (CreateResize(IID_IResize, reinterpret_cast<void**>(&resize)) != S_OK) return false;
  bool ok = resize->LoadSourceImage(photo.text) == S_OK;
  if (logo) {
    resize->put_MarkPos(4);
    resize->put_MarkTransparent(50);
    ok = ok && resize->AddImageMark(logo->text, 0, 0) == S_OK;
  }
  ok = ok && resize->MakeMarkImage(target.text) == S_OK;
  resize->Release();
  return ok;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Processor time of this thread so far, in seconds.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void BM_MarkOverWholeJob(benchmark::State& state, const char* photo_name) {
  const std::string photo_path = Inputs() + "/" + photo_name;
  if (!std::filesystem::exists(photo_path)) {
    state.SkipWithError("benchmark photograph not found");
    return;
  }
  const Bstr photo(photo_path), logo(Inputs() + "/logo.png");
  const Bstr plain_target(Outputs() + "/plain.jpg"), marked_target(Outputs() + "/marked.jpg");
  double plain = 0, marked = 0;
  std::vector<double> ratios;
  for (auto _ : state) {
    const double c0 = ThreadSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const bool plain_ok = RunJob(photo, nullptr, plain_target);
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = ThreadSeconds();
    const bool marked_ok = RunJob(photo, &logo, marked_target);
    const auto t2 = std::chrono::steady_clock::now();
    const double c2 = ThreadSeconds();
    if (!plain_ok || !marked_ok) state.SkipWithError("a job failed");
    plain += Seconds(t1 - t0);
    marked += Seconds(t2 - t1);
    ratios.push_back((c2 - c1) / (c1 - c0));
    state.SetIterationTime(Seconds(t2 - t0));
  }
  const double n = double(state.iterations());
  state.counters["plain_ms"] = plain / n * 1e3;
  state.counters["marked_ms"] = marked / n * 1e3;
  std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
  if (!ratios.empty()) state.counters["mark_adds_%"] = (ratios[ratios.size() / 2] - 1) * 100;
}
BENCHMARK_CAPTURE(BM_MarkOverWholeJob, photo_13mp, "photo-13mp.jpg")
    ->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(10);
BENCHMARK_CAPTURE(BM_MarkOverWholeJob, photo_20mp, "photo-20mp.jpg")
    ->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(10);

// The mark alone on a loaded picture (marks accumulate; each costs the same).
void BM_AddImageMark(benchmark::State& state, const char* photo_name) {
  const std::string photo_path = Inputs() + "/" + photo_name;
  IResize* resize = nullptr;
  CreateResize(IID_IResize, reinterpret_cast<void**>(&resize));
  const Bstr photo(photo_path), logo(Inputs() + "/logo.png");
  if (resize->LoadSourceImage(photo.text) != S_OK) state.SkipWithError("benchmark photograph not found");
  resize->put_MarkPos(4);
  resize->put_MarkTransparent(50);
  for (auto _ : state) resize->AddImageMark(logo.text, 0, 0);
  resize->Release();
}
BENCHMARK_CAPTURE(BM_AddImageMark, photo_13mp, "photo-13mp.jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AddImageMark, photo_20mp, "photo-20mp.jpg")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
