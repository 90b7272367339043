// The stages of the typical request one by one, on the benchmark photographs (the 2 MP
// sample, and photo-13mp.jpg and photo-20mp.jpg of VXIMAGE_BENCH_INPUTS, by default the
// shared benchmark folder beside the checkout): decoding in one band and in two, beside
// libjpeg-turbo decoding the same file to plain RGB rows as djpeg does (the floor), and
// writing the decoded picture as JPEG. The decodes are also timed on a copy of each
// photograph with a restart marker every row of MCUs (made losslessly, as jpegtran
// -restart 1 makes it), whose lower band starts at a marker instead of skipping. Wall time and the whole process's processor time
// (which counts the second band's thread) are both reported; the pixel memory is made and
// touched once, outside the timing, so what is timed is the codec's work.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_inputs.h"
#include "module/iresize.h"
#include "platform/codecs/picture_decoder.h"

namespace {

using vx::bench::Bstr;

struct Photo {
  const char* name;
  std::string path;
};

std::vector<Photo> Photos() {
  return {{"2mp", VXIMAGE_SOURCE_DIR "/samples/photo-2mp.jpg"},
          {"13mp", vx::bench::Inputs() + "/photo-13mp.jpg"},
          {"20mp", vx::bench::Inputs() + "/photo-20mp.jpg"}};
}

// The same coefficients written again with a restart marker every row of MCUs.
std::vector<std::uint8_t> WithRestartMarkers(const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return bytes;
  jpeg_decompress_struct in{};
  jpeg_compress_struct out{};
  jpeg_error_mgr errors{};
  in.err = out.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&in);
  jpeg_create_compress(&out);
  jpeg_mem_src(&in, bytes.data(), bytes.size());
  jpeg_read_header(&in, TRUE);
  jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&in);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&out, &buffer, &size);
  jpeg_copy_critical_parameters(&in, &out);
  out.restart_in_rows = 1;
  jpeg_write_coefficients(&out, coefficients);
  jpeg_finish_compress(&out);
  jpeg_finish_decompress(&in);
  jpeg_destroy_compress(&out);
  jpeg_destroy_decompress(&in);
  std::vector<std::uint8_t> copy(buffer, buffer + size);
  std::free(buffer);
  return copy;
}

std::vector<std::uint8_t> Bytes(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  std::uint8_t chunk[1 << 16];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  return bytes;
}

void Decode(benchmark::State& state, const std::string& path, vx::JpegThreads threads, bool restarts) {
  const std::vector<std::uint8_t> data = restarts ? WithRestartMarkers(Bytes(path)) : Bytes(path);
  auto probe = vx::OpenJpeg(data.data(), data.size(), vx::JpegThreads::kOne);
  if (!probe) {
    state.SkipWithError("no photograph");
    return;
  }
  std::vector<std::uint32_t> pixels(std::size_t(probe->width()) * probe->height());
  for (auto _ : state) {
    auto decoder = vx::OpenJpeg(data.data(), data.size(), threads);
    if (!decoder || decoder->Decode(pixels.data(), decoder->width()) != vx::DecodeResult::kWhole)
      state.SkipWithError("decode failed");
  }
  state.counters["MP"] = double(pixels.size()) / 1e6;
}

// libjpeg-turbo's own decode to RGB rows, one row buffer, as djpeg writes a PPM.
void DecodePlain(benchmark::State& state, const std::string& path) {
  const std::vector<std::uint8_t> data = Bytes(path);
  if (data.empty()) {
    state.SkipWithError("no photograph");
    return;
  }
  for (auto _ : state) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), data.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    std::vector<JSAMPLE> row(std::size_t(cinfo.output_width) * cinfo.output_components);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW rows[1] = {row.data()};
      jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
  }
}

// MakeMarkImage of the loaded photograph: reading the bitmap back and compressing it.
void Write(benchmark::State& state, const std::string& path) {
  IResize* resize = nullptr;
  CreateResize(IID_IResize, reinterpret_cast<void**>(&resize));
  if (!std::filesystem::exists(path) || resize->LoadSourceImage(Bstr(path).text) != S_OK) {
    state.SkipWithError("no photograph");
    resize->Release();
    return;
  }
  char pattern[] = "/tmp/vximage-stages-XXXXXX";
  const std::string folder = mkdtemp(pattern);
  const Bstr target(folder + "/out.jpg");
  for (auto _ : state) {
    if (resize->MakeMarkImage(target.text) != S_OK) state.SkipWithError("write failed");
  }
  resize->Release();
  std::filesystem::remove_all(folder);
}

const bool registered = [] {
  for (const Photo& p : Photos()) {
    const std::string name = p.name;
    for (auto* b : {
             benchmark::RegisterBenchmark(("decode_one_band/" + name).c_str(), Decode, p.path, vx::JpegThreads::kOne, false),
             benchmark::RegisterBenchmark(("decode_two_bands/" + name).c_str(), Decode, p.path, vx::JpegThreads::kTwo, false),
             benchmark::RegisterBenchmark(("decode_by_load/" + name).c_str(), Decode, p.path, vx::JpegThreads::kBySize, false),
             benchmark::RegisterBenchmark(("decode_one_band/" + name + "+restarts").c_str(), Decode, p.path,
                                          vx::JpegThreads::kOne, true),
             benchmark::RegisterBenchmark(("decode_two_bands/" + name + "+restarts").c_str(), Decode, p.path,
                                          vx::JpegThreads::kTwo, true),
             benchmark::RegisterBenchmark(("libjpeg_decode_rgb/" + name).c_str(), DecodePlain, p.path),
             benchmark::RegisterBenchmark(("write/" + name).c_str(), Write, p.path),
         }) {
      b->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(1);
    }
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
